#include "settings/win32/WinProfile.h"

#include <windows.h>

#include <vector>

std::string TWinProfile::ModuleFileName()
{
    // The buffer grows until the path fits: the settings file lies beside
    // the program, also where its path is longer than MAX_PATH. XP marks a
    // cut path only by filling the buffer (no terminator), later systems
    // also by ERROR_INSUFFICIENT_BUFFER; both read as "does not fit".
    std::vector<char> buf;
    for (DWORD size = MAX_PATH + 1; size <= 65536; size *= 2) {
        buf.assign(size, '\0');
        DWORD n = GetModuleFileNameA(NULL, buf.data(), size);
        if (n == 0)
            return std::string();
        if (n < size - 1)
            return std::string(buf.data(), n);
    }
    return std::string();
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
