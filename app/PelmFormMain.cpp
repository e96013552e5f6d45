#include "app/PelmFormMain.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/System.h"
#include "tray/ShellTray.h"
#include "wheel/HookLibrary.h"

TPelmFormMain* PelmFormMain = nullptr;
TStringList* g_StoredProgramList = nullptr;
THandle g_hHookDll = 0;

TPelmFormMain::TPelmFormMain(TFormBuilder& builder, TPelmPlatform& platform)
    : TForm("TPelmFormMain"), m_platform(platform), m_volume(*platform.Volume),
      m_tray(*platform.Shell, *platform.System, *this),
      m_wheel(platform.WheelQueue, *platform.System, platform.Windows, m_programs, m_volume)
{
    // The description is built and FormCreate runs before the steps below.
    builder.Build(*this, "PELMFORMMAIN");

    m_tray.m_strTipText = TTrayIcon::StartTipText();
    IHookLibrary& hook = *m_platform.Hook;
    g_hHookDll = hook.Load();
    hook.SetHWND(g_hHookDll, Handle(), g_hHookDll);
    hook.HookStart(g_hHookDll);
}

void TPelmFormMain::FormCreate(TComponent*)
{
    g_StoredProgramList = &m_programs;
    m_settings = TSettings();
    LoadSettings();

    if (!m_volume.GetVolume(m_volume.m_nVolume))
        Application->ShowMessageBox("ミキサーデバイスが取得できませんでした。", "Pelmora エラー", kMbOk | kMbIconError);

    if (m_settings.m_bMuteOnWinReboot)
        m_volume.SetMute(false);
    else
        m_volume.GetMute(m_volume.m_bMute);

    btnGoHide->SetEnabled(cbHideEnable->Checked());
    TImage* const levels[] = {Img10p, Img20p, Img30p, Img40p, Img50p, Img60p, Img70p, Img80p, Img90p, Img100p};
    std::copy(levels, levels + 10, m_tray.Levels);
    m_tray.Mute = ImgMute;
    m_tray.Wanted = cbHideEnable->Checked();
    m_uTaskbarCreatedMsg = m_platform.System->TaskbarCreatedMessage();
    m_tray.Start(m_volume.m_nVolume, m_volume.MutedNow());
    if (m_uTaskbarCreatedMsg != 0) // the window exists from the add on
        m_platform.System->AllowLowerMessage(Handle(), m_uTaskbarCreatedMsg);
    GetVolTimer->SetEnabled(true);
}

void TPelmFormMain::DestroySteps()
{
    m_tray.m_strTipText.clear();
}

void TPelmFormMain::FormDestroy(TComponent*)
{
    // A failed save is reported, and the teardown still finishes: skipping it
    // would leave a dead icon in the notification area and the hook running.
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    m_programs.Clear();
    g_StoredProgramList = nullptr;
    m_volume.CloseMixer();
    m_tray.Hide();
    m_platform.Hook->HookEnd(g_hHookDll);
    m_platform.Hook->Free(g_hHookDll);
}

void TPelmFormMain::LoadSettings()
{
    Application->HelpFile = LoadSettingsFile(*m_platform.Profile, m_programs, m_settings.m_bMuteOnWinReboot,
                                             m_settings.m_bCtrlKeyMute)
                                .helpPath;
}

void TPelmFormMain::SaveSettings()
{
    SaveSettingsFile(*m_platform.Profile, m_programs, m_settings.m_bMuteOnWinReboot, m_settings.m_bCtrlKeyMute);
}

void TPelmFormMain::ShowVolume(bool withLevel)
{
    const bool muted = m_volume.MutedNow();
    if (withLevel)
        m_tray.ShowLevel(m_volume.m_nVolume, muted);
    else
        m_tray.Show(m_volume.m_nVolume, muted);
}

void TPelmFormMain::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case kWmQueryEndSession:
        WMQueryEndSession(message);
        return;
    case kWmDrawItem:
        WMDrawItem(message);
        break;
    case kWmTimer:
        WMTimer(message);
        return;
    case WM_TRAYNOTIFY:
        WMTrayNotify(message); // passes the message on itself, as its last step
        return;
    case WM_HOOKWHEEL:
        WMHookWheel(message);
        return;
    case kWmSettingChange: // the DPI of the taskbar may have changed
    case kWmDpiChanged:
        m_tray.SizeMayHaveChanged();
        break;
    default:
        if (m_uTaskbarCreatedMsg != 0 && message.Msg == m_uTaskbarCreatedMsg)
            m_tray.Add(); // the shell restarted and forgot the icon
        break;
    }
    TForm::WndProc(message);
}

void TPelmFormMain::WMHookWheel(TMessage& message)
{
    m_wheel.Handle(Handle(), message.WParam, m_settings.m_bCtrlKeyMute, [this](int16_t lastDelta, bool acted) {
        Label1->SetCaption(std::to_string(lastDelta));
        if (acted)
            ShowVolume(true);
    });
}

void TPelmFormMain::WMQueryEndSession(TMessage& message)
{
    if (m_settings.m_bMuteOnWinReboot) {
        m_volume.SetVolume(10);
        m_volume.SetMute(true);
    }
    // Never object to the end of the session, and ask nothing.
    message.Result = 1;
}

void TPelmFormMain::WMDrawItem(TMessage& message)
{
    m_platform.System->DrawItemIcon(message.LParam);
}

void TPelmFormMain::btnGoHideClick(TComponent*)
{
    Hide();
}

void TPelmFormMain::mnPropertiesClick(TComponent*)
{
    Show();
    BringToFront();
}

void TPelmFormMain::btnAppShutDownClick(TComponent*)
{
    Close();
}

void TPelmFormMain::mnShutdownClick(TComponent*)
{
    Close();
}

void TPelmFormMain::cbHideEnableClick(TComponent*)
{
    m_tray.Wanted = cbHideEnable->Checked();
    if (m_tray.Wanted)
        m_tray.Add();
    else
        m_tray.Hide();
    btnGoHide->SetEnabled(cbHideEnable->Checked());
}

#define PELM_FIELD(n) if (name == #n) return (n = dynamic_cast<decltype(n)>(component)) != nullptr
bool TPelmFormMain::SetField(const std::string& name, TComponent* component)
{
    PELM_FIELD(btnGoHide);
    PELM_FIELD(cbHideEnable);
    PELM_FIELD(PopupMenu1);
    PELM_FIELD(mnProperties);
    PELM_FIELD(mnShutdown);
    PELM_FIELD(Img10p);
    PELM_FIELD(Img20p);
    PELM_FIELD(Img30p);
    PELM_FIELD(Img40p);
    PELM_FIELD(Img50p);
    PELM_FIELD(Img60p);
    PELM_FIELD(Img70p);
    PELM_FIELD(Img80p);
    PELM_FIELD(Img90p);
    PELM_FIELD(Img100p);
    PELM_FIELD(ImgMute);
    PELM_FIELD(N1);
    PELM_FIELD(mnOpenVolCtrlWindow);
    PELM_FIELD(Label1);
    PELM_FIELD(btnAppShutDown);
    PELM_FIELD(Label2);
    PELM_FIELD(Label3);
    PELM_FIELD(N3);
    PELM_FIELD(mnAbout);
    PELM_FIELD(N2);
    PELM_FIELD(mnSetWindow);
    PELM_FIELD(GetVolTimer);
    PELM_FIELD(meOpenAudioProp);
    return false;
}
#undef PELM_FIELD

#define PELM_METHOD(n) if (name == #n) return [this](TComponent* s) { n(s); }
TNotifyEvent TPelmFormMain::MethodAddress(const std::string& name)
{
    PELM_METHOD(FormCreate);
    PELM_METHOD(FormDestroy);
    PELM_METHOD(btnGoHideClick);
    PELM_METHOD(cbHideEnableClick);
    PELM_METHOD(btnAppShutDownClick);
    PELM_METHOD(mnPropertiesClick);
    PELM_METHOD(mnShutdownClick);
    PELM_METHOD(mnOpenVolCtrlWindowClick);
    PELM_METHOD(meOpenAudioPropClick);
    PELM_METHOD(mnAboutClick);
    PELM_METHOD(mnSetWindowClick);
    PELM_METHOD(GetVolTimerTimer);
    return nullptr;
}
#undef PELM_METHOD
