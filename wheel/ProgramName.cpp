#include "wheel/ProgramName.h"

#include <vector>

#include "framework/TextServices.h"

std::string ExtractProgramName(const std::string& path)
{
    // Forward, a character at a time: scanning bytes backwards cannot tell a
    // backslash from the trail byte of a double-byte character such as 表
    // (0x95 0x5C), and split the name there.
    ITextServices& text = TextServices();
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (text.IsLeadByte(c))
            ++i;
        else if (c == '\\')
            start = i + 1;
    }
    std::string name = path.substr(start);
    text.LowerCase(name);
    return name;
}

TWnd TopLevelWindowAt(IWindowSystem& ws, TPoint pt)
{
    TWnd w = ws.WindowFromPoint(pt);
    if (!w)
        return 0;
    // A real parent chain cannot loop, but a fake or a window being destroyed
    // might hand back nonsense; a bounded walk always ends.
    const int kMaxDepth = 1000;
    int depth = 0;
    for (TWnd parent = ws.GetParent(w); parent; parent = ws.GetParent(w)) {
        if (++depth > kMaxDepth)
            return 0;
        w = parent;
    }
    return w;
}

bool GetProgramNameOfWindow(IWindowSystem& ws, TWnd w, std::string& name)
{
    std::string path;
    if (!w || !ws.GetProcessImageName(w, path))
        return false;
    name = ExtractProgramName(path);
    return true;
}

bool GetProgramNameAtPoint(IWindowSystem& ws, TPoint pt, std::string& name)
{
    return GetProgramNameOfWindow(ws, TopLevelWindowAt(ws, pt), name);
}

bool ReadFullString(const std::function<uint32_t(char* buffer, uint32_t capacity)>& read, std::string& out)
{
    const uint32_t kFirst = 260;    // MAX_PATH
    const uint32_t kLast = 32768;   // a path has at most 32767 characters
    std::vector<char> buffer;
    for (uint32_t capacity = kFirst;; capacity = capacity * 2 < kLast ? capacity * 2 : kLast) {
        buffer.assign(capacity, '\0');
        const uint32_t length = read(buffer.data(), capacity);
        if (length == 0)
            return false;
        if (length + 1 < capacity || capacity == kLast) {
            // At the last size a full buffer is the whole path.
            out.assign(buffer.data(), length < capacity ? length : capacity);
            return true;
        }
    }
}
