// Wheel notifications from the hook library.
#include "app/PelmFormMain.h"

void TPelmFormMain::WMHookWheel(TMessage& message)
{
    const int16_t delta = static_cast<int16_t>(message.WParam >> 16);
    Label1->SetCaption(std::to_string(delta));
}
