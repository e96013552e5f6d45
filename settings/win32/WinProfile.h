#pragma once
// IProfile on the Win32 profile API (ANSI calls).
#include "settings/SettingsFile.h"

class TWinProfile : public IProfile {
public:
    std::string ModuleFileName() override;
    // Grows its buffer until the whole value fits; a value that still does not
    // fit in kMaxValueBuffer reads as def, since handing back a cut value would
    // silently lose entries.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def, const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override;

    static constexpr unsigned long kFirstValueBuffer = 2048;
    static constexpr unsigned long kMaxValueBuffer = 16ul * 1024 * 1024;
};
