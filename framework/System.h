#pragma once
// User-interface services of the system that the handlers ask for: pointer,
// keys, double-click time, foreground, taskbar, owner-drawn icons.
#include <string>

#include "framework/Types.h"

class ISystem {
public:
    virtual ~ISystem() = default;
    virtual bool GetCursorPos(TPoint& pt) = 0;
    // GetAsyncKeyState: bit 15 set while the key is down now.
    virtual uint16_t GetAsyncKeyState(int vk) = 0;
    virtual uint32_t GetDoubleClickTime() = 0;
    virtual void SetForegroundWindow(THandle wnd) = 0;
    // SHAppBarMessage(ABM_GETTASKBARPOS) on a zero-filled record; the
    // rectangle stays all zero when the query fails.
    virtual void GetTaskbarRect(TRect& rect) = 0;
    // Draws the 16 x 16 icon named by the draw-item record's control id.
    virtual bool DrawItemIcon(uint32_t drawItemStruct) = 0;
    // Installs the named cursor resource as the no-drop cursor of every drag.
    virtual void SetNoDropCursor(const std::string& resourceName) = 0;
    // Re-asserts a window as top-most without moving, sizing or activating it.
    virtual void KeepTopMost(THandle wnd) = 0;
    // The message the shell broadcasts when its taskbar is (re)created; 0 if none.
    virtual uint32_t TaskbarCreatedMessage() = 0;
    // The size in pixels at which the notification area draws its icons
    // now: the small-icon size at the taskbar's DPI.
    virtual int TrayIconSize() = 0;
    // Lets msg reach wnd from processes of lower rights: an elevated program
    // otherwise never hears the shell's broadcasts (Vista and later; nothing
    // where the system has no such filter).
    virtual void AllowLowerMessage(THandle wnd, uint32_t msg) = 0;
};

constexpr int kVkControl = 0x11;
constexpr int kVkMButton = 0x04;
