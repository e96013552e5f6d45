#pragma once
// Text services of the user's locale: case-insensitive comparison, lower-casing
// and the ANSI code page's lead bytes. The Win32 build installs the system's
// (CompareStringA, CharLowerBuffA, IsDBCSLeadByte); the default rules are
// ASCII case and Shift-JIS lead bytes, which is what the host tests need.
#include <cstddef>
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

// How the bytes of a text from the system are to be read.
enum class TTextCode {
    Ansi, // the system's ANSI code page: a trail byte may equal an ASCII sign
    Utf8, // from the wide calls: no byte of a longer character is below 0x80
};

// Calls visit(index, byte) for every character of the text that is a single
// byte, in order; both bytes of a double-byte character are stepped over. In
// Shift-JIS the trail byte of 表 (0x95 0x5C) equals a backslash, so a path is
// walked this way rather than searched byte by byte. A lead byte at the very
// end stands for itself. The lead bytes are those of the services in use.
template <class Visit>
void ForEachSingleByteCharacter(const std::string& text, TTextCode code, Visit visit,
                                ITextServices& services = TextServices())
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (code == TTextCode::Ansi && i + 1 < text.size() && services.IsLeadByte(c))
            ++i;
        else
            visit(i, c);
    }
}
