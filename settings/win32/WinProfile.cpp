#include "settings/win32/WinProfile.h"

#include <windows.h>

#include <vector>

#include "framework/FullString.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinTextServices.h"
#include "settings/win32/WinFileReplace.h"

namespace {

// With a section and a key given, a result of size - 1 is the sign of a cut
// value; the buffer grows until the value fits.
template <class Char, class Read>
bool ReadWhole(Read read, std::basic_string<Char>& value)
{
    std::vector<Char> buf;
    for (DWORD size = TWinProfile::kFirstValueBuffer; size <= TWinProfile::kMaxValueBuffer; size *= 2) {
        buf.resize(size);
        const DWORD n = read(buf.data(), size);
        if (n < size - 1) {
            value.assign(buf.data(), n);
            return true;
        }
    }
    return false;
}

std::wstring WideFromAnsi(const std::string& text)
{
    return WideFromBytes(CP_ACP, text);
}

} // namespace

TTextCode TWinProfile::PathCode()
{
    return WideCallsExist() ? TTextCode::Utf8 : TTextCode::Ansi;
}

std::string TWinProfile::ModuleFileName()
{
    // Read whole, however long: the settings file lies beside the program
    // also where its path is longer than MAX_PATH.
    std::string path; // stays empty when the read fails
    if (!WideCallsExist()) {
        ReadFullString([](char* buffer, uint32_t capacity) -> uint32_t {
            return GetModuleFileNameA(nullptr, buffer, capacity);
        }, path);
        return path;
    }
    // The ANSI call would put a default character in place of each one the
    // code page lacks, naming a folder that does not exist.
    std::wstring wide;
    if (ReadFullString([](wchar_t* buffer, uint32_t capacity) -> uint32_t {
            return Bound().GetModuleFileNameW(nullptr, buffer, capacity);
        }, wide))
        path = BytesFromWide(CP_UTF8, wide);
    return path;
}

std::string TWinProfile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& path)
{
    if (!WideCallsExist()) {
        std::string value;
        const bool whole = ReadWhole<char>([&](char* buffer, DWORD size) {
            return GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, size, path.c_str());
        }, value);
        return whole ? value : def;
    }
    const std::wstring wsection = WideFromAnsi(section), wkey = WideFromAnsi(key), wdef = WideFromAnsi(def);
    const std::wstring wpath = WideFromBytes(CP_UTF8, path);
    if (wpath.empty())
        return def; // no path: the system would read a file of its own choice
    std::wstring value;
    const bool whole = ReadWhole<wchar_t>([&](wchar_t* buffer, DWORD size) {
        return Bound().GetPrivateProfileStringW(wsection.c_str(), wkey.c_str(), wdef.c_str(), buffer, size,
                                                wpath.c_str());
    }, value);
    // Back in the ANSI code page: an ANSI file keeps its values in it, and the
    // wide calls convert them through it both ways.
    return whole ? BytesFromWide(CP_ACP, value) : def;
}

bool TWinProfile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value, const std::string& path)
{
    if (!WideCallsExist())
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
    const std::wstring wpath = WideFromBytes(CP_UTF8, path);
    if (wpath.empty())
        return false; // no path: the system would write to a file of its own choice
    const std::wstring wsection = WideFromAnsi(section), wkey = WideFromAnsi(key), wvalue = WideFromAnsi(value);
    return Bound().WritePrivateProfileStringW(wsection.c_str(), wkey.c_str(), wvalue.c_str(), wpath.c_str()) != FALSE;
}

std::string TWinProfile::BeginReplace(const std::string& path)
{
    return BeginFileReplace(path);
}

bool TWinProfile::CommitReplace(const std::string& copy, const std::string& path)
{
    // The 9x family keeps a profile's writes in memory until asked: the copy
    // must be whole on the disk before it is put in place.
    if (!WideCallsExist())
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, copy.c_str());
    return CommitFileReplace(copy, path);
}

void TWinProfile::DropReplace(const std::string& copy)
{
    DropFileReplace(copy);
}
