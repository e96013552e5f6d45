// Wheel notifications from the hook library: over the taskbar or over a
// registered program's window they step the master volume, or with Ctrl or
// the middle button held mute and unmute it.
#include "app/PelmFormMain.h"
#include "framework/System.h"
#include "tray/ShellTray.h"
#include "wheel/ProgramName.h"
#include "wheel/WheelDecision.h"

void TPelmFormMain::WMHookWheel(TMessage& message)
{
    ISystem& system = *m_platform.System;
    TRect taskbar = {0, 0, 0, 0};
    system.GetTaskbarRect(taskbar);
    // Without a pointer position there is nothing to place the notch on: the
    // point (0, 0) would sit on a taskbar at the top or left of the screen.
    TPoint pt = {0, 0};
    const bool havePointer = system.GetCursorPos(pt);

    TWheelInput in;
    bool overSecondaryTaskbar = false;
    if (havePointer && m_platform.Windows) {
        IWindowSystem& windows = *m_platform.Windows;
        const TWnd top = TopLevelWindowAt(windows, pt);
        if (top) {
            overSecondaryTaskbar = IsSecondaryTaskbarClass(windows.WindowClassName(top));
            std::string name;
            if (GetProgramNameOfWindow(windows, top, name) && g_StoredProgramList)
                in.Registered = g_StoredProgramList->IndexOf(name) >= 0;
        }
    }

    in.Delta = static_cast<int16_t>(message.WParam >> 16);
    Label1->SetCaption(std::to_string(in.Delta));
    if (!havePointer)
        return;

    in.OverTaskbar = PointInTaskbar(taskbar, pt) || overSecondaryTaskbar;
    if ((!in.OverTaskbar && !in.Registered) || in.Delta == 0)
        return;

    // A device without a readable mute switch counts as not muted, so it can
    // still be stepped.
    bool muted = false;
    in.Muted = GetMute(muted) && muted;
    in.Volume = m_nVolume;
    in.CtrlKeyMute = m_bCtrlKeyMute;
    in.Modifier = (system.GetAsyncKeyState(kVkControl) & 0x8000) != 0 ||
                  (system.GetAsyncKeyState(kVkMButton) & 0x8000) != 0;

    const TWheelEffect effect = DecideWheel(in);
    if (effect.WriteMute)
        SetMute(effect.MuteValue);
    m_nVolume = effect.Volume;
    SetVolume(m_nVolume);
    m_strTipText = VolumeTipText();
    NotifyTray(kNimModify);
}
