#pragma once
#include "framework/System.h"

class TWinSystem : public ISystem {
public:
    bool GetCursorPos(TPoint& pt) override;
    uint16_t GetAsyncKeyState(int vk) override;
    uint32_t GetDoubleClickTime() override;
    void SetForegroundWindow(THandle wnd) override;
    void GetTaskbarRect(TRect& rect) override;
    bool DrawItemIcon(uint32_t drawItemStruct) override;
    uint32_t TaskbarCreatedMessage() override;
    int TrayIconSize() override;
    void AllowLowerMessage(THandle wnd, uint32_t msg) override;
    void SetNoDropCursor(const std::string& resourceName) override;
    void KeepTopMost(THandle wnd) override;
};
