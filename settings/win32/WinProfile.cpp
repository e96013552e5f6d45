#include "settings/win32/WinProfile.h"

#include <windows.h>

#include <vector>

std::string TWinProfile::ModuleFileName()
{
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(NULL, buf, sizeof buf);
    // On truncation XP returns the full size without a terminator; use at
    // most MAX_PATH characters either way.
    if (n > MAX_PATH)
        n = MAX_PATH;
    return std::string(buf, n);
}

std::string TWinProfile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& path)
{
    std::vector<char> buf;
    for (DWORD size = kFirstValueBuffer; size <= kMaxValueBuffer; size *= 2) {
        buf.resize(size);
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                           size, path.c_str());
        // With a section and a key given, size - 1 is the sign of a cut value.
        if (n < size - 1)
            return std::string(buf.data(), n);
    }
    return def;
}

bool TWinProfile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value, const std::string& path)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}
