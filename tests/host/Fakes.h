#pragma once
// Fakes of the platform interfaces, recording what the logic asks of them
// into one shared log so tests can check orders across interfaces.
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/PelmFormMain.h"
#include "dialogs/WindowStoreDlg.h"
#include "framework/Application.h"
#include "framework/System.h"
#include "settings/SettingsFile.h"
#include "tray/ShellTray.h"
#include "volume/WaveformVolume.h"
#include "wheel/HookLibrary.h"
#include "wheel/ProgramName.h"

struct TEventLog {
    std::vector<std::string> Events;
    void Add(const std::string& e) { Events.push_back(e); }
    bool Contains(const std::string& e) const;
    // Index of the first event starting with prefix, or -1.
    int Find(const std::string& prefix) const;
};

class TFakeMixer : public IMixer {
public:
    explicit TFakeMixer(TEventLog& log) : m_log(log) {}
    uint32_t Devices = 1;
    bool OpenFails = false, LineFails = false, VolumeControlMissing = false, MuteControlMissing = false;
    bool ReadFails = false, WriteFails = false;
    uint32_t Min = 0, Max = 65535;
    uint32_t Volume = 0, Mute = 0;
    std::vector<uint32_t> VolumeWrites, MuteWrites;
    int Calls = 0; // every call to the mixer

    uint32_t GetNumDevs() override;
    bool GetDevCaps(uint32_t device, TMixerCaps& caps) override;
    bool Open(uint32_t device, uint32_t& handle) override;
    bool GetSpeakersLine(uint32_t handle, uint32_t& lineId) override;
    bool GetLineControl(uint32_t handle, uint32_t lineId, uint32_t type, uint32_t& id, uint32_t& mn, uint32_t& mx) override;
    bool GetControlValue(uint32_t handle, uint32_t id, uint32_t& value) override;
    bool SetControlValue(uint32_t handle, uint32_t id, uint32_t value) override;
    void Close(uint32_t handle) override;

    static constexpr uint32_t kHandle = 0x77, kVolumeId = 11, kMuteId = 12;

private:
    TEventLog& m_log;
};

class TFakeShell : public IShellTray {
public:
    explicit TFakeShell(TEventLog& log) : m_log(log) {}
    struct TCall {
        uint32_t Op;
        TNotifyIconData Data;
    };
    std::vector<TCall> Calls;
    bool Fails = false;
    bool NotifyIcon(uint32_t op, const TNotifyIconData& data) override;

private:
    TEventLog& m_log;
};

class TFakeSystem : public ISystem {
public:
    explicit TFakeSystem(TEventLog& log) : m_log(log) {}
    TPoint Cursor = {0, 0};
    bool CursorFails = false;
    std::map<int, uint16_t> Keys;
    uint32_t DoubleClickTime = 500;
    TRect Taskbar = {0, 0, 0, 0};
    std::vector<uint32_t> DrawnItems;

    bool GetCursorPos(TPoint& pt) override;
    uint16_t GetAsyncKeyState(int vk) override;
    uint32_t GetDoubleClickTime() override { return DoubleClickTime; }
    void SetForegroundWindow(THandle wnd) override;
    void GetTaskbarRect(TRect& rect) override { rect = Taskbar; }
    bool DrawItemIcon(uint32_t dis) override;
    uint32_t TaskbarCreated = 0xC123;
    uint32_t TaskbarCreatedMessage() override { return TaskbarCreated; }
    int IconSize = 16; // what the notification area draws at
    int TrayIconSize() override { return IconSize; }
    void AllowLowerMessage(THandle wnd, uint32_t msg) override;
    std::string NoDropCursor;
    std::vector<THandle> TopMost;
    void SetNoDropCursor(const std::string& name) override { NoDropCursor = name; }
    void KeepTopMost(THandle wnd) override { TopMost.push_back(wnd); }

private:
    TEventLog& m_log;
};

class TFakeProfile : public IProfile {
public:
    explicit TFakeProfile(TEventLog& log) : m_log(log) {}
    std::string ExePath = "C:\\Tools\\pelmora.exe";
    std::map<std::string, std::string> Values; // key -> value (section Pelmora)
    std::string FailKey;                        // a write of this key fails
    std::string ModuleFileName() override { return ExePath; }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def,
                           const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override;

private:
    TEventLog& m_log;
};

class TFakeHook : public IHookLibrary {
public:
    explicit TFakeHook(TEventLog& log) : m_log(log) {}
    THandle Module = 0x5000; // 0: the library is missing
    THandle Load() override;
    void SetHWND(THandle lib, THandle wnd, THandle inst) override;
    void HookStart(THandle lib) override;
    void HookEnd(THandle lib) override;
    void Free(THandle lib) override;

private:
    TEventLog& m_log;
};

// Windows at points, their parents and their processes' image paths.
class TFakeWindows : public IWindowSystem {
public:
    std::map<std::pair<int, int>, TWnd> AtPoint;
    std::map<TWnd, TWnd> Parents;
    std::map<TWnd, std::string> Images;
    std::map<TWnd, std::string> Classes;
    TWnd WindowFromPoint(TPoint pt) override
    {
        auto it = AtPoint.find({pt.x, pt.y});
        return it == AtPoint.end() ? 0 : it->second;
    }
    TWnd GetParent(TWnd w) override
    {
        auto it = Parents.find(w);
        return it == Parents.end() ? 0 : it->second;
    }
    bool GetProcessImageName(TWnd w, std::string& path) override
    {
        auto it = Images.find(w);
        if (it == Images.end())
            return false;
        path = it->second;
        return true;
    }
    std::string WindowClassName(TWnd w) override
    {
        auto it = Classes.find(w);
        return it == Classes.end() ? std::string() : it->second;
    }
};

class TFakeApplication : public TApplication {
public:
    explicit TFakeApplication(TEventLog& log) : m_log(log) {}
    struct TBox {
        std::string Text, Caption;
        uint32_t Flags;
    };
    std::vector<TBox> Boxes;
    // What the box's own message loop delivers while it is open (run once).
    std::function<void()> DuringNextBox;
    int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
    void Terminate() override;

private:
    TEventLog& m_log;
};

// Builds forms from the description files in the source tree, with images
// whose handles tell which icon they hold.
class TTestBuilder : public TFormBuilder {
public:
    std::string LoadDescription(const std::string& resourceName) override;
    std::unique_ptr<TComponent> CreateComponent(TForm& form, const TObjectDesc& desc) override;
};

// Icon handle that the test images give for an icon name at a size.
THandle TestIconHandle(const std::string& iconName, int size = 16);

// A controller with every fake in place, built the way the program builds it.
struct TControllerRig {
    TEventLog Log;
    TFakeMixer Mixer{Log};
    TWaveformVolume Waveform{Mixer}; // the device the controller drives
    TFakeShell Shell{Log};
    TFakeSystem System{Log};
    TFakeProfile Profile{Log};
    TFakeHook Hook{Log};
    TFakeWindows Windows;
    TFakeApplication App{Log};
    TTestBuilder Builder;
    TPelmPlatform Platform;
    TPelmFormMain* Form = nullptr;

    TControllerRig();
    ~TControllerRig();
    void Create();  // constructs the controller (runs FormCreate and the constructor steps)
    void Destroy(); // releases it as the application does at exit
    TRecordingPeer& Peer() { return static_cast<TRecordingPeer&>(Form->Peer()); }
    void Send(uint32_t msg, uint32_t wParam = 0, uint32_t lParam = 0, uint32_t* result = nullptr);
};
