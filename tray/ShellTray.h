#pragma once
// The notification area as the program uses it: add, modify, delete one icon.
#include <cstdint>

#include "framework/Types.h"

constexpr uint32_t kNimAdd = 0;
constexpr uint32_t kNimModify = 1;
constexpr uint32_t kNimDelete = 2;
constexpr uint32_t kNifMessage = 1, kNifIcon = 2, kNifTip = 4;
constexpr uint32_t ID_TRAYICON = 1006;

// The fields of the shell record that the program fills.
struct TNotifyIconData {
    THandle Wnd = 0;
    uint32_t Id = 0;
    uint32_t Flags = 0;
    uint32_t CallbackMessage = 0;
    THandle Icon = 0;
    char Tip[128] = {};
};

// The notification record as the running shell takes it, chosen from shell32's
// version (DllGetVersion; 0.0 where it has none, as shell 4.00): shells
// before 5.0 (Windows 95, 98, NT 4) know only the first record, 88 bytes with
// a 64-byte tooltip; from 5.0 on, the 488-byte one with the 128-byte tooltip.
struct TNotifyIconRecord {
    uint32_t Size;
    uint32_t TipBytes; // terminator included
};
TNotifyIconRecord NotifyIconRecordFor(uint32_t shellMajor, uint32_t shellMinor);

class IShellTray {
public:
    virtual ~IShellTray() = default;
    virtual bool NotifyIcon(uint32_t operation, const TNotifyIconData& data) = 0;
};
