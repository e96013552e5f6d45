#pragma once
#include "wheel/WheelQueue.h"

class TWinWheelQueue : public IWheelQueue {
public:
    bool TakeNext(THandle wnd, uint32_t& wParam, uint32_t& time) override;
    uint32_t MessageTime() override;
    uint32_t Now() override;
};
