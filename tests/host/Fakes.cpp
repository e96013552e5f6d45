#include "tests/host/Fakes.h"

#include <cstring>

bool TEventLog::Contains(const std::string& e) const { return Find(e) >= 0; }

int TEventLog::Find(const std::string& prefix) const
{
    for (size_t i = 0; i < Events.size(); ++i)
        if (Events[i].compare(0, prefix.size(), prefix) == 0)
            return static_cast<int>(i);
    return -1;
}

uint32_t TFakeMixer::GetNumDevs()
{
    ++Calls;
    m_log.Add("mixer.GetNumDevs");
    return Devices;
}

bool TFakeMixer::GetDevCaps(uint32_t, TMixerCaps& caps)
{
    ++Calls;
    std::memset(&caps, 0, sizeof caps);
    std::strcpy(caps.szPname, "Fake Mixer");
    return true;
}

bool TFakeMixer::Open(uint32_t device, uint32_t& handle)
{
    ++Calls;
    m_log.Add("mixer.Open " + std::to_string(device));
    if (OpenFails || device >= Devices)
        return false;
    handle = kHandle;
    return true;
}

bool TFakeMixer::GetSpeakersLine(uint32_t, uint32_t& lineId)
{
    ++Calls;
    m_log.Add("mixer.GetSpeakersLine");
    if (LineFails)
        return false;
    lineId = 3;
    return true;
}

bool TFakeMixer::GetLineControl(uint32_t, uint32_t, uint32_t type, uint32_t& id, uint32_t& mn, uint32_t& mx)
{
    ++Calls;
    m_log.Add("mixer.GetLineControl");
    if (type == kMixerControlTypeVolume && !VolumeControlMissing) {
        id = kVolumeId;
        mn = Min;
        mx = Max;
        return true;
    }
    if (type == kMixerControlTypeMute && !MuteControlMissing) {
        id = kMuteId;
        mn = 0;
        mx = 1;
        return true;
    }
    return false;
}

bool TFakeMixer::GetControlValue(uint32_t, uint32_t id, uint32_t& value)
{
    ++Calls;
    m_log.Add(id == kVolumeId ? "mixer.GetVolume" : "mixer.GetMute");
    if (ReadFails)
        return false;
    value = id == kVolumeId ? Volume : Mute;
    return true;
}

bool TFakeMixer::SetControlValue(uint32_t, uint32_t id, uint32_t value)
{
    ++Calls;
    m_log.Add((id == kVolumeId ? "mixer.SetVolume " : "mixer.SetMute ") + std::to_string(value));
    if (WriteFails)
        return false;
    (id == kVolumeId ? VolumeWrites : MuteWrites).push_back(value);
    (id == kVolumeId ? Volume : Mute) = value;
    return true;
}

void TFakeMixer::Close(uint32_t handle)
{
    ++Calls;
    m_log.Add("mixer.Close " + std::to_string(handle));
}

bool TFakeShell::NotifyIcon(uint32_t op, const TNotifyIconData& data)
{
    static const char* const names[] = {"add", "modify", "delete"};
    m_log.Add(std::string("tray.") + (op < 3 ? names[op] : "?"));
    Calls.push_back({op, data});
    return !Fails;
}

bool TFakeSystem::GetCursorPos(TPoint& pt)
{
    if (CursorFails)
        return false;
    pt = Cursor;
    return true;
}

uint16_t TFakeSystem::GetAsyncKeyState(int vk)
{
    auto it = Keys.find(vk);
    return it == Keys.end() ? 0 : it->second;
}

void TFakeSystem::SetForegroundWindow(THandle) { m_log.Add("system.SetForegroundWindow"); }

void TFakeSystem::AllowLowerMessage(THandle wnd, uint32_t msg)
{
    m_log.Add("system.AllowLowerMessage " + std::to_string(wnd) + " " + std::to_string(msg));
}

bool TFakeSystem::DrawItemIcon(uint32_t dis)
{
    DrawnItems.push_back(dis);
    return false;
}

std::string TFakeProfile::ReadString(const std::string&, const std::string& key, const std::string& def,
                                     const std::string&)
{
    m_log.Add("profile.Read " + key);
    auto it = Values.find(key);
    return it == Values.end() ? def : it->second;
}

bool TFakeProfile::WriteString(const std::string&, const std::string& key, const std::string& value,
                               const std::string&)
{
    m_log.Add("profile.Write " + key);
    if (key == FailKey)
        return false;
    Values[key] = value;
    return true;
}

THandle TFakeHook::Load()
{
    m_log.Add("hook.Load");
    return Module;
}

void TFakeHook::SetHWND(THandle lib, THandle wnd, THandle inst)
{
    m_log.Add("hook.SetHWND " + std::to_string(lib) + " " + std::to_string(wnd) + " " + std::to_string(inst));
}

void TFakeHook::HookStart(THandle lib) { m_log.Add("hook.HookStart " + std::to_string(lib)); }
void TFakeHook::HookEnd(THandle lib) { m_log.Add("hook.HookEnd " + std::to_string(lib)); }
void TFakeHook::Free(THandle lib) { m_log.Add("hook.Free " + std::to_string(lib)); }

int TFakeApplication::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    m_log.Add("app.MessageBox " + text);
    Boxes.push_back({text, caption, flags});
    if (auto during = std::move(DuringNextBox)) {
        DuringNextBox = nullptr;
        during();
    }
    return 1;
}

void TFakeApplication::Terminate()
{
    m_log.Add("app.Terminate");
    TApplication::Terminate();
}

std::string TTestBuilder::LoadDescription(const std::string& resourceName)
{
    const char* file = resourceName == "PELMFORMMAIN" ? "/app/PelmFormMain.form" : "/dialogs/WindowStoreDlg.form";
    std::ifstream in(std::string(PELM_SOURCE_DIR) + file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

THandle TestIconHandle(const std::string& iconName, int size)
{
    THandle h = 0x100;
    for (char c : iconName)
        h = h * 31 + static_cast<unsigned char>(c);
    return h * 1000 + static_cast<THandle>(size);
}

namespace {
class TTestImage : public TImage {
public:
    THandle IconHandle() override { return TestIconHandle(IconName, 32); }
    THandle IconOfSize(int size) override { return TestIconHandle(IconName, size); }
};
} // namespace

std::unique_ptr<TComponent> TTestBuilder::CreateComponent(TForm& form, const TObjectDesc& desc)
{
    if (desc.ClassName == "TImage")
        return std::make_unique<TTestImage>();
    return TFormBuilder::CreateComponent(form, desc);
}

TControllerRig::TControllerRig()
{
    Platform.Volume = &Waveform;
    Platform.Shell = &Shell;
    Platform.System = &System;
    Platform.Profile = &Profile;
    Platform.Hook = &Hook;
    Platform.Windows = &Windows;
    App.Title = "Pelmora";
    Application = &App;
}

TControllerRig::~TControllerRig()
{
    if (Form)
        Destroy();
    Application = nullptr;
}

void TControllerRig::Create()
{
    Form = new TPelmFormMain(Builder, Platform);
    PelmFormMain = Form;
}

void TControllerRig::Destroy()
{
    Form->Release();
    Form = nullptr;
    PelmFormMain = nullptr;
}

void TControllerRig::Send(uint32_t msg, uint32_t wParam, uint32_t lParam, uint32_t* result)
{
    TMessage m = {msg, wParam, lParam, 0};
    Form->WndProc(m);
    if (result)
        *result = m.Result;
}
