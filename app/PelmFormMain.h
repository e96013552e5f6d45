#pragma once
// The main controller: the program's main window (the normally hidden
// settings window). It owns the program's objects (the master volume, the
// tray icon, the wheel handler, the settings and the registered program
// list), routes the window messages to them, and after any change shows
// the volume on the tray icon.
#include <string>

#include "framework/Form.h"
#include "framework/StringList.h"
#include "settings/SettingsFile.h"
#include "tray/TrayIcon.h"
#include "volume/MasterVolume.h"
#include "wheel/WheelHandler.h"

class IShellTray;
class IWindowSystem;
class ISystem;
class IProfile;
class IProcessLauncher;
class IHookLibrary;
class IWheelQueue;

// The platform interfaces the controller works through.
struct TPelmPlatform {
    IVolumeDevice* Volume = nullptr;
    IShellTray* Shell = nullptr;
    IWindowSystem* Windows = nullptr;
    ISystem* System = nullptr;
    IProfile* Profile = nullptr;
    IProcessLauncher* Launcher = nullptr;
    IHookLibrary* Hook = nullptr;
    IWheelQueue* WheelQueue = nullptr; // none: each notification is handled alone
};

class TPelmFormMain : public TForm {
public:
    TPelmFormMain(TFormBuilder& builder, TPelmPlatform& platform);

    // Components of the form description, in declaration order.
    TButton* btnGoHide = nullptr;
    TCheckBox* cbHideEnable = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* mnProperties = nullptr;
    TMenuItem* mnShutdown = nullptr;
    TImage* Img10p = nullptr;
    TImage* Img20p = nullptr;
    TImage* Img30p = nullptr;
    TImage* Img40p = nullptr;
    TImage* Img50p = nullptr;
    TImage* Img60p = nullptr;
    TImage* Img70p = nullptr;
    TImage* Img80p = nullptr;
    TImage* Img90p = nullptr;
    TImage* Img100p = nullptr;
    TImage* ImgMute = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* mnOpenVolCtrlWindow = nullptr;
    TLabel* Label1 = nullptr;
    TButton* btnAppShutDown = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TMenuItem* N3 = nullptr;
    TMenuItem* mnAbout = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* mnSetWindow = nullptr;
    TTimer* GetVolTimer = nullptr;
    TMenuItem* meOpenAudioProp = nullptr;

    // Handlers of the form description.
    void FormCreate(TComponent* sender);
    void FormDestroy(TComponent* sender);
    void btnGoHideClick(TComponent* sender);
    void cbHideEnableClick(TComponent* sender);
    void btnAppShutDownClick(TComponent* sender);
    void mnPropertiesClick(TComponent* sender);
    void mnShutdownClick(TComponent* sender);
    void mnOpenVolCtrlWindowClick(TComponent* sender);
    void meOpenAudioPropClick(TComponent* sender);
    void mnAboutClick(TComponent* sender);
    void mnSetWindowClick(TComponent* sender);
    void GetVolTimerTimer(TComponent* sender);

    // Message routing and handlers.
    void WndProc(TMessage& message) override;
    void WMQueryEndSession(TMessage& message);
    void WMDrawItem(TMessage& message);
    void WMTimer(TMessage& message);
    void WMTrayNotify(TMessage& message);
    void WMHookWheel(TMessage& message);

    bool OpenVolumeControlApp();
    bool OpenAudioProperties();
    void LoadSettings();
    void SaveSettings();

    TMasterVolume& Volume() { return m_volume; }
    TTrayIcon& Tray() { return m_tray; }
    TWheelHandler& Wheel() { return m_wheel; }
    TSettings& Settings() { return m_settings; }
    TStringList& Programs() { return m_programs; }
    TPelmPlatform& Platform() { return m_platform; }

    bool SetField(const std::string& name, TComponent* component) override;
    TNotifyEvent MethodAddress(const std::string& name) override;

protected:
    void DestroySteps() override;

private:
    // The picture for the level and the mute state the mixer reads now;
    // withLevel: the tooltip shows the level too.
    void ShowVolume(bool withLevel);

    TPelmPlatform& m_platform;
    // The registered program list (g_StoredProgramList names it while the
    // form lives).
    TStringList m_programs;
    TSettings m_settings;
    TMasterVolume m_volume;
    TTrayIcon m_tray;
    TWheelHandler m_wheel;
    uint32_t m_uTaskbarCreatedMsg = 0;
};

extern TPelmFormMain* PelmFormMain;
extern TStringList* g_StoredProgramList;
