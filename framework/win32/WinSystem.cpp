#include "framework/win32/WinSystem.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "framework/win32/WinApplication.h"

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

namespace {

// The small-icon size at a window's DPI, where the system can tell it
// (Windows 10 1607 and later): the calls are looked up, never linked, so
// that older systems still load the program.
int SmallIconSizeForWindow(HWND wnd)
{
    typedef UINT(WINAPI * TGetDpiForWindow)(HWND);
    typedef int(WINAPI * TGetSystemMetricsForDpi)(int, UINT);
    HMODULE user = GetModuleHandleA("user32.dll");
    if (!user || !wnd)
        return 0;
    auto dpiFor = reinterpret_cast<TGetDpiForWindow>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
    auto metricFor = reinterpret_cast<TGetSystemMetricsForDpi>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")));
    const UINT dpi = dpiFor && metricFor ? dpiFor(wnd) : 0;
    return dpi ? metricFor(SM_CXSMICON, dpi) : 0;
}

} // namespace

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
    const int size = SmallIconSizeForWindow(FindWindowA("Shell_TrayWnd", nullptr));
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
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
