#include "framework/win32/WinTextServices.h"

#include <windows.h>

#include "framework/win32/WinBound.h"

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

bool WideCallsExist()
{
    return Bound().Wide;
}

std::wstring WideFromBytes(unsigned codePage, const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n) != n)
        return std::wstring();
    return wide;
}

std::string BytesFromWide(unsigned codePage, const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    if (n <= 0)
        return std::string();
    std::string bytes(static_cast<size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0], n, nullptr,
                            nullptr) != n)
        return std::string();
    return bytes;
}
