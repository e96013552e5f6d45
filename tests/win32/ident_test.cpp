// ident_test: tells which program owns the window at a point, with the
// program's own identification code, from inside Wine.
//
//   ident_test --at-title TITLE       the program name at the centre of that
//                                     top-level window's first child, once
//                                     that window is brought to the top
//   ident_test --at X Y               the program name at a screen point
//   ident_test --bench TITLE N        N identifications over that window:
//                                     median and 99th percentile
// Names go out as UTF-8 ("name=...", or "not found"); the first line tells
// the platform, so a test can see which way was taken.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wheel/ProgramName.h"
#include "wheel/win32/WinProcessImage.h"
#include "wintext.h"

namespace {

std::string Utf8(const std::string& ansi)
{
    return Narrow(Widen(ansi, CP_ACP), CP_UTF8);
}

bool ChildCentre(const std::string& title, TPoint& pt)
{
    HWND top = FindWindowA(nullptr, title.c_str());
    if (!top) {
        std::printf("no window titled %s\n", Utf8(title).c_str());
        return false;
    }
    // Brought to the top, so that it is the window under its own centre.
    SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND child = GetWindow(top, GW_CHILD);
    RECT r;
    GetWindowRect(child ? child : top, &r);
    pt.x = (r.left + r.right) / 2;
    pt.y = (r.top + r.bottom) / 2;
    return true;
}

int Identify(TPoint pt)
{
    TWinWindowSystem windows;
    std::string name;
    if (GetProgramNameAtPoint(windows, pt, name)) {
        std::printf("name=%s\n", Utf8(name).c_str());
        return 0;
    }
    std::printf("not found\n");
    // What the point held, for a test that expected a name.
    POINT p = {pt.x, pt.y};
    HWND w = WindowFromPoint(p);
    DWORD pid = 0;
    char cls[64] = "";
    if (w) {
        GetWindowThreadProcessId(w, &pid);
        GetClassNameA(w, cls, sizeof cls);
    }
    std::fprintf(stderr, "at %ld,%ld: window %p class %s process %lu\n", static_cast<long>(pt.x),
                 static_cast<long>(pt.y), static_cast<void*>(w), cls, pid);
    return 0;
}

int Bench(TPoint pt, int count)
{
    TWinWindowSystem windows;
    LARGE_INTEGER frequency, a, b;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> us;
    us.reserve(count);
    std::string name;
    for (int i = 0; i < count; ++i) {
        QueryPerformanceCounter(&a);
        bool found = GetProgramNameAtPoint(windows, pt, name);
        QueryPerformanceCounter(&b);
        if (!found) {
            std::printf("not found at call %d\n", i);
            return 1;
        }
        us.push_back(1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::printf("GetProgramNameAtPoint: %s calls (%s)\n", Percentiles(us).c_str(), Utf8(name).c_str());
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Narrow(wargv[i], CP_ACP));

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    std::printf("platform %lu (%s)\n", version.dwPlatformId,
                version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT family" : "9x family, tool-help");
    TPoint pt = {0, 0};
    if (args.size() == 2 && args[0] == "--at-title")
        return ChildCentre(args[1], pt) ? Identify(pt) : 1;
    if (args.size() == 3 && args[0] == "--at") {
        pt.x = std::atoi(args[1].c_str());
        pt.y = std::atoi(args[2].c_str());
        return Identify(pt);
    }
    if (args.size() == 3 && args[0] == "--bench")
        return ChildCentre(args[1], pt) ? Bench(pt, std::atoi(args[2].c_str())) : 1;
    std::fputs("usage: ident_test --at-title TITLE | --at X Y | --bench TITLE N\n", stderr);
    return 2;
}
