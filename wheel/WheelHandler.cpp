#include "wheel/WheelHandler.h"

#include <algorithm>

#include "wheel/WheelDecision.h"

namespace {
int16_t WheelDeltaOf(uint32_t wParam)
{
    return static_cast<int16_t>(wParam >> 16);
}
} // namespace

bool TWheelHandler::Handle(THandle wnd, uint32_t wParam, bool ctrlKeyMute, const TBurstReport& report)
{
    const TWheelNote note = {WheelDeltaOf(wParam), m_queue ? m_queue->MessageTime() : 0u};
    // A message delivered inside the handler (a tray callback the shell sends
    // while it is asked for the taskbar or the icon) can run a nested loop,
    // the menu's or the dialog's, which hands later notifications here: they
    // wait, so that the outer burst's state is never changed under it.
    if (m_bInWheel) {
        m_pendingWheel.push_back(note);
        return false;
    }
    struct TInWheel {
        bool& flag;
        explicit TInWheel(bool& f) : flag(f) { flag = true; }
        ~TInWheel() { flag = false; }
    } inWheel(m_bInWheel);
    std::vector<TWheelNote> notes(1, note);
    bool acted = false;
    for (;;) {
        acted = HandleBurst(wnd, std::move(notes), ctrlKeyMute, report) || acted;
        if (m_pendingWheel.empty())
            break;
        notes.swap(m_pendingWheel);
        m_pendingWheel.clear();
    }
    return acted;
}

bool TWheelHandler::HandleBurst(THandle wnd, std::vector<TWheelNote> notes, bool ctrlKeyMute,
                                const TBurstReport& report)
{
    // The queue is emptied before any state is read, so that the burst is
    // handled as one.
    IWheelQueue* queue = m_queue;
    if (queue) {
        uint32_t wParam = 0, time = 0;
        while (queue->TakeNext(wnd, wParam, time))
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
    ISystem& system = m_system;
    TRect taskbar = {0, 0, 0, 0};
    system.GetTaskbarRect(taskbar);
    // Without a pointer position there is nothing to place the notch on: the
    // point (0, 0) would sit on a taskbar at the top or left of the screen.
    TPoint pt = {0, 0};
    const bool havePointer = system.GetCursorPos(pt);

    bool registered = false;
    bool overTaskbarWindow = false;
    if (havePointer && m_windows) {
        IWindowSystem& windows = *m_windows;
        const TWnd top = TopLevelWindowAt(windows, pt);
        if (top) {
            overTaskbarWindow = IsTaskbarClass(windows.WindowClassName(top));
            std::string name;
            if (GetProgramNameOfWindow(windows, top, name))
                registered = m_programs.IndexOf(name) >= 0;
        }
    }

    const bool overTaskbar = havePointer && (PointInTaskbar(taskbar, pt) || overTaskbarWindow);
    const bool acted = notes.empty() ? false : (overTaskbar || registered) && Apply(notes, ctrlKeyMute);
    if (!notes.empty() && !overTaskbar && !registered)
        m_nWheelRemainder = 0; // movement that was not for us does not complete a notch later
    report(lastDelta, acted);
    return acted;
}

bool TWheelHandler::Apply(const std::vector<TWheelNote>& notes, bool ctrlKeyMute)
{
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
            state.MuteReadable = m_volume.GetMute(muted);
            state.Muted = state.MuteReadable && muted;
            state.Volume = m_volume.m_nVolume;
            state.CtrlKeyMute = ctrlKeyMute;
            state.Modifier = (m_system.GetAsyncKeyState(kVkControl) & 0x8000) != 0 ||
                             (m_system.GetAsyncKeyState(kVkMButton) & 0x8000) != 0;
        }
        ApplyNotches(state, notches);
    }
    if (!state.Acted)
        return false;

    // Only the last mute write and the last level matter to the mixer.
    if (state.WriteMute)
        m_volume.SetMute(state.MuteValue);
    m_volume.m_nVolume = state.Volume;
    m_volume.SetVolume(m_volume.m_nVolume);
    return true;
}
