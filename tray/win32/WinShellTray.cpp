#include "tray/win32/WinShellTray.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {
// The ANSI record with the 128-byte tooltip and the balloon fields. The
// headers' own structure has grown since; the size is given explicitly so
// every shell from that version on accepts it.
constexpr DWORD kNotifyIconDataSize = 488;
static_assert(sizeof(NOTIFYICONDATAA) >= kNotifyIconDataSize, "record too small");
} // namespace

bool TWinShellTray::NotifyIcon(uint32_t operation, const TNotifyIconData& data)
{
    NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = kNotifyIconDataSize;
    nid.hWnd = reinterpret_cast<HWND>(data.Wnd);
    nid.uID = data.Id;
    nid.uFlags = data.Flags;
    nid.uCallbackMessage = data.CallbackMessage;
    nid.hIcon = reinterpret_cast<HICON>(data.Icon);
    static_assert(sizeof(nid.szTip) == sizeof(data.Tip), "tooltip sizes");
    std::memcpy(nid.szTip, data.Tip, sizeof nid.szTip);
    return Shell_NotifyIconA(operation, &nid) != FALSE;
}
