#pragma once
// What one wheel notification does to the master volume, given everything the
// handler gathered. Kept free of the platform so every row can be tested.
#include <cstdint>
#include <string>

#include "framework/Types.h"

struct TWheelInput {
    int16_t Delta = 0;
    bool OverTaskbar = false;
    bool Registered = false;
    int32_t Volume = 0;      // the cached percentage before this notification
    bool Muted = false;      // as read from the mixer ("not muted" when unreadable)
    bool Modifier = false;   // Ctrl or the middle button held now
    bool CtrlKeyMute = true; // the mute gesture is enabled
};

struct TWheelEffect {
    bool Acted = false;    // false: the notification is not for us (or delta 0)
    int32_t Volume = 0;    // the clamped percentage to write
    bool WriteMute = false;
    bool MuteValue = false;
};

// Inclusive on every edge: a point on the right or bottom coordinate is inside.
bool PointInTaskbar(const TRect& r, TPoint p);
// The class of the taskbar that Windows 8 and later show on every monitor
// besides the primary one; the taskbar rectangle query knows only the primary.
bool IsSecondaryTaskbarClass(const std::string& className);
// 1 up to 20 %, 2 up to 30 %, 5 above.
int32_t WheelStep(int32_t volume);
// Down means a delta of -10 or less; every other non-zero delta is up.
bool WheelIsDown(int16_t delta);
TWheelEffect DecideWheel(const TWheelInput& in);
