#include "framework/win32/WinTextServices.h"

#include <windows.h>

bool TWinTextServices::EqualIgnoreCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

void TWinTextServices::LowerCase(std::string& s)
{
    if (!s.empty())
        CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
}

bool TWinTextServices::IsLeadByte(unsigned char b)
{
    return IsDBCSLeadByte(b) != FALSE;
}
