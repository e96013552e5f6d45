#include "framework/PathText.h"

#include "framework/TextServices.h"

namespace {

const char kHookLibrary[] = "hookdll.dll";
const wchar_t kWideHookLibrary[] = L"hookdll.dll";
const size_t kMaxPath = 260;

bool IsSeparator(unsigned c)
{
    return c == '\\' || c == '/';
}

// Index just past the last separator that is a character of its own; 0 when
// there is none.
size_t AfterLastSeparator(const std::string& path)
{
    size_t after = 0;
    ForEachSingleByteCharacter(path, TTextCode::Ansi, [&after](size_t i, unsigned char c) {
        if (IsSeparator(c))
            after = i + 1;
    });
    return after;
}

size_t AfterLastSeparator(const std::wstring& path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(static_cast<unsigned>(path[i - 1])))
            return i;
    return 0;
}

} // namespace

std::string PathFolder(const std::string& path)
{
    return path.substr(0, AfterLastSeparator(path));
}

std::wstring PathFolder(const std::wstring& path)
{
    return path.substr(0, AfterLastSeparator(path));
}

bool EndsWithPathSeparator(const std::string& path)
{
    return !path.empty() && AfterLastSeparator(path) == path.size();
}

std::string HookLibraryPath(const std::string& exePath)
{
    const std::string folder = PathFolder(exePath);
    return folder.empty() ? std::string() : folder + kHookLibrary;
}

std::wstring HookLibraryPath(const std::wstring& exePath)
{
    const std::wstring folder = PathFolder(exePath);
    return folder.empty() ? std::wstring() : folder + kWideHookLibrary;
}

std::wstring LongPathForm(const std::wstring& path)
{
    if (path.size() < kMaxPath || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    std::wstring whole = path;
    for (wchar_t& c : whole)
        if (c == L'/')
            c = L'\\';
    // \\server\share becomes \\?\UNC\server\share.
    if (whole.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + whole.substr(1);
    return L"\\\\?\\" + whole;
}
