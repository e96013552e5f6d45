#pragma once
#include "tray/ShellTray.h"

class TWinShellTray : public IShellTray {
public:
    bool NotifyIcon(uint32_t operation, const TNotifyIconData& data) override;
};
