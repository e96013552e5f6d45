// The wheel hook library. The program gives it its main window (SetHWND) and
// starts the hook (HookStart); from then on every wheel notch, wherever the
// pointer is, is posted to that window as WM_HOOKWHEEL with the delta in the
// high word of wParam. The wheel message itself always goes on to the window
// it was meant for.
#include <windows.h>

// On the 9x family the hook procedure runs inside whichever process retrieves
// the wheel message, so the window to post to and the hook to chain to must
// be seen by every copy of the library: they live in a section that the .def
// file marks shared. Only initialised variables are placed there.
HWND g_hTarget __attribute__((section(".shared"), shared)) = nullptr;
HHOOK g_hMessageHook __attribute__((section(".shared"), shared)) = nullptr;
UINT g_uDriverWheelMessage __attribute__((section(".shared"), shared)) = 0;

namespace {

const UINT kWmHookWheel = WM_APP + 101;

// The low-level hook of the NT family is called in the installing thread
// only; its handle belongs to this process alone.
HHOOK g_hLowLevelHook = nullptr;
// True in the process that installed the 9x hook, not in those it was
// mapped into.
bool g_bOwnsMessageHook = false;
HINSTANCE g_hSelf = nullptr;
HINSTANCE g_hGivenModule = nullptr;

void PostWheel(short delta)
{
    HWND target = g_hTarget;
    if (target)
        PostMessageA(target, kWmHookWheel, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
}

// Nothing but post and pass on: Windows 7 and later silently remove a
// low-level hook whose procedure outlasts LowLevelHooksTimeout.
LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == WM_MOUSEWHEEL) {
        const MSLLHOOKSTRUCT* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        PostWheel(static_cast<short>(HIWORD(info->mouseData)));
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
            PostWheel(static_cast<short>(HIWORD(msg->wParam)));
        else if (g_uDriverWheelMessage && msg->message == g_uDriverWheelMessage)
            PostWheel(static_cast<short>(msg->wParam)); // the whole wParam is the delta
    }
    return CallNextHookEx(g_hMessageHook, code, wParam, lParam);
}

void InstallLowLevelHook(HINSTANCE module)
{
    if (!g_hLowLevelHook)
        g_hLowLevelHook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, module, 0);
}

void InstallMessageHook(HINSTANCE module)
{
    if (g_hMessageHook)
        return;
    // Wheel drivers for systems without WM_MOUSEWHEEL post their own
    // registered message instead. Where the system knows of the wheel it
    // sends WM_MOUSEWHEEL, and counting the driver's message as well would
    // count each notch twice.
    g_uDriverWheelMessage = GetSystemMetrics(SM_MOUSEWHEELPRESENT) ? 0 : RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    g_hMessageHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageProc, module, 0);
    g_bOwnsMessageHook = g_hMessageHook != nullptr;
}

void RemoveHooks()
{
    if (g_hLowLevelHook) {
        UnhookWindowsHookEx(g_hLowLevelHook);
        g_hLowLevelHook = nullptr;
    }
    if (g_bOwnsMessageHook) {
        UnhookWindowsHookEx(g_hMessageHook);
        g_hMessageHook = nullptr;
        g_bOwnsMessageHook = false;
    }
}

} // namespace

extern "C" void SetHWND(HWND hwnd, HINSTANCE hinst)
{
    g_hTarget = hwnd;
    g_hGivenModule = hinst;
}

extern "C" void HookStart(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return;
    HINSTANCE module = g_hGivenModule ? g_hGivenModule : g_hSelf;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        InstallLowLevelHook(module);
    else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        InstallMessageHook(module); // no low-level hooks there
}

extern "C" void HookEnd(void)
{
    RemoveHooks();
}

BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hSelf = hinst;
        DisableThreadLibraryCalls(hinst);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Freed without HookEnd: the system must not go on calling into
        // code that is about to be unmapped. (At process exit the system
        // removes the hooks itself.)
        RemoveHooks();
    }
    return TRUE;
}
