#include "wheel/PathText.h"

#include "framework/TextServices.h"

namespace {
// Index just past the last separator that is a character of its own; 0 when
// there is none.
size_t AfterLastSeparator(const std::string& path)
{
    ITextServices& text = TextServices();
    size_t after = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (text.IsLeadByte(c) && i + 1 < path.size())
            ++i;
        else if (c == '\\' || c == '/')
            after = i + 1;
    }
    return after;
}
} // namespace

std::string PathFolder(const std::string& path)
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
    return folder.empty() ? std::string() : folder + "hookdll.dll";
}
