#pragma once
// The user's locale rules for text, from the system.
#include "framework/TextServices.h"

class TWinTextServices : public ITextServices {
public:
    bool EqualIgnoreCase(const std::string& a, const std::string& b) override;
    void LowerCase(std::string& s) override;
    bool IsLeadByte(unsigned char b) override;
};
