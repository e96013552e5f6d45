// The benchmark's hands and stopwatch inside the Wine prefix, for what the
// probe cannot time from one call:
//
//   bench_drive icon CLASS ID TIMEOUT_MS INTERVAL_MS
//       prints "ready", then waits until a window of CLASS has its tray
//       icon ID and prints that moment as microseconds since 1970 (the
//       clock the shell's `date` reads), so that the time from a launch
//       the shell made can be taken;
//   bench_drive burst HWND N MARK
//       posts N wheel notifications, a notch down and a notch up in turn,
//       then MARK (a delta short of a notch), and prints the milliseconds
//       from the first post until the window's label shows MARK;
//   bench_drive open HWND menu|dialog|about N
//       opens N times, and closes again, the tray menu, the registration
//       dialog chosen from it, or the About box chosen from it, each step
//       waiting for what it opened or closed to be on screen or gone;
//   bench_drive send HWND MSG WPARAM_A WPARAM_B N
//       sends N messages, wParam alternating between A and B, and prints
//       the median and 99th percentile of their round trips;
//   bench_drive resources PID
//       prints the process's working set and private bytes (KiB) and its
//       GDI and USER object counts ("-" where the system gives none).
//
// Exit status: 0 done, 1 a wait ran out or a call failed (said on stderr),
// 2 usage.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/HookMessage.h"
#include "framework/win32/WinHandles.h"

namespace {

const UINT kTrayNotify = WM_APP + 100;
const DWORD kStepMs = 60000; // bound on each wait of the openings

int Fail(const char* what)
{
    std::fprintf(stderr, "bench_drive: %s\n", what);
    return 1;
}

HWND ParseHwnd(const char* s)
{
    return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(s, nullptr, 16)));
}

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

unsigned long long EpochMicroseconds()
{
    typedef void(WINAPI * Precise)(FILETIME*);
    static Precise precise = reinterpret_cast<Precise>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME ft;
    if (precise) precise(&ft);
    else GetSystemTimeAsFileTime(&ft);
    const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return ticks / 10 - 11644473600ULL * 1000000ULL;
}

// Another process's icon is there when the shell accepts a modify of it
// that changes nothing.
bool HasIcon(HWND window, UINT id)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = window;
    nid.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

int Icon(const char* cls, UINT id, DWORD timeoutMs, DWORD intervalMs)
{
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(cls, nullptr);
        if (window && HasIcon(window, id)) {
            std::printf("%llu\n", EpochMicroseconds());
            return 0;
        }
        if (GetTickCount() - start > timeoutMs) return Fail("no window with its tray icon in time");
        Sleep(intervalMs);
    }
}

// The window's first static control that shows text: the label the wheel
// handler writes its delta to.
BOOL CALLBACK FirstLabel(HWND child, LPARAM result)
{
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
    *reinterpret_cast<HWND*>(result) = child;
    return FALSE;
}

bool LabelShows(HWND label, const char* want)
{
    char text[32] = "";
    DWORD_PTR got = 0;
    return SendMessageTimeoutA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               5000, &got) &&
           std::strcmp(text, want) == 0;
}

WPARAM Delta(int delta)
{
    return static_cast<WPARAM>(static_cast<WORD>(static_cast<short>(delta))) << 16;
}

int Burst(HWND window, unsigned long count, int mark)
{
    HWND label = nullptr;
    EnumChildWindows(window, FirstLabel, reinterpret_cast<LPARAM>(&label));
    if (!label) return Fail("the window has no label");
    char want[16];
    std::snprintf(want, sizeof want, "%d", mark);
    if (LabelShows(label, want)) return Fail("the label shows the mark already");
    const double t0 = NowMs();
    for (unsigned long i = 0; i < count; ++i)
        if (!PostMessageA(window, WM_HOOKWHEEL, Delta(i % 2 ? 120 : -120), 0)) return Fail("a post failed");
    if (!PostMessageA(window, WM_HOOKWHEEL, Delta(mark), 0)) return Fail("the mark's post failed");
    // Each look at the label is a message the window answers between the
    // notifications; looking less often the longer it takes keeps that
    // share small while still catching a short burst closely.
    for (;;) {
        const double elapsed = NowMs() - t0;
        if (LabelShows(label, want)) break;
        if (elapsed > 600000) return Fail("the burst was not handled within 600 s");
        DWORD pause = static_cast<DWORD>(elapsed / 100);
        Sleep(pause < 1 ? 1 : pause > 50 ? 50 : pause);
    }
    std::printf("%.1f\n", NowMs() - t0);
    return 0;
}

struct Find {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param)
{
    Find& f = *reinterpret_cast<Find*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (pid != f.pid || !IsWindowVisible(window) || lstrcmpiA(cls, f.cls) != 0) return TRUE;
    f.found = window;
    return FALSE;
}

// Waits until the process shows a visible top-level window of CLS (shown)
// or shows none (not shown); gives the window found.
bool WaitUntil(DWORD pid, const char* cls, bool shown, HWND* window = nullptr)
{
    const DWORD start = GetTickCount();
    for (;;) {
        Find f = {pid, cls, nullptr};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&f));
        if ((f.found != nullptr) == shown) {
            if (window) *window = f.found;
            return true;
        }
        if (GetTickCount() - start > kStepMs) return false;
        Sleep(5);
    }
}

BOOL CALLBACK FirstButton(HWND child, LPARAM result)
{
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") != 0) return TRUE;
    *reinterpret_cast<HWND*>(result) = child;
    return FALSE;
}

void Key(HWND window, UINT message, WPARAM key)
{
    PostMessageA(window, message, key, 0);
}

// The menu's keys are read by its own loop from the thread's queue, so
// they are posted to the main window. Posted together, they are taken
// before any pointer movement the menu's appearing may cause.
int Open(HWND window, const char* kind, unsigned long count)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!pid) return Fail("no such window");
    const bool menuOnly = std::strcmp(kind, "menu") == 0;
    const bool dialog = std::strcmp(kind, "dialog") == 0;
    const bool about = std::strcmp(kind, "about") == 0;
    if (!menuOnly && !dialog && !about) return 2;
    for (unsigned long i = 0; i < count; ++i) {
        // A right click on the icon, as the shell reports it.
        PostMessageA(window, kTrayNotify, 1006, WM_RBUTTONUP);
        if (!WaitUntil(pid, "#32768", true)) return Fail("the menu did not open");
        if (menuOnly) {
            Key(window, WM_KEYDOWN, VK_ESCAPE);
        } else if (dialog) {
            Key(window, WM_CHAR, 's'); // the registration command's access key
        } else {
            // About has no access key: it is the fourth item down (the
            // separators are passed over). Down, never up: a selection lost
            // on the way can only end on an earlier item, never on exit.
            for (int k = 0; k < 4; ++k) Key(window, WM_KEYDOWN, VK_DOWN);
            Key(window, WM_CHAR, '\r');
        }
        if (!WaitUntil(pid, "#32768", false)) return Fail("the menu did not close");
        if (menuOnly) continue;
        const char* cls = dialog ? "TWindowStoreDlg" : "#32770";
        HWND box = nullptr;
        if (!WaitUntil(pid, cls, true, &box))
            return Fail(dialog ? "the registration dialog did not open" : "the About box did not open");
        HWND button = about ? GetDlgItem(box, IDOK) : nullptr;
        if (!button) EnumChildWindows(box, FirstButton, reinterpret_cast<LPARAM>(&button));
        if (!button) return Fail("no button to close it with");
        PostMessageA(button, BM_CLICK, 0, 0);
        if (!WaitUntil(pid, cls, false)) return Fail("it did not close");
    }
    return 0;
}

int Send(HWND window, UINT message, const WPARAM wParams[2], unsigned long n)
{
    std::vector<double> us;
    for (unsigned long i = 0; i < n; ++i) {
        DWORD_PTR result = 0;
        const double start = NowMs();
        if (!SendMessageTimeoutA(window, message, wParams[i % 2], 0, SMTO_ABORTIFHUNG, 5000, &result))
            return Fail("a message was not answered");
        us.push_back(1000.0 * (NowMs() - start));
    }
    if (us.empty()) return Fail("no messages");
    std::sort(us.begin(), us.end());
    std::printf("median %.1f us, p99 %.1f us over %u\n", us[us.size() / 2], us[us.size() * 99 / 100],
                static_cast<unsigned>(us.size()));
    return 0;
}

// Private bytes are the commit charge, which Windows gives as PagefileUsage
// (and again as PrivateUsage, which Wine leaves 0 for another process).
int Resources(DWORD pid)
{
    const TScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    if (!process || !GetProcessMemoryInfo(process.Get(), &c, sizeof c)) return Fail("no memory counters");
    std::string counts[2];
    const DWORD kinds[2] = {GR_GDIOBJECTS, GR_USEROBJECTS};
    for (int i = 0; i < 2; ++i) {
        SetLastError(0);
        const DWORD count = GetGuiResources(process.Get(), kinds[i]);
        counts[i] = count == 0 && GetLastError() != 0 ? "-" : std::to_string(count);
    }
    std::printf("working_set=%lu private=%lu gdi=%s user=%s\n", static_cast<unsigned long>(c.WorkingSetSize / 1024),
                static_cast<unsigned long>(c.PagefileUsage / 1024), counts[0].c_str(), counts[1].c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "icon") == 0)
        return Icon(argv[2], std::strtoul(argv[3], nullptr, 0), std::strtoul(argv[4], nullptr, 0),
                    std::strtoul(argv[5], nullptr, 0));
    if (argc == 5 && std::strcmp(argv[1], "burst") == 0)
        return Burst(ParseHwnd(argv[2]), std::strtoul(argv[3], nullptr, 0), std::atoi(argv[4]));
    if (argc == 5 && std::strcmp(argv[1], "open") == 0) {
        const int rc = Open(ParseHwnd(argv[2]), argv[3], std::strtoul(argv[4], nullptr, 0));
        if (rc != 2) return rc;
    }
    if (argc == 7 && std::strcmp(argv[1], "send") == 0) {
        const WPARAM wParams[2] = {std::strtoul(argv[4], nullptr, 0), std::strtoul(argv[5], nullptr, 0)};
        return Send(ParseHwnd(argv[2]), std::strtoul(argv[3], nullptr, 0), wParams, std::strtoul(argv[6], nullptr, 0));
    }
    if (argc == 3 && std::strcmp(argv[1], "resources") == 0)
        return Resources(std::strtoul(argv[2], nullptr, 10));
    std::fputs("usage: bench_drive icon CLASS ID TIMEOUT_MS INTERVAL_MS | burst HWND N MARK |"
               " open HWND menu|dialog|about N | send HWND MSG WPARAM_A WPARAM_B N | resources PID\n",
               stderr);
    return 2;
}
