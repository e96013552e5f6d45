#include "settings/win32/WinProfile.h"

#include <windows.h>

#include <vector>

#include "wheel/ProgramName.h"

std::string TWinProfile::ModuleFileName()
{
    // Read whole, however long: the settings file lies beside the program
    // also where its path is longer than MAX_PATH.
    std::string path; // stays empty when the read fails
    ReadFullString([](char* buffer, uint32_t capacity) -> uint32_t {
        return GetModuleFileNameA(nullptr, buffer, capacity);
    }, path);
    return path;
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
