#pragma once
// IProfile on the Win32 profile API. On the NT family the program's path is
// read, and the file named, through the wide calls, so that a folder whose
// name holds characters outside the ANSI code page is found; paths travel in
// UTF-8. The file itself stays as it is: an ANSI file is read and written in
// the ANSI code page by the wide calls too. The 9x family uses the ANSI calls.
#include "settings/SettingsFile.h"

class TWinProfile : public IProfile {
public:
    TTextCode PathCode() override;
    std::string ModuleFileName() override;
    // Grows its buffer until the whole value fits; a value that still does not
    // fit in kMaxValueBuffer reads as def, since handing back a cut value would
    // silently lose entries.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def, const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override;
    std::string BeginReplace(const std::string& path) override;
    bool CommitReplace(const std::string& copy, const std::string& path) override;
    void DropReplace(const std::string& copy) override;

    static constexpr unsigned long kFirstValueBuffer = 2048;
    static constexpr unsigned long kMaxValueBuffer = 16ul * 1024 * 1024;
};
