// Wheel notifications from the hook library: over the taskbar or over a
// registered program's window they step the master volume, or with Ctrl or
// the middle button held mute and unmute it. Deltas count in notches of 120,
// fractions carried over; a burst that queued up meanwhile is handled as one.
#include <vector>

#include "app/PelmFormMain.h"
#include "framework/System.h"
#include "tray/ShellTray.h"
#include "wheel/ProgramName.h"
#include "wheel/WheelDecision.h"
#include "wheel/WheelQueue.h"

namespace {
int16_t WheelDeltaOf(uint32_t wParam)
{
    return static_cast<int16_t>(wParam >> 16);
}
} // namespace

void TPelmFormMain::WMHookWheel(TMessage& message)
{
    // The queue is emptied before any state is read: a message another thread
    // sends is delivered inside the peek, and so comes before the burst.
    std::vector<int16_t> deltas(1, WheelDeltaOf(message.WParam));
    if (m_platform.WheelQueue) {
        uint32_t wParam = 0;
        while (m_platform.WheelQueue->TakeNext(Handle(), wParam))
            deltas.push_back(WheelDeltaOf(wParam));
    }

    // The pointer, the taskbar and the program under the pointer are asked
    // once for the whole burst: handled one by one, the notifications would
    // have been asked them within moments of each other.
    ISystem& system = *m_platform.System;
    TRect taskbar = {0, 0, 0, 0};
    system.GetTaskbarRect(taskbar);
    // Without a pointer position there is nothing to place the notch on: the
    // point (0, 0) would sit on a taskbar at the top or left of the screen.
    TPoint pt = {0, 0};
    const bool havePointer = system.GetCursorPos(pt);

    bool registered = false;
    bool overTaskbarWindow = false;
    if (havePointer && m_platform.Windows) {
        IWindowSystem& windows = *m_platform.Windows;
        const TWnd top = TopLevelWindowAt(windows, pt);
        if (top) {
            overTaskbarWindow = IsTaskbarClass(windows.WindowClassName(top));
            std::string name;
            if (GetProgramNameOfWindow(windows, top, name) && g_StoredProgramList)
                registered = g_StoredProgramList->IndexOf(name) >= 0;
        }
    }

    Label1->SetCaption(std::to_string(deltas.back()));
    const bool overTaskbar = havePointer && (PointInTaskbar(taskbar, pt) || overTaskbarWindow);
    if (!overTaskbar && !registered) {
        // Movement that was not for us does not complete a notch later.
        m_nWheelRemainder = 0;
        return;
    }

    // The mute state and the keys are read once, at the first notch. The keys
    // are sampled when a notification is handled, never when the wheel
    // turned, so one-by-one handling of the same burst would have sampled
    // them at (nearly) the same moment: one sample gives what that gives
    // whenever the keys do not change while the burst is handled.
    TWheelState state;
    bool gathered = false;
    for (int16_t delta : deltas) {
        const int32_t notches = TakeNotches(m_nWheelRemainder, delta);
        if (notches == 0)
            continue;
        if (!gathered) {
            gathered = true;
            // A device without a readable mute switch counts as not muted,
            // so it can still be stepped.
            bool muted = false;
            state.MuteReadable = GetMute(muted);
            state.Muted = state.MuteReadable && muted;
            state.Volume = m_nVolume;
            state.CtrlKeyMute = m_bCtrlKeyMute;
            state.Modifier = (system.GetAsyncKeyState(kVkControl) & 0x8000) != 0 ||
                             (system.GetAsyncKeyState(kVkMButton) & 0x8000) != 0;
        }
        ApplyNotches(state, notches);
    }
    if (!state.Acted)
        return;

    // Only the last mute write and the last level matter to the mixer.
    if (state.WriteMute)
        SetMute(state.MuteValue);
    m_nVolume = state.Volume;
    SetVolume(m_nVolume);
    m_strTipText = VolumeTipText();
    NotifyTray(kNimModify);
}
