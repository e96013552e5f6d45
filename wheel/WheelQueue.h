#pragma once
// The wheel notifications still waiting in a window's message queue. A fast
// wheel posts them faster than one notification's mixer write and tray
// refresh take, so the handler takes what waits and handles it as one.
#include <cstdint>

#include "framework/Types.h"

class IWheelQueue {
public:
    virtual ~IWheelQueue() = default;
    // Removes the oldest WM_HOOKWHEEL waiting for wnd and gives its wParam
    // and the time it was posted (system milliseconds); false when none
    // waits. No message sent from another thread is delivered meanwhile
    // where the system can hold them back.
    virtual bool TakeNext(THandle wnd, uint32_t& wParam, uint32_t& time) = 0;
    // The time the message being handled was posted, and the time now, in
    // the same milliseconds (they wrap after 49.7 days).
    virtual uint32_t MessageTime() = 0;
    virtual uint32_t Now() = 0;
};
