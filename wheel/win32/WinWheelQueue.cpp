#include "wheel/win32/WinWheelQueue.h"

#include <windows.h>

bool TWinWheelQueue::TakeNext(THandle wnd, uint32_t& wParam)
{
    // Only posted notifications are taken; the other messages keep their
    // places in the queue. (Messages sent from other threads are delivered
    // inside this call, as in any PeekMessage.)
    MSG msg;
    if (!PeekMessageA(&msg, reinterpret_cast<HWND>(wnd), WM_HOOKWHEEL, WM_HOOKWHEEL, PM_REMOVE))
        return false;
    wParam = static_cast<uint32_t>(msg.wParam);
    return true;
}
