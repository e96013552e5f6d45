#pragma once
// The window system as user32 and the process-status functions see it.
#include "wheel/ProgramName.h"

class TWinWindowSystem : public IWindowSystem {
public:
    TWnd WindowFromPoint(TPoint pt) override;
    TWnd GetParent(TWnd w) override;
    // The NT family through PSAPI.DLL, the 9x family through the tool-help
    // functions of kernel32; both are bound by name at run time, since
    // neither exists on every system the program runs on.
    bool GetProcessImageName(TWnd w, std::string& path) override;
    std::string WindowClassName(TWnd w) override;
};
