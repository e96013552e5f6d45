// The controller's construction and destruction orders, its message routing,
// the session-end query, the settings window and the menu's commands, all
// against recording fakes.
#include <gtest/gtest.h>

#include "tests/host/Fakes.h"
#include "tray/Launcher.h"

namespace {

// Each event (the start of a logged one) happens, each after the one before
// it; other calls may come between them.
void ExpectInOrder(const TEventLog& log, const std::vector<std::string>& events)
{
    size_t from = 0;
    for (const std::string& e : events) {
        size_t at = from;
        while (at < log.Events.size() && log.Events[at].compare(0, e.size(), e) != 0)
            ++at;
        if (at == log.Events.size()) {
            ADD_FAILURE() << e << " does not happen after " << (from ? log.Events[from - 1] : "the start");
            continue;
        }
        from = at + 1;
    }
}

int Count(const TEventLog& log, const std::string& prefix)
{
    int n = 0;
    for (const std::string& e : log.Events)
        n += e.compare(0, prefix.size(), prefix) == 0;
    return n;
}

TEST(Controller, ConstructionRunsInItsFixedOrder)
{
    TControllerRig rig;
    rig.Create();
    // The order is required: the settings are read before the mixer is
    // first used, the icon is there before the tooltip, and wheel
    // notifications start only once everything they touch exists.
    ExpectInOrder(rig.Log, {"profile.Read StoredProgram", "mixer.GetVolume", "mixer.GetMute", "tray.add",
                            "tray.modify", "hook.Load", "hook.SetHWND", "hook.HookStart"});
    // SetHWND gets the window the notifications go to and the library's own handle.
    const std::string lib = std::to_string(rig.Hook.Module);
    EXPECT_TRUE(rig.Log.Contains("hook.SetHWND " + lib + " " + std::to_string(rig.Form->Handle()) + " " + lib));
    EXPECT_TRUE(rig.Form->GetVolTimer->Enabled());
    EXPECT_TRUE(rig.Form->btnGoHide->Enabled());
    EXPECT_EQ("Pelmora 1.4", rig.Form->Tray().m_strTipText);
    EXPECT_EQ("Pelmora 1.4", std::string(rig.Shell.Calls.back().Data.Tip));
    EXPECT_TRUE(rig.App.Boxes.empty());
    EXPECT_EQ("C:\\Tools\\pelmora.hlp", rig.App.HelpFile);
    // An elevated instance hears a restarted shell too.
    ExpectInOrder(rig.Log, {"tray.add", "system.AllowLowerMessage " + std::to_string(rig.Form->Handle()) + " " +
                                            std::to_string(rig.System.TaskbarCreated)});
}

TEST(Controller, NoShellMessageNoFilterChange)
{
    TControllerRig rig;
    rig.System.TaskbarCreated = 0;
    rig.Create();
    EXPECT_FALSE(rig.Log.Contains("system.AllowLowerMessage"));
}

TEST(Controller, ReadsVolumeAndMuteAtStart)
{
    TControllerRig rig;
    rig.Mixer.Volume = 32768;
    rig.Mixer.Mute = 1;
    rig.Create();
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Form->Volume().m_bMute);
    EXPECT_TRUE(rig.Mixer.MuteWrites.empty());
}

TEST(Controller, MuteOnRebootOptionUnmutesAtStart)
{
    TControllerRig rig;
    rig.Profile.Values["m_bMuteOnWinReboot"] = "1";
    rig.Mixer.Mute = 1;
    rig.Mixer.Volume = 6553;
    rig.Create();
    EXPECT_EQ((std::vector<uint32_t>{0}), rig.Mixer.MuteWrites);
    EXPECT_FALSE(rig.Form->Volume().m_bMute);
    EXPECT_TRUE(rig.Mixer.VolumeWrites.empty()); // the level stays as it was
}

TEST(Controller, NoMixerShowsOneErrorBoxBeforeTheIconAndRunsOn)
{
    TControllerRig rig;
    rig.Mixer.Devices = 0;
    rig.Create();
    ASSERT_EQ(1u, rig.App.Boxes.size());
    EXPECT_EQ("ミキサーデバイスが取得できませんでした。", rig.App.Boxes[0].Text);
    EXPECT_EQ("Pelmora エラー", rig.App.Boxes[0].Caption);
    EXPECT_EQ(0x10u, rig.App.Boxes[0].Flags);
    ExpectInOrder(rig.Log, {"app.MessageBox", "tray.add"});
    EXPECT_EQ(0, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Form->GetVolTimer->Enabled());
    // Later failures say nothing.
    rig.Form->GetVolTimerTimer(nullptr);
    rig.Send(WM_HOOKWHEEL, 120u << 16);
    EXPECT_EQ(1u, rig.App.Boxes.size());
}

TEST(Controller, DestructionRunsInItsFixedOrder)
{
    TControllerRig rig;
    rig.Create();
    rig.Log.Events.clear();
    rig.Destroy();
    // The order is required: the settings are saved while the list still
    // exists, and the library, whose hook posts to the window, goes last.
    const std::string lib = std::to_string(rig.Hook.Module);
    ExpectInOrder(rig.Log, {"profile.Write StoredProgram", "profile.Write m_bMuteOnWinReboot",
                            "profile.Write m_bCtrlKeyMute", "mixer.Close " + std::to_string(TFakeMixer::kHandle),
                            "tray.delete", "hook.HookEnd " + lib, "hook.Free " + lib});
    // Everything is let go once.
    for (const char* release : {"mixer.Close", "tray.delete", "hook.HookEnd", "hook.Free"})
        EXPECT_EQ(1, Count(rig.Log, release)) << release;
    EXPECT_EQ(nullptr, g_StoredProgramList);
}

TEST(Controller, FailedSaveIsReportedAndTheTeardownStillFinishes)
{
    TControllerRig rig;
    rig.Create();
    rig.Profile.FailKey = "m_bMuteOnWinReboot";
    rig.Log.Events.clear();
    rig.Destroy();
    ASSERT_EQ(1u, rig.App.Boxes.size());
    EXPECT_EQ("C:\\Tools\\pelmora.ini に書き込めません.", rig.App.Boxes[0].Text);
    EXPECT_EQ("Pelmora", rig.App.Boxes[0].Caption);
    EXPECT_EQ(0x10u, rig.App.Boxes[0].Flags);
    EXPECT_FALSE(rig.Log.Contains("profile.Write m_bCtrlKeyMute"));
    ExpectInOrder(rig.Log, {"app.MessageBox", "tray.delete"});
    EXPECT_TRUE(rig.Log.Contains("hook.Free"));
}

TEST(Controller, MissingHookLibraryIsHarmless)
{
    // Without the library the program comes up with its icon and poll, says
    // nothing, and ends as always.
    TControllerRig rig;
    rig.Hook.Module = 0;
    rig.Create();
    EXPECT_EQ(kNimModify, rig.Shell.Calls.back().Op);
    EXPECT_TRUE(rig.Form->GetVolTimer->Enabled());
    rig.Mixer.Volume = 65535;
    rig.Form->GetVolTimer->OnTimer(rig.Form->GetVolTimer);
    EXPECT_EQ("Pelmora 1.4 - 100%", rig.Form->Tray().m_strTipText);
    rig.Destroy();
    EXPECT_EQ("1", rig.Profile.Values["m_bCtrlKeyMute"]);
    EXPECT_EQ(kNimDelete, rig.Shell.Calls.back().Op);
    EXPECT_TRUE(rig.App.Boxes.empty());
}

TEST(Controller, RoutesItsFiveMessages)
{
    TControllerRig rig;
    rig.Create();
    auto& defaults = rig.Peer().DefaultHandled;

    // WM_TIMER goes to the click handler and stops there; only the click
    // timer's id is a click.
    rig.Mixer.Mute = 0;
    rig.Send(kWmTimer, 513);
    EXPECT_EQ(1u, rig.Mixer.Mute);
    for (uint32_t id : {0u, 1u, 512u, 514u, 12345u})
        rig.Send(kWmTimer, id, 0xDEAD);
    EXPECT_EQ(1u, rig.Mixer.Mute);
    EXPECT_TRUE(defaults.empty());

    rig.Send(WM_HOOKWHEEL, static_cast<uint32_t>(-120) << 16);
    EXPECT_EQ("-120", rig.Form->Label1->Caption());
    EXPECT_TRUE(defaults.empty());

    uint32_t result = 0;
    rig.Send(kWmQueryEndSession, 0, 0, &result);
    EXPECT_EQ(1u, result);
    EXPECT_TRUE(defaults.empty());

    rig.Send(kWmDrawItem, 0, 0xABCD);
    EXPECT_EQ((std::vector<uint32_t>{0xABCD}), rig.System.DrawnItems);
    EXPECT_EQ((std::vector<uint32_t>{kWmDrawItem}), defaults);

    rig.Send(WM_TRAYNOTIFY, ID_TRAYICON, 0x200);
    EXPECT_EQ((std::vector<uint32_t>{kWmDrawItem, WM_TRAYNOTIFY}), defaults);

    rig.Send(0x0005); // anything else goes to the standard handling
    EXPECT_EQ(0x0005u, defaults.back());
}

TEST(Controller, SessionEndWithoutTheOptionTouchesNothing)
{
    TControllerRig rig;
    rig.Create();
    rig.Mixer.Calls = 0;
    size_t trayCalls = rig.Shell.Calls.size();
    uint32_t result = 0;
    rig.Send(kWmQueryEndSession, 0, 0, &result);
    EXPECT_EQ(1u, result);
    EXPECT_EQ(0, rig.Mixer.Calls);
    EXPECT_EQ(trayCalls, rig.Shell.Calls.size());
}

TEST(Controller, SessionEndWithTheOptionLowersAndMutes)
{
    TControllerRig rig;
    rig.Profile.Values["m_bMuteOnWinReboot"] = "1";
    rig.Mixer.Volume = 65535;
    rig.Create();
    rig.Log.Events.clear();
    rig.Mixer.MuteWrites.clear(); // the unmute at start
    size_t trayCalls = rig.Shell.Calls.size();
    uint32_t result = 0;
    rig.Send(kWmQueryEndSession, 0, 0, &result);
    EXPECT_EQ(1u, result);
    EXPECT_EQ((std::vector<uint32_t>{6553}), rig.Mixer.VolumeWrites); // 10 %
    EXPECT_EQ((std::vector<uint32_t>{1}), rig.Mixer.MuteWrites);
    // Lowered before muted: should the session end between the two, the next
    // start's unmute comes at 10 %, not at the old level.
    ExpectInOrder(rig.Log, {"mixer.SetVolume", "mixer.SetMute"});
    EXPECT_EQ(100, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(trayCalls, rig.Shell.Calls.size());
}

// The settings window's controls, clicked as the user clicks them: through
// the handlers the form description binds.
TEST(Controller, SettingsWindowStartsHiddenAndItsControlsDoTheirJobs)
{
    TControllerRig rig;
    rig.Create();
    TPelmFormMain& f = *rig.Form;
    EXPECT_FALSE(f.Visible());
    f.mnProperties->OnClick(f.mnProperties);
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(1, rig.Peer().BringToFrontCount);
    // A right click in the window opens the tray's menu.
    EXPECT_EQ(f.PopupMenu1, f.PopupMenu);
    f.btnGoHide->OnClick(f.btnGoHide);
    EXPECT_FALSE(f.Visible());
    EXPECT_EQ(0, rig.Peer().CloseCount);
    f.btnAppShutDown->OnClick(f.btnAppShutDown);
    EXPECT_EQ(1, rig.Peer().CloseCount);

    f.cbHideEnable->SetChecked(false);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    EXPECT_EQ(kNimDelete, rig.Shell.Calls.back().Op);
    EXPECT_FALSE(f.btnGoHide->Enabled());
    f.cbHideEnable->SetChecked(true);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[rig.Shell.Calls.size() - 2].Op);
    EXPECT_EQ(kNimModify, rig.Shell.Calls.back().Op);
    EXPECT_TRUE(f.btnGoHide->Enabled());
}

// The poll's period is what the host can see of it: the timer's interval.
TEST(Controller, ThePollTicksEvery300MsFromTheStart)
{
    TControllerRig rig;
    rig.Create();
    TTimer& timer = *rig.Form->GetVolTimer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(300u, timer.Interval);
    rig.Mixer.Volume = 65535 / 4;
    timer.OnTimer(&timer);
    EXPECT_EQ("Pelmora 1.4 - 25%", rig.Form->Tray().m_strTipText);
}

class TSystemFolderLauncher : public IProcessLauncher {
public:
    std::vector<std::string> Started; // command lines
    bool FileExists(const std::string& p) override
    {
        return p == "C:\\WINDOWS\\system32\\sndvol32.exe" || p == "C:\\WINDOWS\\system32\\rundll32.exe";
    }
    std::string PathVariable() override { return ""; }
    std::string SystemDirectory() override { return "C:\\WINDOWS\\system32"; }
    bool VistaOrLater() override { return false; }
    bool StartProcess(const std::string&, const std::string& commandLine) override
    {
        Started.push_back(commandLine);
        return true;
    }
};

// The menu as the user sees it, item by item, and what each choice does.
TEST(Controller, EveryShownMenuItemDoesItsCommandAndTheSettingsItemIsNeverShown)
{
    TControllerRig rig;
    TSystemFolderLauncher launcher;
    rig.Platform.Launcher = &launcher;
    rig.Create();
    auto* dlg = new TWindowStoreDlg(rig.Builder, rig.System, &rig.Windows, rig.Form->Programs());
    WindowStoreDlg = dlg;
    int dialogShown = 0;
    static_cast<TRecordingPeer&>(dlg->Peer()).OnShowModal = [&](TForm&) { return ++dialogShown, 1; };

    std::vector<TMenuItem*> shown;
    for (TMenuItem* item : rig.Form->PopupMenu1->Items)
        if (item->Visible)
            shown.push_back(item);
    EXPECT_FALSE(rig.Form->mnProperties->Visible);
    ASSERT_EQ(8u, shown.size());
    // What choosing each item did, in the menu's order; "-" for a separator.
    std::vector<std::string> done;
    for (TMenuItem* item : shown) {
        if (item->Caption == "-") {
            EXPECT_FALSE(item->OnClick);
            done.push_back("-");
            continue;
        }
        ASSERT_TRUE(item->OnClick) << item->Caption;
        const size_t started = launcher.Started.size(), boxes = rig.App.Boxes.size();
        const int shownBefore = dialogShown, closes = rig.Peer().CloseCount;
        rig.App.Guard([&] { item->OnClick(item); });
        if (launcher.Started.size() > started)
            done.push_back(launcher.Started.back());
        else if (dialogShown > shownBefore)
            done.push_back("registration dialog");
        else if (rig.App.Boxes.size() > boxes)
            done.push_back(rig.App.Boxes.back().Caption);
        else if (rig.Peer().CloseCount > closes)
            done.push_back("end");
        else
            done.push_back("nothing");
    }
    EXPECT_EQ((std::vector<std::string>{"sndvol32.exe", "rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl", "-",
                                        "registration dialog", "-", "Pelmora について", "-", "end"}),
              done);

    // The default (bold) item does what the double click does.
    EXPECT_TRUE(shown[0]->Default);
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_FALSE(shown[i]->Default) << i;
    const size_t started = launcher.Started.size();
    rig.Send(WM_TRAYNOTIFY, ID_TRAYICON, kWmLButtonDblClk);
    ASSERT_EQ(started + 1, launcher.Started.size());
    EXPECT_EQ(done[0], launcher.Started.back());
    dlg->Release();
}

} // namespace
