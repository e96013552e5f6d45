// What the keyboard reaches in another program's window, for the scenarios:
//   focus_look focus HWND          class and text of the control with the focus
//                                  in HWND's thread ("none" when no window has it)
//   focus_look label-style HWND N  the SS_ type bits of HWND's Nth text static
// Texts are printed as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &out[0], n, nullptr, nullptr);
    return out;
}

HWND ParseHwnd(const char* s)
{
    return (HWND)(UINT_PTR)strtoul(s, nullptr, 16);
}

int Focus(HWND top)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!IsWindow(top) || !GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) {
        fputs("no such window\n", stderr);
        return 1;
    }
    if (!info.hwndFocus) {
        puts("none");
        return 0;
    }
    wchar_t cls[64] = L"";
    GetClassNameW(info.hwndFocus, cls, 64);
    wchar_t text[256] = L"";
    DWORD_PTR got = 0;
    SendMessageTimeoutW(info.hwndFocus, WM_GETTEXT, 256, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &got);
    printf("%s %s\n", Utf8(cls).c_str(), Utf8(text).c_str());
    return 0;
}

int LabelStyle(HWND top, int index)
{
    for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = L"";
        GetClassNameW(c, cls, 64);
        LONG style = GetWindowLongW(c, GWL_STYLE);
        if (lstrcmpiW(cls, L"Static") != 0 || (style & SS_TYPEMASK) == SS_ICON)
            continue;
        if (index-- == 0) {
            printf("%lu\n", (unsigned long)(style & SS_TYPEMASK));
            return 0;
        }
    }
    fputs("no such label\n", stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "focus") == 0)
        return Focus(ParseHwnd(argv[2]));
    if (argc == 4 && strcmp(argv[1], "label-style") == 0)
        return LabelStyle(ParseHwnd(argv[2]), atoi(argv[3]));
    fputs("usage: focus_look focus HWND | label-style HWND N\n", stderr);
    return 2;
}
