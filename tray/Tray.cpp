// The notification-area icon, its tooltip and the 300 ms level poll, and the
// mouse gestures on the icon with the popup menu's commands.
#include <cstring>

#include "app/PelmFormMain.h"
#include "framework/Application.h"
#include "framework/System.h"
#include "tray/ShellTray.h"

namespace {
constexpr uint32_t ID_CLICK_TIMER = 513;
// Longest pause between two tries to add a refused icon: 15 ticks skipped,
// one try in 16 ticks of 300 ms, about every 5 s.
constexpr uint32_t kMaxTrayRetryPause = 15;
}

std::string TPelmFormMain::VolumeTipText() const
{
    return std::string(kProductName) + " " + kVersion + " - " + std::to_string(m_nVolume) + "%";
}

bool TPelmFormMain::NotifyTray(uint32_t operation)
{
    TNotifyIconData data;
    data.Wnd = Handle();
    data.Id = ID_TRAYICON;
    data.Flags = kNifMessage | kNifIcon | kNifTip;
    data.CallbackMessage = WM_TRAYNOTIFY;
    if (operation == kNimModify) {
        data.Icon = GetVolumeIcon();
        // At most 127 bytes of text and the terminator.
        std::strncpy(data.Tip, m_strTipText.c_str(), sizeof(data.Tip) - 1);
        data.Tip[sizeof(data.Tip) - 1] = '\0';
    }
    const bool done = m_platform.Shell->NotifyIcon(operation, data);
    // A refused add leaves the icon to the poll's retry (a restarted shell
    // may not take it at once); a modify the shell accepts proves the icon is
    // there all the same (an add of an icon it already holds is refused).
    if ((operation == kNimAdd || operation == kNimModify) && done) {
        m_bTrayIconAdded = true;
        m_nTrayRetryWait = 0;
        m_nTrayRetryPause = 0;
    } else if (operation == kNimAdd || operation == kNimDelete) {
        m_bTrayIconAdded = false;
    }
    return done;
}

void TPelmFormMain::ReAddTrayIcon()
{
    // With the tray option off the icon is not wanted, whatever the shell
    // may have forgotten.
    if (!cbHideEnable->Checked())
        return;
    // A new shell may draw at another size than the one before it.
    UpdateTrayIconSize();
    NotifyTray(kNimAdd);
    NotifyTray(kNimModify);
}

bool TPelmFormMain::UpdateTrayIconSize()
{
    // An answer no shell could mean (a failed query) keeps the size known.
    const int size = m_platform.System->TrayIconSize();
    if (size < 8 || size > 256 || size == m_nTrayIconSize)
        return false;
    m_nTrayIconSize = size;
    return true;
}

void TPelmFormMain::TrayIconSizeMayHaveChanged()
{
    // Settings change for many reasons; the shell hears of it only when the
    // picture it holds is no longer of its size.
    if (UpdateTrayIconSize() && m_bTrayIconAdded)
        NotifyTray(kNimModify);
}

THandle TPelmFormMain::GetVolumeIcon()
{
    // A mute state that cannot be read shows the level: the device may simply
    // have no mute switch.
    bool muted = false;
    if (GetMute(muted) && muted)
        return ImgMute->IconOfSize(m_nTrayIconSize);
    TImage* const bands[] = {Img10p, Img20p, Img30p, Img40p, Img50p, Img60p, Img70p, Img80p, Img90p};
    for (int i = 0; i < 9; ++i)
        if (m_nVolume >= i * 10 && m_nVolume <= i * 10 + 9)
            return bands[i]->IconOfSize(m_nTrayIconSize);
    if (m_nVolume >= 90 && m_nVolume <= 100)
        return Img100p->IconOfSize(m_nTrayIconSize);
    return Img10p->IconOfSize(m_nTrayIconSize);
}

void TPelmFormMain::GetVolTimerTimer(TComponent*)
{
    // No shell was there to take the icon yet: try again until one is, but
    // less and less often while it keeps refusing, so that a shell that never
    // comes is not asked twice every tick forever.
    if (!m_bTrayIconAdded && cbHideEnable->Checked()) {
        if (m_nTrayRetryWait > 0) {
            --m_nTrayRetryWait;
        } else {
            ReAddTrayIcon();
            if (!m_bTrayIconAdded) {
                m_nTrayRetryPause = m_nTrayRetryPause == 0 ? 1 : m_nTrayRetryPause * 2;
                if (m_nTrayRetryPause > kMaxTrayRetryPause)
                    m_nTrayRetryPause = kMaxTrayRetryPause;
                m_nTrayRetryWait = m_nTrayRetryPause;
            }
        }
    }

    // A playback device that has come since may take over from the fallback.
    RecheckMixer();

    // A read that fails counts as unchanged: the cache keeps its value.
    bool changed = false;
    int32_t volume = m_nVolume;
    if (GetVolume(volume) && volume != m_nVolume) {
        m_nVolume = volume;
        changed = true;
    }
    bool muted = m_bMute;
    if (GetMute(muted) && muted != m_bMute) {
        m_bMute = muted;
        changed = true;
    }
    if (!changed)
        return;
    m_strTipText = VolumeTipText();
    NotifyTray(kNimModify);
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
    ToggleMute();
    NotifyTray(kNimModify);
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
