#pragma once
// A text for the user's eyes, pieced together from the program's own fixed
// texts (captions, messages: compiled in code page 932) and texts that come
// from the system or the user (program names in the system's ANSI code page;
// the program's own path in UTF-8 where it came from the wide calls). Each
// part keeps its code, so that the Win32 layer can hand each to the system
// as it is spelled (framework/win32/WinScreenText.h).
#include <cstdint>
#include <string>
#include <vector>

#include "framework/TextServices.h"

class TScreenText {
public:
    struct TPart {
        std::string Bytes;
        bool Fixed;                       // one of the program's own texts, code page 932
        TTextCode Code = TTextCode::Ansi; // how a part from the system is spelled
    };

    TScreenText() = default;
    // A string marked as one of the program's own texts.
    explicit TScreenText(const std::string& fixed) { Append(fixed, true, TTextCode::Ansi); }
    // A literal of the program is one of its fixed texts.
    TScreenText(const char* fixed) : TScreenText(std::string(fixed)) {}
    // A text from the system or the user.
    static TScreenText FromSystem(const std::string& text, TTextCode code = TTextCode::Ansi);

    TScreenText& operator+=(const TScreenText& more);
    friend TScreenText operator+(TScreenText a, const TScreenText& b) { return a += b; }

    // Every part's bytes as they stand, one after the other.
    std::string Bytes() const;
    const std::vector<TPart>& Parts() const { return m_parts; }
    bool Empty() const { return m_parts.empty(); }
    bool HasUtf8() const;

private:
    void Append(const std::string& bytes, bool fixed, TTextCode code);
    std::vector<TPart> m_parts; // never an empty part; neighbours differ in kind
};

// What the running system offers for showing texts.
struct TTextSystem {
    bool WideCalls;        // the NT family
    uint32_t AnsiCodePage; // the system's ANSI code page (GetACP)
    bool Has932;           // code page 932 can be converted from (IsValidCodePage)
};

// Whether the fixed texts go to the wide calls, converted from code page 932:
// on the NT family where the ANSI code page is another one, since the ANSI
// calls would read their bytes in that code page. The ANSI calls take them
// on a 932 system, on the 9x family (which has few wide calls), and where
// 932 is missing, since the conversion would give empty texts there.
bool FixedTextsGoWide(const TTextSystem& system);
// Whether a text goes to the wide calls: where the fixed texts do, and where
// it holds a UTF-8 part, which the ANSI code page may not be able to hold.
bool TextGoesWide(const TScreenText& text, const TTextSystem& system);
