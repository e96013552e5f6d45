// The wheel hook library. The program gives it its main window (SetHWND) and
// starts the hook (HookStart); from then on every wheel notch, wherever the
// pointer is, is posted to that window as WM_HOOKWHEEL with the delta in the
// high word of wParam. The wheel message itself always goes on to the window
// it was meant for.
#include <windows.h>

// On the 9x family the hook procedure runs inside whichever process retrieves
// the wheel message, so the window to post to and the hook to chain to must
// be seen by every copy of the library: they live in a section that the .def
// file marks shared. Only initialised variables are placed there. Any process
// that maps the library can write them, so nothing the NT family uses lives
// there.
HWND g_hSharedTarget __attribute__((section(".shared"), shared)) = nullptr;
HHOOK g_hMessageHook __attribute__((section(".shared"), shared)) = nullptr;
// The process that installed g_hMessageHook: an instance that crashed leaves
// its handle behind, and the system removed its hook with it.
DWORD g_dwMessageHookOwner __attribute__((section(".shared"), shared)) = 0;
UINT g_uDriverWheelMessage __attribute__((section(".shared"), shared)) = 0;

namespace {

const UINT kWmHookWheel = WM_APP + 101;
// How long HookEnd and the library's release wait for the hook thread. Only a
// thread that is stuck comes near it.
const DWORD kThreadStopBoundMs = 10000;

// This process's window to post to (the NT family's low-level hook reads it
// on its own thread).
HWND volatile g_hTarget = nullptr;
HINSTANCE g_hSelf = nullptr;
HINSTANCE g_hGivenModule = nullptr;

// The low-level hook of the NT family lives on a thread of its own: the
// system calls a low-level hook on the thread that installed it and holds the
// whole system's mouse input until it returns, so it must not wait behind the
// program's user-interface thread (mixer calls, message boxes, the shell).
HHOOK g_hLowLevelHook = nullptr;
HANDLE g_hHookThread = nullptr;
DWORD g_dwHookThreadId = 0;
HANDLE g_hHookReady = nullptr;
// Set by the thread once it can no longer return into this library's code.
HANDLE g_hHookParked = nullptr;
// Never set: the parked thread waits on it.
HANDLE g_hNeverSet = nullptr;
LONG volatile g_bParkOnQuit = 0;

// True in the process that installed the 9x hook, not in those it was
// mapped into.
bool g_bOwnsMessageHook = false;

void Post(HWND target, short delta)
{
    if (target)
        PostMessageA(target, kWmHookWheel, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
}

// Nothing but post and pass on: Windows 7 and later silently remove a
// low-level hook whose procedure outlasts LowLevelHooksTimeout.
LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL) {
        const MSLLHOOKSTRUCT* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        Post(g_hTarget, static_cast<short>(HIWORD(info->mouseData)));
    }
    return CallNextHookEx(g_hLowLevelHook, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam)
{
    // A message that is only peeked at comes by again when it is removed;
    // counting it then alone gives one notification per notch.
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == WM_MOUSEWHEEL)
            Post(g_hSharedTarget, static_cast<short>(HIWORD(msg->wParam)));
        else if (g_uDriverWheelMessage && msg->message == g_uDriverWheelMessage)
            Post(g_hSharedTarget, static_cast<short>(msg->wParam)); // the whole wParam is the delta
    }
    return CallNextHookEx(g_hMessageHook, code, wParam, lParam);
}

// Bound before the thread starts: looking it up takes the loader lock, which
// the library's release holds while the thread parks.
typedef DWORD(WINAPI* TSignalAndWait)(HANDLE, HANDLE, DWORD, BOOL);
TSignalAndWait g_pSignalObjectAndWait = nullptr;

// Waits for ever, in the system, never to come back into this library.
void Park()
{
    // Signalling and waiting in one call: once the library's release sees
    // the signal, this thread is inside the system's wait.
    if (g_pSignalObjectAndWait)
        g_pSignalObjectAndWait(g_hHookParked, g_hNeverSet, INFINITE, FALSE);
    SetEvent(g_hHookParked);
    for (;;)
        Sleep(INFINITE);
}

DWORD WINAPI HookThreadProc(LPVOID module)
{
    MSG msg;
    // The queue exists before HookStart returns, so a WM_QUIT that HookEnd
    // posts right after is not lost.
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    g_hLowLevelHook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, static_cast<HINSTANCE>(module), 0);
    // A low-level hook is never loaded into other processes, so its module
    // only names it. Some systems refuse a module whose path is MAX_PATH or
    // longer (Wine does); newer ones take none at all, older ones need it.
    if (!g_hLowLevelHook)
        g_hLowLevelHook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, nullptr, 0);
    SetEvent(g_hHookReady);
    if (!g_hLowLevelHook)
        return 1;
    // The hook procedure is called from inside GetMessage; nothing here has a
    // window, so there is nothing to dispatch.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    }
    UnhookWindowsHookEx(g_hLowLevelHook);
    if (g_bParkOnQuit)
        Park();
    return 0;
}

void CloseHookThread()
{
    CloseHandle(g_hHookThread);
    g_hHookThread = nullptr;
    g_dwHookThreadId = 0;
    g_hLowLevelHook = nullptr;
}

HANDLE NewEvent()
{
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void StartHookThread(HINSTANCE module)
{
    if (g_hHookThread)
        return; // one hook per process
    if (!g_hHookReady)
        g_hHookReady = NewEvent();
    if (!g_hHookParked)
        g_hHookParked = NewEvent();
    if (!g_hNeverSet)
        g_hNeverSet = NewEvent();
    if (!g_hHookReady || !g_hHookParked || !g_hNeverSet)
        return;
    if (!g_pSignalObjectAndWait) // not in every system's kernel32
        g_pSignalObjectAndWait = reinterpret_cast<TSignalAndWait>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SignalObjectAndWait")));
    ResetEvent(g_hHookReady);
    g_bParkOnQuit = 0;
    g_hHookThread = CreateThread(nullptr, 0, HookThreadProc, module, 0, &g_dwHookThreadId);
    if (!g_hHookThread)
        return;
    // Either the thread says how the installation went, or it has ended.
    HANDLE waits[2] = {g_hHookReady, g_hHookThread};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (!g_hLowLevelHook) {
        WaitForSingleObject(g_hHookThread, kThreadStopBoundMs);
        CloseHookThread();
    }
}

// HookEnd's way: the thread unhooks and ends by itself.
void StopHookThread()
{
    if (!g_hHookThread)
        return;
    PostThreadMessageA(g_dwHookThreadId, WM_QUIT, 0, 0);
    if (WaitForSingleObject(g_hHookThread, kThreadStopBoundMs) == WAIT_OBJECT_0)
        CloseHookThread();
    // Otherwise it is stuck; the library's release deals with it.
}

// The library is being freed while its thread runs, under the loader lock: a
// thread cannot end under it (ending takes that lock), and once this returns
// the code the thread would come back to is gone. So the thread unhooks and
// parks in a system wait that it never leaves, and is ended there, where it
// holds nothing.
void AbandonHookThread()
{
    if (!g_hHookThread)
        return;
    InterlockedExchange(&g_bParkOnQuit, 1);
    PostThreadMessageA(g_dwHookThreadId, WM_QUIT, 0, 0);
    HANDLE waits[2] = {g_hHookParked, g_hHookThread};
    const DWORD result = WaitForMultipleObjects(2, waits, FALSE, kThreadStopBoundMs);
    if (result != WAIT_OBJECT_0 + 1) {
        // Parked, or stuck (then most likely waiting for the loader lock):
        // either way it must not run again. A thread ended from outside takes
        // no lock on its way out, so waiting for it here is safe.
        if (result != WAIT_OBJECT_0 && g_hLowLevelHook)
            UnhookWindowsHookEx(g_hLowLevelHook);
        TerminateThread(g_hHookThread, 0);
        WaitForSingleObject(g_hHookThread, kThreadStopBoundMs);
    }
    CloseHookThread();
}

bool ProcessLives(DWORD id)
{
    if (id == 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (!process)
        return false;
    const bool lives = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return lives;
}

void InstallMessageHook(HINSTANCE module)
{
    if (g_bOwnsMessageHook)
        return;
    // A handle whose owner still runs is that instance's live hook. One whose
    // owner is gone is left over from a crash; the system does not always
    // take such a hook away with its process, and its procedure (this
    // library, still mapped elsewhere) would post every notch a second time,
    // so it is replaced.
    if (g_hMessageHook) {
        if (ProcessLives(g_dwMessageHookOwner))
            return;
        UnhookWindowsHookEx(g_hMessageHook);
        g_hMessageHook = nullptr;
    }
    // Wheel drivers for systems without WM_MOUSEWHEEL post their own
    // registered message instead. Where the system knows of the wheel it
    // sends WM_MOUSEWHEEL, and counting the driver's message as well would
    // count each notch twice.
    g_uDriverWheelMessage = GetSystemMetrics(SM_MOUSEWHEELPRESENT) ? 0 : RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    g_hSharedTarget = g_hTarget;
    g_hMessageHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageProc, module, 0);
    g_bOwnsMessageHook = g_hMessageHook != nullptr;
    g_dwMessageHookOwner = g_bOwnsMessageHook ? GetCurrentProcessId() : 0;
}

void RemoveMessageHook()
{
    if (!g_bOwnsMessageHook)
        return;
    UnhookWindowsHookEx(g_hMessageHook);
    g_hMessageHook = nullptr;
    g_dwMessageHookOwner = 0;
    g_hSharedTarget = nullptr;
    g_bOwnsMessageHook = false;
}

} // namespace

extern "C" void SetHWND(HWND hwnd, HINSTANCE hinst)
{
    g_hTarget = hwnd;
    g_hGivenModule = hinst;
    if (g_bOwnsMessageHook)
        g_hSharedTarget = hwnd;
}

extern "C" void HookStart(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return;
    HINSTANCE module = g_hGivenModule ? g_hGivenModule : g_hSelf;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        StartHookThread(module);
    else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        InstallMessageHook(module); // no low-level hooks there
}

extern "C" void HookEnd(void)
{
    StopHookThread();
    RemoveMessageHook();
}

BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hSelf = hinst;
        DisableThreadLibraryCalls(hinst);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Freed without HookEnd: neither the system nor the hook thread may
        // go on calling into code that is about to be unmapped. (At process
        // exit the system has ended the threads and removes the hooks
        // itself.)
        AbandonHookThread();
        RemoveMessageHook();
        HANDLE* events[] = {&g_hHookReady, &g_hHookParked, &g_hNeverSet};
        for (HANDLE* e : events)
            if (*e) {
                CloseHandle(*e);
                *e = nullptr;
            }
    }
    return TRUE;
}
