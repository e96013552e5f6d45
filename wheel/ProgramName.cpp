#include "wheel/ProgramName.h"

#include "framework/TextServices.h"

std::string ExtractProgramName(const std::string& path)
{
    // Forward, a character at a time: scanning bytes backwards cannot tell a
    // backslash from the trail byte of a double-byte character such as 表
    // (0x95 0x5C), and split the name there.
    size_t start = 0;
    ForEachSingleByteCharacter(path, TTextCode::Ansi, [&start](size_t i, unsigned char c) {
        if (c == '\\')
            start = i + 1;
    });
    std::string name = path.substr(start);
    TextServices().LowerCase(name);
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
