#pragma once
// A text for the user's eyes, pieced together from the program's own fixed
// texts (captions, messages: compiled in code page 932) and texts that come
// from the system or the user (paths, program names: in the system's ANSI
// code page). The ANSI calls get the parts' bytes one after the other, as
// they always did; where the two code pages differ, the Win32 layer converts
// each part from its own (framework/win32/WinScreenText.h).
#include <string>
#include <vector>

class TScreenText {
public:
    struct TPart {
        std::string Bytes;
        bool Fixed; // one of the program's own texts, code page 932
    };

    TScreenText() = default;
    // A literal or a string of the program is one of its fixed texts.
    TScreenText(const std::string& fixed) { Append(fixed, true); }
    TScreenText(const char* fixed) : TScreenText(std::string(fixed)) {}
    // A text from the system or the user, in the system's ANSI code page.
    static TScreenText FromSystem(const std::string& text);

    TScreenText& operator+=(const TScreenText& more);
    friend TScreenText operator+(TScreenText a, const TScreenText& b) { return a += b; }

    // The bytes the ANSI calls are given: every part as it stands.
    std::string Bytes() const;
    const std::vector<TPart>& Parts() const { return m_parts; }
    bool Empty() const { return m_parts.empty(); }

private:
    void Append(const std::string& bytes, bool fixed);
    std::vector<TPart> m_parts; // never an empty part; neighbours differ in kind
};
