#include "wheel/WheelDecision.h"

bool PointInTaskbar(const TRect& r, TPoint p)
{
    return r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}

bool IsTaskbarClass(const std::string& className)
{
    return className == "Shell_TrayWnd" || className == "Shell_SecondaryTrayWnd";
}

int32_t WheelStep(int32_t volume)
{
    if (volume <= 20)
        return 1;
    if (volume <= 30)
        return 2;
    return 5;
}

int32_t TakeNotches(int32_t& remainder, int16_t delta)
{
    if (delta == 0)
        return 0;
    if ((delta < 0) != (remainder < 0))
        remainder = 0;
    remainder += delta;
    // Division truncates toward zero, so the rest keeps the sign of the run.
    const int32_t notches = remainder / kWheelDelta;
    remainder -= notches * kWheelDelta;
    return notches;
}

void ApplyNotches(TWheelState& s, int32_t notches)
{
    const bool down = notches < 0;
    const bool gesture = s.Modifier && s.CtrlKeyMute;
    for (int32_t left = down ? -notches : notches; left > 0; --left) {
        s.Acted = true;
        int32_t volume = s.Volume;
        const int32_t step = WheelStep(volume);
        bool writeMute = false;
        if (down) {
            if (!s.Muted) {
                if (gesture)
                    writeMute = true;
                else
                    volume -= step;
            }
        } else if (gesture) {
            writeMute = true; // unmute is written also when not muted
        } else if (!s.Muted) {
            volume += step;
        }
        if (writeMute) {
            s.WriteMute = true;
            s.MuteValue = down;
            if (s.MuteReadable)
                s.Muted = down;
        }
        if (volume >= 100)
            volume = 100;
        if (volume <= 0)
            volume = 0;
        s.Volume = volume;
    }
}
