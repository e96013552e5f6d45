#pragma once
// The user's locale rules for text, from the system, and conversions between
// the system's code pages and UTF-16.
#include <string>

#include "framework/TextServices.h"

class TWinTextServices : public ITextServices {
public:
    bool EqualIgnoreCase(const std::string& a, const std::string& b) override;
    void LowerCase(std::string& s) override;
    bool IsLeadByte(unsigned char b) override;
};

// The NT family, where the wide calls the program uses are bound (the 9x
// family has few of them).
bool WideCallsExist();

// A code page's bytes as UTF-16 and back (CP_ACP, CP_UTF8, 932). A text that
// does not convert comes out empty; characters the code page lacks come out
// as its default character.
std::wstring WideFromBytes(unsigned codePage, const std::string& bytes);
std::string BytesFromWide(unsigned codePage, const std::wstring& wide);
