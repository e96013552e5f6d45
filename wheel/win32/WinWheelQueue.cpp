#include "wheel/win32/WinWheelQueue.h"

#include <windows.h>

namespace {
// Windows 98 and 2000 on take PM_QS_ flags; older systems know none.
bool PeekTakesQueueFlags()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExA(&v))
        return false;
    if (v.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return v.dwMajorVersion >= 5;
    return v.dwMajorVersion > 4 || (v.dwMajorVersion == 4 && v.dwMinorVersion >= 10);
}
} // namespace

bool TWinWheelQueue::TakeNext(THandle wnd, uint32_t& wParam, uint32_t& time)
{
    // Only posted notifications are taken; the other messages keep their
    // places in the queue. Posted messages only, too: a plain peek delivers
    // what other threads send (the shell's tray callbacks) in the middle of
    // the wheel handler. Where the flag is unknown the handler's own guard
    // holds the notifications that such a message lets in.
    static const UINT flags = PM_REMOVE | (PeekTakesQueueFlags() ? PM_QS_POSTMESSAGE : 0);
    MSG msg;
    if (!PeekMessageA(&msg, reinterpret_cast<HWND>(wnd), WM_HOOKWHEEL, WM_HOOKWHEEL, flags))
        return false;
    wParam = static_cast<uint32_t>(msg.wParam);
    time = static_cast<uint32_t>(msg.time);
    return true;
}

uint32_t TWinWheelQueue::MessageTime()
{
    return static_cast<uint32_t>(GetMessageTime());
}

uint32_t TWinWheelQueue::Now()
{
    return GetTickCount();
}
