// hook_test: drives hookdll.dll the way the program does and feeds it wheel
// input through SendInput. Prints one line per check and exits 1 when any
// failed.
//
//   hook_test            the checks
//   hook_test --sink E   (used by the checks) a focused window of another
//                        process; sets the event E once it has the focus
//   hook_test --set-hwnd (used by the checks) another process that maps the
//                        library and gives it a window of its own
//   hook_test --held     starts the hook, then holds its user-interface
//                        thread (no messages retrieved) until --watch
//                        releases it or a minute has passed; afterwards
//                        expects the notches +120 and -120 made meanwhile
//   hook_test --watch N
//                        installs its own low-level hook (before --held
//                        starts, so that it is called after the library's)
//                        and waits (bounded) for two notches and N moves
//                        to pass it while --held still holds its
//                        thread, then releases that thread
//   hook_test --crash    starts the hook, checks one notch arrives, and ends
//                        its process without HookEnd (exit code 3)
//   hook_test --keep-library
//                        maps the library and waits to be ended, as other
//                        processes keep it mapped on the 9x family
//
// Whether an injected notch has been fully handled is known without waiting
// on the clock: on the NT family the test's own low-level hook, installed
// before the library's and so called after it, sees the notch once the
// library's procedure has run and passed it on; on the 9x family the focused
// window retrieving WM_MOUSEWHEEL is the moment the library's message hook
// runs. Whatever the library posted is in the queue by then.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/HookMessage.h"

namespace {

const DWORD kInputBoundMs = 20000; // generous: Wine may run under emulation
const DWORD kProcessBoundMs = 60000;

typedef void (*TSetHWND)(HWND, HINSTANCE);
typedef void (*TVoid)(void);

HMODULE g_hDll = nullptr;
bool g_bNT = false;
int g_failures = 0;

struct THookMessage {
    HWND Wnd;
    WPARAM WParam;
    LPARAM LParam;
};
std::vector<THookMessage> g_posted; // every WM_HOOKWHEEL retrieved
int g_probeWheels = 0;              // notches seen by the test's own hook
int g_retrievedWheels = 0;          // WM_MOUSEWHEEL retrieved by this thread

void Check(bool ok, const char* name, const std::string& detail = std::string())
{
    if (ok) {
        std::printf("ok   %s\n", name);
    } else {
        ++g_failures;
        std::printf("FAIL %s%s%s\n", name, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

std::string Format(const char* format, long a, long b = 0)
{
    char text[200];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

// Each export is looked up at the moment of its call, as the program does.
void CallSetHWND(HWND wnd)
{
    TSetHWND f = reinterpret_cast<TSetHWND>(reinterpret_cast<void*>(GetProcAddress(g_hDll, "SetHWND")));
    if (f)
        f(wnd, g_hDll);
}

void CallVoid(const char* name)
{
    TVoid f = reinterpret_cast<TVoid>(reinterpret_cast<void*>(GetProcAddress(g_hDll, name)));
    if (f)
        f();
}

std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

// Threads of this process, or -1.
int ThreadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    CloseHandle(snapshot);
    return count;
}

// Runs this program again with the arguments and waits (bounded) for its
// exit code; -1 when it could not be started or did not end.
int RunSelf(const char* arguments)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, kProcessBoundMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

LRESULT CALLBACK ProbeProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL)
        ++g_probeWheels;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void HandleMessage(MSG& msg)
{
    if (msg.message == WM_HOOKWHEEL) {
        g_posted.push_back({msg.hwnd, msg.wParam, msg.lParam});
        return;
    }
    if (msg.message == WM_MOUSEWHEEL)
        ++g_retrievedWheels;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        HandleMessage(msg);
}

// Pumps messages until done() holds or the bound has passed.
template <class T>
bool PumpUntil(T done, DWORD boundMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        Drain();
        if (done())
            return true;
        if (GetTickCount() - start >= boundMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// The pointer goes over the focused window first: where the wheel message
// goes (focus or pointer) differs between systems, and the message hook of
// the 9x family must see it retrieved by a thread that has the library.
bool InjectWheel(int delta)
{
    RECT r;
    HWND focus = GetFocus();
    if (focus && GetWindowRect(focus, &r))
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    return SendInput(1, &input, sizeof(input)) == 1;
}

// One notch, handled to the end; the WM_HOOKWHEEL messages it brought are
// appended to g_posted.
bool Notch(int delta)
{
    int& seen = g_bNT ? g_probeWheels : g_retrievedWheels;
    const int before = seen;
    if (!InjectWheel(delta))
        return false;
    const bool handled = PumpUntil([&] { return seen > before; }, kInputBoundMs);
    Drain();
    return handled;
}

// Checks the notches brought exactly one message each, to wnd, with the
// delta in the high word of wParam and nothing else.
void CheckPosted(const char* name, size_t from, HWND wnd, const std::vector<int>& deltas)
{
    const size_t got = g_posted.size() - from;
    if (got != deltas.size()) {
        Check(false, name, Format("%ld messages for %ld notches", static_cast<long>(got), static_cast<long>(deltas.size())));
        return;
    }
    for (size_t i = 0; i < deltas.size(); ++i) {
        const THookMessage& m = g_posted[from + i];
        const WPARAM want = static_cast<WPARAM>(static_cast<WORD>(deltas[i])) << 16;
        if (m.Wnd != wnd || m.WParam != want || m.LParam != 0) {
            Check(false, name, Format("wParam 0x%08lx lParam %ld", static_cast<long>(m.WParam), static_cast<long>(m.LParam)) +
                                   (m.Wnd != wnd ? " (wrong window)" : ""));
            return;
        }
    }
    Check(true, name);
}

HWND CreateTestWindow(int x, int y, int width, int height)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "PelmHookTest";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND wnd = CreateWindowExA(WS_EX_TOPMOST, "PelmHookTest", "hook_test", WS_POPUP | WS_VISIBLE, x, y, width, height,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return wnd;
}

bool TakeFocus(HWND wnd)
{
    SetForegroundWindow(wnd);
    SetFocus(wnd);
    return PumpUntil([&] { return GetForegroundWindow() == wnd && GetFocus() == wnd; }, kInputBoundMs);
}

int RunSink(const char* eventName)
{
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    HWND wnd = CreateTestWindow(0, 0, 300, 200);
    if (!ready || !wnd || !TakeFocus(wnd))
        return 2;
    SetEvent(ready);
    // The parent ends this process by its id; the bound only guards
    // against a parent that died first.
    PumpUntil([] { return false; }, 2 * kProcessBoundMs);
    return 0;
}

// Another process that maps the library and gives it its own window; the
// window goes when this process ends.
int RunSetHWND()
{
    HWND wnd = CreateTestWindow(400, 0, 50, 50);
    if (!wnd)
        return 2;
    CallSetHWND(wnd);
    return 0;
}

const char* const kHeldEvent = "PelmHookTestHeld";
const char* const kReleaseEvent = "PelmHookTestRelease";

int RunHeld()
{
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, kHeldEvent);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    HWND wnd = CreateTestWindow(0, 0, 300, 200);
    if (!held || !release || !wnd)
        return 2;
    TakeFocus(wnd);
    CallSetHWND(wnd);
    CallVoid("HookStart");
    std::printf("HOLDING the user-interface thread\n");
    std::fflush(stdout);
    // Busy the way a mixer call or a message box being built keeps it: no
    // message is retrieved meanwhile.
    SetEvent(held);
    const bool released = WaitForSingleObject(release, 2 * kProcessBoundMs) == WAIT_OBJECT_0;
    ResetEvent(held);
    Check(released, "released by the watcher", "nobody released the thread");
    PumpUntil([] { return g_posted.size() >= 2; }, kInputBoundMs);
    CheckPosted("the notches made while the thread was held arrive afterwards", 0, wnd, {120, -120});
    CallVoid("HookEnd");
    DestroyWindow(wnd);
    // Said before the process ends: under Wine's WoW64 the end of a process
    // whose hook thread served a held thread sometimes never comes.
    std::printf("DONE with %d failures\n", g_failures);
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;
}

// The watcher's own low-level hook, installed before the library's and so
// called only once the library's procedure has passed an event on. It only
// counts: Wine's WoW64 hands a 32-bit hook reached through another
// process's CallNextHookEx a pointer it cannot read.
long g_watchWheels = 0;
long g_watchMoves = 0;

LRESULT CALLBACK WatchProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        if (wParam == WM_MOUSEWHEEL)
            ++g_watchWheels;
        else if (wParam == WM_MOUSEMOVE)
            ++g_watchMoves;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int RunWatch(int moves)
{
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, WatchProc, GetModuleHandleA(nullptr), 0);
    if (!hook) {
        std::printf("FAIL cannot install the watcher's hook\n");
        return 1;
    }
    std::printf("WATCHING, start --held now\n");
    std::fflush(stdout);
    HANDLE held = nullptr;
    HANDLE release = nullptr;
    // This thread serves its hook all along: it keeps pumping.
    PumpUntil(
        [&] {
            if (!held)
                held = OpenEventA(SYNCHRONIZE, FALSE, kHeldEvent);
            if (!release)
                release = OpenEventA(EVENT_MODIFY_STATE, FALSE, kReleaseEvent);
            return held && release && WaitForSingleObject(held, 0) == WAIT_OBJECT_0;
        },
        2 * kProcessBoundMs);
    if (!held || !release || WaitForSingleObject(held, 0) != WAIT_OBJECT_0) {
        std::printf("FAIL the --held process never held its thread\n");
        return 1;
    }
    std::printf("SEEN the thread held; waiting for two notches and %d moves\n", moves);
    std::fflush(stdout);
    const bool arrived = PumpUntil(
        [&] { return g_watchWheels >= 2 && g_watchMoves >= moves; }, kProcessBoundMs / 2);
    // Still held at the moment they were seen?
    const bool stillHeld = WaitForSingleObject(held, 0) == WAIT_OBJECT_0;
    SetEvent(release);
    Check(arrived, "the moves and notches were passed on",
          Format("%ld notches, %ld moves", g_watchWheels, g_watchMoves));
    Check(arrived && stillHeld, "... while the hooking process's user-interface thread was held",
          arrived ? "only after the thread was released" : "");
    UnhookWindowsHookEx(hook);
    return g_failures == 0 ? 0 : 1;
}

int RunCrash()
{
    HWND wnd = CreateTestWindow(0, 0, 300, 200);
    if (!wnd || !TakeFocus(wnd))
        return 2;
    if (g_bNT)
        SetWindowsHookExA(WH_MOUSE_LL, ProbeProc, GetModuleHandleA(nullptr), 0);
    CallSetHWND(wnd);
    CallVoid("HookStart");
    const size_t from = g_posted.size();
    Check(Notch(120), "crash run: notch handled", "the notch was not handled within the bound");
    CheckPosted("crash run: the hook is on", from, wnd, {120});
    std::printf("ending without HookEnd\n");
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return 1;
}

int RunKeepLibrary()
{
    std::printf("READY library mapped\n");
    std::fflush(stdout);
    // The test ends this process by its id; the bound only guards against
    // a test that died first.
    PumpUntil([] { return false; }, 10 * kProcessBoundMs);
    return 0;
}

// A wheel notch over a window of another process still reaches the
// program's window; on the 9x family this is the library mapped into that
// process posting through the shared section.
void CheckOtherProcess(HWND wnd)
{
    const char* eventName = "PelmHookTestSinkReady";
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --sink " + eventName;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Check(false, "a notch over another process's window", "cannot start the sink process");
        CloseHandle(ready);
        return;
    }
    const bool started = PumpUntil([&] { return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; }, kProcessBoundMs);
    if (!started) {
        Check(false, "a notch over another process's window", "the sink process did not take the focus");
    } else {
        const size_t from = g_posted.size();
        InjectWheel(120);
        PumpUntil([&] { return g_posted.size() > from; }, kInputBoundMs);
        CheckPosted("a notch over another process's window", from, wnd, {120});
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, kProcessBoundMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    TakeFocus(wnd);
}

int RunChecks()
{
    HWND wnd = CreateTestWindow(0, 0, 300, 200);
    Check(wnd != nullptr, "test window created");
    Check(TakeFocus(wnd), "test window has the focus");
    HHOOK probe = nullptr;
    if (g_bNT) {
        probe = SetWindowsHookExA(WH_MOUSE_LL, ProbeProc, GetModuleHandleA(nullptr), 0);
        Check(probe != nullptr, "test's own low-level hook installed");
    }
    const char* notHandled = "the notch was not handled within the bound";

    // Before anything: no hook, and HookEnd has nothing to remove.
    CallVoid("HookEnd");
    size_t from = g_posted.size();
    Check(Notch(120), "HookEnd without HookStart is harmless", notHandled);
    CheckPosted("no hook, no message", from, wnd, {});

    CallVoid("HookStart");
    from = g_posted.size();
    Check(Notch(120), "HookStart before SetHWND: notch handled", notHandled);
    CheckPosted("HookStart before SetHWND posts nothing", from, wnd, {});
    CallVoid("HookEnd");

    const int threadsBefore = ThreadCount();
    CallSetHWND(wnd);
    CallVoid("HookStart");
    if (g_bNT)
        Check(ThreadCount() == threadsBefore + 1, "the low-level hook runs on a thread of its own",
              Format("%ld threads, %ld before HookStart", ThreadCount(), threadsBefore));
    from = g_posted.size();
    const int probeBefore = g_probeWheels;
    const bool both = Notch(120) && Notch(-120);
    Check(both, "notches +120 and -120 handled", notHandled);
    CheckPosted("one WM_HOOKWHEEL per notch, delta in the high word", from, wnd, {120, -120});
    if (g_bNT)
        Check(g_probeWheels - probeBefore == 2, "the wheel is passed on to the next hook");

    CallVoid("HookStart");
    from = g_posted.size();
    Check(Notch(120), "second HookStart: notch handled", notHandled);
    CheckPosted("a second HookStart does not install a second hook", from, wnd, {120});

    if (g_bNT) {
        // The hook is put back every few seconds, the new one in before the
        // old one goes: a notch after that arrives once.
        PumpUntil([] { return false; }, 6000);
        from = g_posted.size();
        Check(Notch(-120), "after the hook was renewed: notch handled", notHandled);
        CheckPosted("after the hook was renewed: one WM_HOOKWHEEL per notch", from, wnd, {-120});
        Check(ThreadCount() == threadsBefore + 1, "the renewal keeps to the hook's one thread",
              Format("%ld threads, %ld before HookStart", ThreadCount(), threadsBefore));
    }

    // Any process may map the library and call SetHWND; that must not take
    // this process's notifications away.
    Check(RunSelf("--set-hwnd") == 0, "another process called SetHWND");
    from = g_posted.size();
    Check(Notch(-120), "after another process's SetHWND: notch handled", notHandled);
    CheckPosted("another process's SetHWND leaves this process's window", from, wnd, {-120});

    CallVoid("HookEnd");
    if (g_bNT)
        Check(ThreadCount() == threadsBefore, "HookEnd ends the hook's thread",
              Format("%ld threads, %ld before HookStart", ThreadCount(), threadsBefore));
    from = g_posted.size();
    Check(Notch(120), "after HookEnd: notch handled", notHandled);
    CheckPosted("HookEnd stops delivery", from, wnd, {});

    CallVoid("HookEnd");
    CallVoid("HookStart");
    from = g_posted.size();
    Check(Notch(-120), "HookStart after HookEnd: notch handled", notHandled);
    CheckPosted("HookStart after HookEnd delivers again", from, wnd, {-120});

    HWND gone = CreateTestWindow(0, 0, 50, 50);
    CallSetHWND(gone);
    DestroyWindow(gone);
    TakeFocus(wnd);
    from = g_posted.size();
    Check(Notch(120), "target window destroyed: notch handled, no crash", notHandled);
    CheckPosted("nothing arrives for a destroyed window", from, wnd, {});
    CallSetHWND(wnd);
    from = g_posted.size();
    Check(Notch(120), "after a destroyed window: notch handled", notHandled);
    CheckPosted("the hook survives a destroyed window", from, wnd, {120});

    CheckOtherProcess(wnd);

    CallVoid("HookEnd");
    FreeLibrary(g_hDll);

    // Freed without HookEnd. On the NT family the hook's thread holds the
    // library: it stays mapped and its hook live until the process ends, or
    // until a HookEnd after all, when it goes with the thread. On the 9x
    // family the release removes the message hook.
    const std::string dll = OwnFolder() + "hookdll.dll";
    g_hDll = LoadLibraryA(dll.c_str());
    const HMODULE loaded = g_hDll;
    CallSetHWND(wnd);
    CallVoid("HookStart");
    FreeLibrary(g_hDll);
    g_hDll = nullptr;
    from = g_posted.size();
    Check(Notch(120), "FreeLibrary without HookEnd: later notches handled, no crash", notHandled);
    if (!g_bNT) {
        CheckPosted("FreeLibrary without HookEnd: nothing posted", from, wnd, {});
    } else {
        Check(GetModuleHandleA(dll.c_str()) == loaded,
              "FreeLibrary without HookEnd: the hook's thread keeps the library");
        CheckPosted("FreeLibrary without HookEnd: the hook still delivers", from, wnd, {120});
        // A caller holds the library while it calls into it: HookEnd's own
        // code must still be there when the thread lets its hold go.
        g_hDll = LoadLibraryA(dll.c_str());
        CallVoid("HookEnd");
        FreeLibrary(g_hDll);
        g_hDll = nullptr;
        Check(ThreadCount() == threadsBefore, "HookEnd after FreeLibrary ends the hook's thread",
              Format("%ld threads, %ld before HookStart", ThreadCount(), threadsBefore));
        Check(GetModuleHandleA(dll.c_str()) == nullptr, "... and the library goes with it");
        from = g_posted.size();
        Check(Notch(-120), "after the library has gone: notch handled, no crash", notHandled);
        CheckPosted("after the library has gone: nothing posted", from, wnd, {});
    }

    if (probe)
        UnhookWindowsHookEx(probe);
    DestroyWindow(wnd);
    return g_failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--sink") == 0)
        return RunSink(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--watch") == 0)
        return RunWatch(std::atoi(argv[2]));

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    g_bNT = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    std::printf("Windows %lu.%lu platform %lu (%s hook), wheel present %d\n", version.dwMajorVersion,
                version.dwMinorVersion, version.dwPlatformId, g_bNT ? "low-level" : "message", GetSystemMetrics(SM_MOUSEWHEELPRESENT));

    const std::string dll = OwnFolder() + "hookdll.dll";
    g_hDll = LoadLibraryA(dll.c_str());
    if (!g_hDll) {
        std::printf("FAIL cannot load %s (error %lu)\n", dll.c_str(), GetLastError());
        return 1;
    }
    const char* exports[] = {"SetHWND", "HookStart", "HookEnd"};
    for (const char* name : exports)
        if (!GetProcAddress(g_hDll, name)) {
            std::printf("FAIL export %s missing\n", name);
            return 1;
        }

    if (argc == 2 && std::strcmp(argv[1], "--set-hwnd") == 0)
        return RunSetHWND();
    if (argc == 2 && std::strcmp(argv[1], "--held") == 0)
        return RunHeld();
    if (argc == 2 && std::strcmp(argv[1], "--crash") == 0)
        return RunCrash();
    if (argc == 2 && std::strcmp(argv[1], "--keep-library") == 0)
        return RunKeepLibrary();
    const int result = RunChecks();
    std::printf("%s\n", result == 0 ? "all checks passed" : "some checks FAILED");
    return result;
}
