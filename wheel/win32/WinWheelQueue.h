#pragma once
#include "wheel/WheelQueue.h"

class TWinWheelQueue : public IWheelQueue {
public:
    bool TakeNext(THandle wnd, uint32_t& wParam) override;
};
