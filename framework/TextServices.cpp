#include "framework/TextServices.h"

namespace {

class TDefaultTextServices : public ITextServices {
public:
    bool IsLeadByte(unsigned char b) override
    {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }

    void LowerCase(std::string& s) override
    {
        // The trail byte of a double-byte character is not a letter of its own.
        ForEachSingleByteCharacter(
            s, TTextCode::Ansi,
            [&s](size_t i, unsigned char c) {
                if (c >= 'A' && c <= 'Z')
                    s[i] = static_cast<char>(c - 'A' + 'a');
            },
            *this);
    }

    bool EqualIgnoreCase(const std::string& a, const std::string& b) override
    {
        std::string la = a, lb = b;
        LowerCase(la);
        LowerCase(lb);
        return la == lb;
    }
};

TDefaultTextServices g_DefaultTextServices;
ITextServices* g_pTextServices = &g_DefaultTextServices;

} // namespace

ITextServices& TextServices() { return *g_pTextServices; }

void SetTextServices(ITextServices* services)
{
    g_pTextServices = services ? services : &g_DefaultTextServices;
}
