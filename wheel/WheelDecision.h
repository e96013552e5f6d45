#pragma once
// What wheel notifications do to the master volume, given everything the
// handler gathered. Kept free of the platform so every row can be tested.
#include <cstdint>
#include <string>

#include "framework/Types.h"

// One notch of a classic wheel (WHEEL_DELTA). Finer devices report fractions
// of it, and fast ones several notches in one notification.
constexpr int32_t kWheelDelta = 120;
// After a stall of the program's thread (a hung shell, a slow mixer, a modal
// loop) the notifications of a whole stretch of scrolling elsewhere wait in
// its queue: those older than this are dropped, and one burst applies at
// most so many notches.
constexpr uint32_t kMaxWheelAgeMs = 2000;
constexpr int32_t kMaxBurstNotches = 10;

// Adds a notification's delta to the remainder carried from the earlier ones
// of the same direction (a reversal drops it first) and returns the whole
// notches completed, negative downward; what is short of a notch stays in
// remainder, signed like the deltas it came from. A delta of 0 changes nothing.
int32_t TakeNotches(int32_t& remainder, int16_t delta);

// The state the notches of one burst work on, in memory; each notch does
// what one notification of a single notch did, the state it leaves being
// what the next one would have read from the mixer.
struct TWheelState {
    int32_t Volume = 0;        // the cached percentage
    bool Muted = false;        // as the mixer reads ("not muted" when unreadable)
    bool MuteReadable = true;  // false: a write leaves the next read "not muted" too
    bool Modifier = false;     // Ctrl or the middle button held
    bool CtrlKeyMute = false;  // the mute gesture is enabled (the settings say)

    bool Acted = false;        // a notch was applied: write the volume, refresh the tray
    bool WriteMute = false;    // the mute switch was written, last with MuteValue
    bool MuteValue = false;
};

// Inclusive on every edge: a point on the right or bottom coordinate is inside.
bool PointInTaskbar(const TRect& r, TPoint p);
// The classes of the taskbar's top-level windows: the primary one, and the
// one Windows 8 and later show on every other monitor. The rectangle query
// knows only the primary, and may answer in other pixels than the pointer
// (a program the system scales for the display's DPI gets its pointer
// scaled, the taskbar's rectangle not); the window under the pointer is
// always found in the pointer's own pixels.
bool IsTaskbarClass(const std::string& className);
// 1 up to 20 %, 2 up to 30 %, 5 above.
int32_t WheelStep(int32_t volume);
// Applies notches (negative: down) one by one: a step from the level each
// one finds, or the mute gesture, and the clamp to 0..100 after each.
void ApplyNotches(TWheelState& state, int32_t notches);
