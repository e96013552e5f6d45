// The wheel hook library. The program gives it its main window (SetHWND) and
// starts the hook (HookStart); from then on every wheel notch, wherever the
// pointer is, is posted to that window as WM_HOOKWHEEL with the delta in the
// high word of wParam. The wheel message itself always goes on to the window
// it was meant for.
#include <windows.h>

#include "HookRenewal.h"
#include "framework/HookMessage.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinHandles.h"

static_assert(WM_HOOKWHEEL == WM_APP + 101, "the program's window is told by WM_APP + 101");

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

// How long HookEnd waits for the hook thread. Only a thread that is stuck
// comes near it.
const DWORD kThreadStopBoundMs = 10000;
// How often the hook thread puts a fresh low-level hook in place of its own.
// Windows 7 and later silently remove a low-level hook whose procedure once
// outlasts LowLevelHooksTimeout, and nothing tells when: on a starved
// machine, while pages are read back after resume, under a debugger.
const UINT kHookRenewalMs = 5000;

// This process's window to post to (the NT family's low-level hook reads it
// on its own thread).
HWND volatile g_hTarget = nullptr;
HINSTANCE g_hSelf = nullptr;
HINSTANCE g_hGivenModule = nullptr;

// The low-level hook of the NT family lives on a thread of its own: the
// system calls a low-level hook on the thread that installed it and holds the
// whole system's mouse input until it returns, so it must not wait behind the
// program's user-interface thread (mixer calls, message boxes, the shell).
HANDLE g_hHookThread = nullptr;
// The thread whose hook posts. A thread HookEnd stopped waiting for passes
// events on without posting until it gets to its WM_QUIT and ends.
DWORD volatile g_dwHookThreadId = 0;

// True in the process that installed the 9x hook, not in those it was
// mapped into.
bool g_bOwnsMessageHook = false;

void Post(HWND target, short delta)
{
    if (target)
        PostMessageA(target, WM_HOOKWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
}

// Nothing but post and pass on, so as never to come near LowLevelHooksTimeout.
LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL && GetCurrentThreadId() == g_dwHookThreadId) {
        const MSLLHOOKSTRUCT* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        Post(g_hTarget, static_cast<short>(HIWORD(info->mouseData)));
    }
    // The NT family, the only one with low-level hooks, ignores the handle.
    return CallNextHookEx(nullptr, code, wParam, lParam);
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

HHOOK InstallLowLevelHook(HINSTANCE module)
{
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, module, 0);
    // A low-level hook is never loaded into other processes, so its module
    // only names it. Some systems refuse a module whose path is MAX_PATH or
    // longer (Wine does); newer ones take none at all, older ones need it.
    if (!hook)
        hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, nullptr, 0);
    return hook;
}

void RemoveHook(HHOOK hook)
{
    UnhookWindowsHookEx(hook);
}

// What HookStart hands the hook thread; it is HookStart's, and gone once
// Ready is set.
struct THookThreadStart {
    HINSTANCE Module;
    HANDLE Ready;
    bool Hooked;
};

DWORD WINAPI HookThreadProc(LPVOID param)
{
    THookThreadStart& start = *static_cast<THookThreadStart*>(param);
    const HINSTANCE module = start.Module;
    MSG msg;
    // The queue exists before HookStart returns, so a WM_QUIT that HookEnd
    // posts right after is not lost.
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // Served ahead of every thread of normal priority however busy the
    // machine is; it only ever posts and passes on.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    HHOOK hook = InstallLowLevelHook(module);
    start.Hooked = hook != nullptr;
    SetEvent(start.Ready);
    if (hook) {
        // The hook procedure is called from inside GetMessage; nothing here
        // has a window, so there is nothing to dispatch. The hook is renewed
        // on this thread, between two calls of its procedure.
        const UINT_PTR timer = SetTimer(nullptr, 0, kHookRenewalMs, nullptr);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && !msg.hwnd)
                hook = RenewHook(hook, [module] { return InstallLowLevelHook(module); }, RemoveHook);
        }
        if (timer)
            KillTimer(nullptr, timer);
        RemoveHook(hook);
    }
    // Gives up the reference HookStart took for this thread; the library
    // stays mapped until the thread is out of its code.
    FreeLibraryAndExitThread(g_hSelf, 0);
    return 0;
}

// A reference on this library for the hook thread, which gives it up as it
// ends. Freed without HookEnd, the library then stays mapped, its hook live,
// until the process ends, rather than being unmapped under a thread that
// runs its code.
bool HoldSelf()
{
    // Bound at run time, as every wide call: the 9x loader would refuse the
    // library for an import its kernel does not export. This runs on the NT
    // family only; GetModuleHandleExW is there from Windows XP on.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto getModuleHandleEx = ProcFrom<BOOL(WINAPI*)(DWORD, LPCWSTR, HMODULE*)>(kernel, "GetModuleHandleExW");
    if (getModuleHandleEx) {
        HMODULE self = nullptr;
        return getModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&g_hSelf),
                                 &self) != FALSE;
    }
    // Before it, loading the library by its own path counts one reference
    // more. Those systems load nothing from a path of MAX_PATH or more.
    const auto getModuleFileName = ProcFrom<decltype(&::GetModuleFileNameW)>(kernel, "GetModuleFileNameW");
    const auto loadLibrary = ProcFrom<decltype(&::LoadLibraryW)>(kernel, "LoadLibraryW");
    if (!getModuleFileName || !loadLibrary)
        return false;
    wchar_t path[MAX_PATH];
    const DWORD length = getModuleFileName(g_hSelf, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    TScopedLibrary loaded(loadLibrary(path));
    if (loaded.Get() != g_hSelf)
        return false;
    loaded.Detach(); // the thread's reference, given up as it ends
    return true;
}

void StartHookThread(HINSTANCE module)
{
    if (g_hHookThread)
        return; // one hook per process
    if (!HoldSelf())
        return;
    TScopedHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    THookThreadStart start = {module, ready.Get(), false};
    DWORD id = 0;
    // Suspended until its id is known, so that its hook posts from the first event.
    TScopedHandle thread(ready ? CreateThread(nullptr, 0, HookThreadProc, &start, CREATE_SUSPENDED, &id) : nullptr);
    if (!thread) {
        FreeLibrary(g_hSelf); // the reference HoldSelf took for the thread
        return;
    }
    g_dwHookThreadId = id;
    ResumeThread(thread.Get());
    // Either the thread says how the installation went, or it has ended.
    HANDLE waits[2] = {ready.Get(), thread.Get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (start.Hooked) {
        g_hHookThread = thread.Detach();
        return;
    }
    // Nothing hooked: the thread ends by itself, its reference with it.
    g_dwHookThreadId = 0;
}

// The thread unhooks and ends by itself. One that does not end within the
// bound is stuck somewhere: it is let go, posts nothing more, and ends once it
// gets to its WM_QUIT; the next HookStart starts a thread of its own.
void StopHookThread()
{
    if (!g_hHookThread)
        return;
    const DWORD id = g_dwHookThreadId;
    g_dwHookThreadId = 0;
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    WaitForSingleObject(g_hHookThread, kThreadStopBoundMs);
    CloseHandle(g_hHookThread);
    g_hHookThread = nullptr;
}

bool ProcessLives(DWORD id)
{
    if (id == 0)
        return false;
    const TScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id));
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
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
        // Freed without HookEnd. On the NT family nothing is left to do: a
        // running hook thread holds its own reference, so the library is
        // only freed once the thread is gone. On the 9x family the system
        // would go on calling the message hook's procedure in this process's
        // copy, which is about to be unmapped.
        RemoveMessageHook();
    }
    return TRUE;
}
