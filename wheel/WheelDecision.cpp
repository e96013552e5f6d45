#include "wheel/WheelDecision.h"

bool PointInTaskbar(const TRect& r, TPoint p)
{
    return r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}

bool IsSecondaryTaskbarClass(const std::string& className)
{
    return className == "Shell_SecondaryTrayWnd";
}

int32_t WheelStep(int32_t volume)
{
    if (volume <= 20)
        return 1;
    if (volume <= 30)
        return 2;
    return 5;
}

bool WheelIsDown(int16_t delta)
{
    return delta <= -10;
}

TWheelEffect DecideWheel(const TWheelInput& in)
{
    TWheelEffect out;
    if ((!in.OverTaskbar && !in.Registered) || in.Delta == 0)
        return out;
    out.Acted = true;
    int32_t volume = in.Volume;
    const int32_t step = WheelStep(in.Volume);
    const bool gesture = in.Modifier && in.CtrlKeyMute;
    if (WheelIsDown(in.Delta)) {
        if (!in.Muted) {
            if (gesture) {
                out.WriteMute = true;
                out.MuteValue = true;
            } else {
                volume -= step;
            }
        }
    } else {
        if (gesture) {
            // Written also when not muted.
            out.WriteMute = true;
            out.MuteValue = false;
        } else if (!in.Muted) {
            volume += step;
        }
    }
    if (volume >= 100)
        volume = 100;
    if (volume <= 0)
        volume = 0;
    out.Volume = volume;
    return out;
}
