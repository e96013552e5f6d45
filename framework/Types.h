#pragma once
// Basic types shared by the portable logic and the Win32 layer. Handles are
// carried as integers so the logic compiles on any host.
#include <cstdint>
#include <functional>

#include "framework/HookMessage.h"

typedef uintptr_t THandle;

// A window message as the handlers see it: id, wParam, lParam and the result
// that goes back to the sender, each 32 bits.
struct TMessage {
    uint32_t Msg;
    uint32_t WParam;
    uint32_t LParam;
    uint32_t Result;
};

class TComponent;
typedef std::function<void(TComponent* sender)> TNotifyEvent;

// Window messages the program routes (values as the system defines them;
// named apart from <windows.h>'s macros so both can be included).
constexpr uint32_t kWmQueryEndSession = 0x0011;
constexpr uint32_t kWmEndSession = 0x0016;
constexpr uint32_t kWmSettingChange = 0x001A;
constexpr uint32_t kWmDrawItem = 0x002B;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmLButtonDblClk = 0x0203;
constexpr uint32_t kWmRButtonUp = 0x0205;
constexpr uint32_t kWmDpiChanged = 0x02E0; // Windows 8.1 and later, to per-monitor aware windows
constexpr uint32_t WM_TRAYNOTIFY = 0x8064; // WM_APP + 100, sent by the shell for the tray icon
// WM_HOOKWHEEL, WM_APP + 101, is the hook library's: framework/HookMessage.h.

struct TPoint {
    int32_t x, y;
};

struct TRect {
    int32_t left, top, right, bottom;
};
