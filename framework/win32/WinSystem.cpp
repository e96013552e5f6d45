#include "framework/win32/WinSystem.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "framework/win32/WinApplication.h"
#include "framework/win32/WinBound.h"

bool TWinSystem::GetCursorPos(TPoint& pt)
{
    POINT p;
    if (!::GetCursorPos(&p))
        return false;
    pt.x = p.x;
    pt.y = p.y;
    return true;
}

uint16_t TWinSystem::GetAsyncKeyState(int vk)
{
    return static_cast<uint16_t>(::GetAsyncKeyState(vk));
}

uint32_t TWinSystem::GetDoubleClickTime()
{
    return ::GetDoubleClickTime();
}

void TWinSystem::SetForegroundWindow(THandle wnd)
{
    ::SetForegroundWindow(reinterpret_cast<HWND>(wnd));
}

void TWinSystem::GetTaskbarRect(TRect& rect)
{
    APPBARDATA abd;
    std::memset(&abd, 0, sizeof abd);
    abd.cbSize = 36; // the record as every shell version knows it
    SHAppBarMessage(ABM_GETTASKBARPOS, &abd);
    rect.left = abd.rc.left;
    rect.top = abd.rc.top;
    rect.right = abd.rc.right;
    rect.bottom = abd.rc.bottom;
}

bool TWinSystem::DrawItemIcon(uint32_t drawItemStruct)
{
    const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(static_cast<uintptr_t>(drawItemStruct));
    if (!dis)
        return false;
    HICON icon = static_cast<HICON>(LoadImageA(g_hInstance, MAKEINTRESOURCEA(LOWORD(dis->CtlID)), IMAGE_ICON, 16,
                                               16, LR_DEFAULTCOLOR));
    if (!icon)
        return false;
    DrawIconEx(dis->hDC, dis->rcItem.left, dis->rcItem.top, icon, 16, 16, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
    return true;
}

uint32_t TWinSystem::TaskbarCreatedMessage()
{
    return RegisterWindowMessageA("TaskbarCreated");
}

int TWinSystem::TrayIconSize()
{
    // The 9x family keeps the 16-colour picture it has always shown, scaled
    // by its shell.
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return 32;
    // The notification area lies on the primary taskbar, which draws at its
    // own monitor's DPI whatever this program's awareness.
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    const TWinBound& bound = Bound();
    const UINT dpi = tray && bound.GetDpiForWindow && bound.GetSystemMetricsForDpi ? bound.GetDpiForWindow(tray) : 0;
    const int size = dpi ? bound.GetSystemMetricsForDpi(SM_CXSMICON, dpi) : 0;
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
}

void TWinSystem::AllowLowerMessage(THandle wnd, uint32_t msg)
{
    // Windows 7 has the per-window call, Vista only the per-process one,
    // and earlier systems no filter at all.
    const DWORD kAllow = 1, kAdd = 1; // MSGFLT_ALLOW, MSGFLT_ADD
    if (Bound().ChangeWindowMessageFilterEx)
        Bound().ChangeWindowMessageFilterEx(reinterpret_cast<HWND>(wnd), msg, kAllow, nullptr);
    else if (Bound().ChangeWindowMessageFilter)
        Bound().ChangeWindowMessageFilter(msg, kAdd);
}

void TWinSystem::SetNoDropCursor(const std::string& resourceName)
{
    HCURSOR cursor = LoadCursorA(g_hInstance, resourceName.c_str());
    if (cursor)
        g_hNoDropCursor = cursor; // kept for the life of the program
}

void TWinSystem::KeepTopMost(THandle wnd)
{
    SetWindowPos(reinterpret_cast<HWND>(wnd), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}
