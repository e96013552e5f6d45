// What the tray icon's gestures and the popup menu's items do, and the poll.
#include "app/PelmFormMain.h"
#include "dialogs/WindowStoreDlg.h"
#include "framework/Application.h"
#include "framework/System.h"
#include "tray/Launcher.h"

namespace {
constexpr uint32_t ID_CLICK_TIMER = 513;
}

void TPelmFormMain::GetVolTimerTimer(TComponent*)
{
    m_tray.Tick();
    // A playback device that has come since may take over from the fallback.
    m_volume.RecheckMixer();
    if (m_volume.Refresh())
        ShowVolume(true);
}

void TPelmFormMain::WMTrayNotify(TMessage& message)
{
    ISystem& system = *m_platform.System;
    switch (message.LParam) {
    case kWmLButtonDown:
        SetWindowTimer(ID_CLICK_TIMER, system.GetDoubleClickTime());
        break;
    case kWmLButtonDblClk:
        KillWindowTimer(ID_CLICK_TIMER);
        OpenVolumeControlApp();
        break;
    case kWmRButtonUp: {
        TPoint pt = {0, 0};
        if (!system.GetCursorPos(pt)) {
            mnPropertiesClick(this);
            break;
        }
        PopupMenu1->PopupComponent = PelmFormMain;
        system.SetForegroundWindow(Handle());
        PopupMenu1->Popup(pt.x, pt.y);
        break;
    }
    default:
        break;
    }
    TForm::WndProc(message);
}

void TPelmFormMain::WMTimer(TMessage& message)
{
    // Only the click timer is a click; any other WM_TIMER (one another
    // program posts, a timer the system sets on the window) does nothing,
    // and is not passed on: a stray lParam is no timer procedure to call.
    if (message.WParam != ID_CLICK_TIMER)
        return;
    // The click timer fires once.
    KillWindowTimer(ID_CLICK_TIMER);
    m_volume.ToggleMute();
    ShowVolume(false);
}

bool TPelmFormMain::OpenVolumeControlApp()
{
    return m_platform.Launcher && OpenVolumeControl(*m_platform.Launcher);
}

bool TPelmFormMain::OpenAudioProperties()
{
    return m_platform.Launcher && ::OpenAudioProperties(*m_platform.Launcher);
}

void TPelmFormMain::mnOpenVolCtrlWindowClick(TComponent*)
{
    OpenVolumeControlApp();
}

void TPelmFormMain::meOpenAudioPropClick(TComponent*)
{
    OpenAudioProperties();
}

void TPelmFormMain::mnAboutClick(TComponent*)
{
    const std::string text = std::string(kProductName) + "   Version " + kVersion + "\n\n" +
                             "Copyright (C) 2026 The Pelmora developers";
    Application->ShowMessageBox(text, "Pelmora について", 0);
}

void TPelmFormMain::mnSetWindowClick(TComponent*)
{
    // Gone while the program ends: the menu can still be opened from an
    // error box shown then.
    if (!WindowStoreDlg)
        return;
    WindowStoreDlg->ShowModal();
    SaveSettings();
}
