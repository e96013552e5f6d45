#pragma once
// The main controller: the program's main window (the normally hidden
// settings window) and the owner of all run-time state. Its operations are
// defined beside the subsystem they belong to: volume/, tray/, wheel/,
// settings/, dialogs/.
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/StringList.h"
#include "volume/Mixer.h"

class IShellTray;
class IWindowSystem;
class ISystem;
class IProfile;
class IProcessLauncher;
class IHookLibrary;
class IWheelQueue;

// The platform interfaces the controller works through.
struct TPelmPlatform {
    IMixer* Mixer = nullptr;
    IShellTray* Shell = nullptr;
    IWindowSystem* Windows = nullptr;
    ISystem* System = nullptr;
    IProfile* Profile = nullptr;
    IProcessLauncher* Launcher = nullptr;
    IHookLibrary* Hook = nullptr;
    IWheelQueue* WheelQueue = nullptr; // none: each notification is handled alone
};

extern const char* const kProductName; // "Pelmora"
extern const char* const kVersion;     // the version from CMakeLists.txt

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

    // State.
    std::string m_strTipText;
    uint32_t m_lVolumeMin = 0;
    uint32_t m_lVolumeMax = 0;
    TMixerCaps m_MixerCaps = {};
    uint32_t m_hMixer = 0;
    uint32_t m_dwVolumeControlID = 0;
    uint32_t m_dwMuteControlID = 0;
    int32_t m_nVolume = 0;
    bool m_bMute = false;
    bool m_bMuteOnWinReboot = false;
    bool m_bCtrlKeyMute = false;
    // Whether the shell holds the icon; a start before the shell is up, or
    // a restarted shell, has to add it again.
    bool m_bTrayIconAdded = false;
    // While the shell refuses the icon the poll retries it with a pause that
    // doubles, in poll ticks: ticks still to wait, and the last pause.
    uint32_t m_nTrayRetryWait = 0;
    uint32_t m_nTrayRetryPause = 0;
    uint32_t m_uTaskbarCreatedMsg = 0;
    // The size the notification area draws the icon at; the pictures are
    // given at that size, so that the shell does not scale them.
    int m_nTrayIconSize = 16;
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
    void HandleWheelBurst(std::vector<TWheelNote> notes);

    // Volume engine.
    bool OpenMixer();
    void CloseMixer();
    bool FindVolumeControl();
    bool GetVolume(int32_t& percent);
    bool SetVolume(int32_t percent);
    bool FindMuteControl();
    bool GetMute(bool& muted);
    bool SetMute(bool muted);
    bool ToggleMute();
    // Once per poll tick: lets the mixer provider change (see IMixer::Reconsider).
    void RecheckMixer();

    // Tray presence.
    bool NotifyTray(uint32_t operation);
    void ReAddTrayIcon();
    // Asks the shell's icon size again (the DPI or the shell changed);
    // true when it changed.
    bool UpdateTrayIconSize();
    void TrayIconSizeMayHaveChanged();
    THandle GetVolumeIcon();
    bool OpenVolumeControlApp();
    bool OpenAudioProperties();

    // Settings file.
    void LoadSettings();
    void SaveSettings();

    bool SetField(const std::string& name, TComponent* component) override;
    TNotifyEvent MethodAddress(const std::string& name) override;

    TPelmPlatform& Platform() { return m_platform; }

protected:
    void DestroySteps() override;

private:
    bool ReadControlValue(uint32_t controlId, uint32_t& value);
    bool WriteControlValue(uint32_t controlId, uint32_t value);
    bool FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum);
    std::string VolumeTipText() const;

    TPelmPlatform& m_platform;
};

extern TPelmFormMain* PelmFormMain;
extern TStringList* g_StoredProgramList;
