#pragma once
// The wheel notifications still waiting in a window's message queue. A fast
// wheel posts them faster than one notification's mixer write and tray
// refresh take, so the handler takes what waits and handles it as one.
#include <cstdint>

#include "framework/Types.h"

class IWheelQueue {
public:
    virtual ~IWheelQueue() = default;
    // Removes the oldest WM_HOOKWHEEL waiting for wnd and gives its wParam;
    // false when none waits.
    virtual bool TakeNext(THandle wnd, uint32_t& wParam) = 0;
};
