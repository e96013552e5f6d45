#pragma once
// Wheel notifications from the hook library: over the taskbar or over a
// registered program's window they step the master volume, or with Ctrl or
// the middle button held mute and unmute it. Deltas count in notches of 120,
// fractions carried over; a burst that queued up meanwhile is handled as one,
// without what waited too long and up to a number of notches.
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/StringList.h"
#include "framework/System.h"
#include "volume/MasterVolume.h"
#include "wheel/ProgramName.h"
#include "wheel/WheelQueue.h"

class TWheelHandler {
public:
    // queue and windows may be absent: then each notification is handled
    // alone, and no window counts by its program or class.
    TWheelHandler(IWheelQueue* queue, ISystem& system, IWindowSystem* windows, const TStringList& programs,
                  TMasterVolume& volume)
        : m_queue(queue), m_system(system), m_windows(windows), m_programs(programs), m_volume(volume)
    {
    }

    // Told of each burst handled: the last delta it held (the settings
    // window's label shows it), and whether it wrote the volume or the mute.
    typedef std::function<void(int16_t lastDelta, bool acted)> TBurstReport;

    // One WM_HOOKWHEEL for the window wnd, with the mute gesture enabled or
    // not; true when any burst handled acted.
    bool Handle(THandle wnd, uint32_t wParam, bool ctrlKeyMute, const TBurstReport& report);

    // The wheel movement short of a notch, signed like the deltas it came
    // from; it waits for more of the same direction.
    int32_t m_nWheelRemainder = 0;
    // Set while a wheel burst is handled; notifications that a nested loop
    // delivers meanwhile wait in m_pendingWheel for the outer handler.
    bool m_bInWheel = false;
    struct TWheelNote {
        int16_t Delta;
        uint32_t Time; // when it was posted; 0 without a queue to ask
    };
    std::vector<TWheelNote> m_pendingWheel;

private:
    bool HandleBurst(THandle wnd, std::vector<TWheelNote> notes, bool ctrlKeyMute, const TBurstReport& report);
    // The notches of a burst that counts, on the master volume; true when
    // they wrote the volume or the mute.
    bool Apply(const std::vector<TWheelNote>& notes, bool ctrlKeyMute);

    IWheelQueue* m_queue;
    ISystem& m_system;
    IWindowSystem* m_windows;
    const TStringList& m_programs;
    TMasterVolume& m_volume;
};
