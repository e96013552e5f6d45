#pragma once
// Text services of the user's locale: case-insensitive comparison, lower-casing
// and the ANSI code page's lead bytes. The Win32 build installs the system's
// (CompareStringA, CharLowerBuffA, IsDBCSLeadByte); the default rules are
// ASCII case and Shift-JIS lead bytes, which is what the host tests need.
#include <string>

class ITextServices {
public:
    virtual ~ITextServices() = default;
    // Whole-string equality ignoring case (CompareStringA, LOCALE_USER_DEFAULT, NORM_IGNORECASE).
    virtual bool EqualIgnoreCase(const std::string& a, const std::string& b) = 0;
    // Lower-cases the whole string in place (CharLowerBuffA).
    virtual void LowerCase(std::string& s) = 0;
    // True when the byte starts a double-byte character in the ANSI code page.
    virtual bool IsLeadByte(unsigned char b) = 0;
};

ITextServices& TextServices();
// Replaces the services in use; null restores the default rules.
void SetTextServices(ITextServices* services);
