#include "tray/win32/WinShellTray.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "framework/win32/WinBound.h"

namespace {
// The ANSI record with the 128-byte tooltip and the balloon fields is the
// largest the program sends; the headers' own structure has grown since, so
// the size is always given explicitly (NotifyIconRecordFor).
static_assert(sizeof(NOTIFYICONDATAA) >= 488, "record too small");

// Asked once: the shell's version does not change while the program runs.
TNotifyIconRecord RunningShellRecord()
{
    static const TNotifyIconRecord record = [] {
        DLLVERSIONINFO info = {};
        info.cbSize = sizeof info;
        const auto getVersion = Bound().DllGetVersion;
        if (!getVersion || FAILED(getVersion(&info)))
            return NotifyIconRecordFor(0, 0);
        return NotifyIconRecordFor(info.dwMajorVersion, info.dwMinorVersion);
    }();
    return record;
}
} // namespace

bool TWinShellTray::NotifyIcon(uint32_t operation, const TNotifyIconData& data)
{
    NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    const TNotifyIconRecord record = RunningShellRecord();
    nid.cbSize = record.Size;
    nid.hWnd = reinterpret_cast<HWND>(data.Wnd);
    nid.uID = data.Id;
    nid.uFlags = data.Flags;
    nid.uCallbackMessage = data.CallbackMessage;
    nid.hIcon = reinterpret_cast<HICON>(data.Icon);
    static_assert(sizeof(nid.szTip) == sizeof(data.Tip), "tooltip sizes");
    std::memcpy(nid.szTip, data.Tip, sizeof nid.szTip);
    // The shell reads no further than its record's tooltip: terminated there.
    nid.szTip[record.TipBytes - 1] = '\0';
    return Shell_NotifyIconA(operation, &nid) != FALSE;
}
