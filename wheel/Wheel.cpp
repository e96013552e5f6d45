// Wheel notifications from the hook library: over the taskbar or over a
// registered program's window they step the master volume, or with Ctrl or
// the middle button held mute and unmute it. Deltas count in notches of 120,
// fractions carried over; a burst that queued up meanwhile is handled as one,
// without what waited too long and up to a number of notches.
#include <algorithm>
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
    IWheelQueue* queue = m_platform.WheelQueue;
    const TWheelNote note = {WheelDeltaOf(message.WParam), queue ? queue->MessageTime() : 0u};
    // A message delivered inside the handler (a tray callback the shell sends
    // while it is asked for the taskbar or the icon) can run a nested loop,
    // the menu's or the dialog's, which hands later notifications here: they
    // wait, so that the outer burst's state is never changed under it.
    if (m_bInWheel) {
        m_pendingWheel.push_back(note);
        return;
    }
    struct TInWheel {
        bool& flag;
        explicit TInWheel(bool& f) : flag(f) { flag = true; }
        ~TInWheel() { flag = false; }
    } inWheel(m_bInWheel);
    std::vector<TWheelNote> notes(1, note);
    for (;;) {
        HandleWheelBurst(std::move(notes));
        if (m_pendingWheel.empty())
            break;
        notes.swap(m_pendingWheel);
        m_pendingWheel.clear();
    }
}

void TPelmFormMain::HandleWheelBurst(std::vector<TWheelNote> notes)
{
    // The queue is emptied before any state is read, so that the burst is
    // handled as one.
    IWheelQueue* queue = m_platform.WheelQueue;
    if (queue) {
        uint32_t wParam = 0, time = 0;
        while (queue->TakeNext(Handle(), wParam, time))
            notes.push_back({WheelDeltaOf(wParam), time});
    }
    const int16_t lastDelta = notes.back().Delta;
    // What waited past the bound was meant for whatever was under the
    // pointer then, not for the volume now; a notch is not completed
    // across what was dropped.
    if (queue) {
        const uint32_t now = queue->Now();
        const size_t before = notes.size();
        notes.erase(std::remove_if(notes.begin(), notes.end(),
                                   [now](const TWheelNote& n) {
                                       return static_cast<int32_t>(now - n.Time) > static_cast<int32_t>(kMaxWheelAgeMs);
                                   }),
                    notes.end());
        if (notes.size() != before)
            m_nWheelRemainder = 0;
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

    Label1->SetCaption(std::to_string(lastDelta));
    const bool overTaskbar = havePointer && (PointInTaskbar(taskbar, pt) || overTaskbarWindow);
    if (notes.empty())
        return;
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
    int32_t budget = kMaxBurstNotches;
    for (const TWheelNote& n : notes) {
        int32_t notches = TakeNotches(m_nWheelRemainder, n.Delta);
        if (notches == 0)
            continue;
        if (budget == 0) {
            m_nWheelRemainder = 0; // the rest of the burst is dropped
            break;
        }
        if (notches > budget || -notches > budget)
            notches = notches > 0 ? budget : -budget;
        budget -= notches > 0 ? notches : -notches;
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
