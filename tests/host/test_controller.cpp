// The controller's construction and destruction orders, its message routing
// and the session-end query, all against recording fakes.
#include <gtest/gtest.h>

#include "tests/host/Fakes.h"

namespace {

std::vector<std::string> Without(const std::vector<std::string>& events, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.compare(0, prefix.size(), prefix) != 0)
            out.push_back(e);
    return out;
}

TEST(Controller, ConstructionRunsInItsFixedOrder)
{
    TControllerRig rig;
    rig.Create();
    const auto& log = rig.Log;
    int settings = log.Find("profile.Read StoredProgram");
    int volume = log.Find("mixer.GetVolume");
    int mute = log.Find("mixer.GetMute");
    int add = log.Find("tray.add");
    int modify = log.Find("tray.modify");
    int load = log.Find("hook.Load");
    int sethwnd = log.Find("hook.SetHWND");
    int start = log.Find("hook.HookStart");
    ASSERT_GE(settings, 0);
    EXPECT_LT(settings, volume);
    EXPECT_LT(volume, mute);
    EXPECT_LT(mute, add);
    EXPECT_LT(add, modify);
    EXPECT_LT(modify, load);
    EXPECT_LT(load, sethwnd);
    EXPECT_LT(sethwnd, start);
    // SetHWND gets the window and the library's own handle.
    EXPECT_EQ("hook.SetHWND 20480 4096 20480", log.Events[static_cast<size_t>(sethwnd)]);
    EXPECT_TRUE(rig.Form->GetVolTimer->Enabled());
    EXPECT_TRUE(rig.Form->btnGoHide->Enabled());
    EXPECT_EQ("Pelmora 1.4", rig.Form->m_strTipText);
    EXPECT_EQ("Pelmora 1.4", std::string(rig.Shell.Calls.back().Data.Tip));
    EXPECT_TRUE(rig.App.Boxes.empty());
    EXPECT_EQ("C:\\Tools\\pelmora.hlp", rig.App.HelpFile);
}

TEST(Controller, ReadsVolumeAndMuteAtStart)
{
    TControllerRig rig;
    rig.Mixer.Volume = 32768;
    rig.Mixer.Mute = 1;
    rig.Create();
    EXPECT_EQ(50, rig.Form->m_nVolume);
    EXPECT_TRUE(rig.Form->m_bMute);
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
    EXPECT_FALSE(rig.Form->m_bMute);
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
    EXPECT_LT(rig.Log.Find("app.MessageBox"), rig.Log.Find("tray.add"));
    EXPECT_EQ(0, rig.Form->m_nVolume);
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
    auto events = Without(rig.Log.Events, "profile.Read");
    std::vector<std::string> expected = {
        "profile.Write StoredProgram", "profile.Write m_bMuteOnWinReboot", "profile.Write m_bCtrlKeyMute",
        "mixer.Close 119", "tray.delete", "hook.HookEnd 20480", "hook.Free 20480",
    };
    EXPECT_EQ(expected, events);
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
    EXPECT_LT(rig.Log.Find("app.MessageBox"), rig.Log.Find("tray.delete"));
    EXPECT_TRUE(rig.Log.Contains("hook.Free"));
}

TEST(Controller, MissingHookLibraryIsHarmless)
{
    TControllerRig rig;
    rig.Hook.Module = 0;
    rig.Create();
    EXPECT_TRUE(rig.Log.Contains("hook.HookStart 0"));
    rig.Destroy();
    EXPECT_TRUE(rig.Log.Contains("hook.Free 0"));
}

TEST(Controller, RoutesItsFiveMessages)
{
    TControllerRig rig;
    rig.Create();
    auto& defaults = rig.Peer().DefaultHandled;

    // WM_TIMER of any id goes to the click handler and stops there.
    rig.Mixer.Mute = 0;
    rig.Send(kWmTimer, 12345);
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
    size_t trayCalls = rig.Shell.Calls.size();
    uint32_t result = 0;
    rig.Send(kWmQueryEndSession, 0, 0, &result);
    EXPECT_EQ(1u, result);
    EXPECT_EQ((std::vector<std::string>{"mixer.SetVolume 6553", "mixer.SetMute 1"}), rig.Log.Events);
    EXPECT_EQ(100, rig.Form->m_nVolume);
    EXPECT_EQ(trayCalls, rig.Shell.Calls.size());
}

TEST(Controller, SettingsWindowHandlers)
{
    TControllerRig rig;
    rig.Create();
    rig.Form->mnPropertiesClick(nullptr);
    EXPECT_TRUE(rig.Form->Visible());
    EXPECT_EQ(1, rig.Peer().BringToFrontCount);
    rig.Form->btnGoHideClick(nullptr);
    EXPECT_FALSE(rig.Form->Visible());
    EXPECT_EQ(0, rig.Peer().CloseCount);
    rig.Form->btnAppShutDownClick(nullptr);
    rig.Form->mnShutdownClick(nullptr);
    EXPECT_EQ(2, rig.Peer().CloseCount);

    rig.Form->cbHideEnable->SetChecked(false);
    rig.Form->cbHideEnableClick(nullptr);
    EXPECT_EQ(kNimDelete, rig.Shell.Calls.back().Op);
    EXPECT_FALSE(rig.Form->btnGoHide->Enabled());
    rig.Form->cbHideEnable->SetChecked(true);
    rig.Form->cbHideEnableClick(nullptr);
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[rig.Shell.Calls.size() - 2].Op);
    EXPECT_EQ(kNimModify, rig.Shell.Calls.back().Op);
    EXPECT_TRUE(rig.Form->btnGoHide->Enabled());
}

TEST(Controller, FormDescriptionMatchesTheSettingsWindow)
{
    TControllerRig rig;
    rig.Create();
    TPelmFormMain& f = *rig.Form;
    EXPECT_EQ("Pelmora 設定画面", f.Caption);
    EXPECT_EQ(327, f.ClientWidth);
    EXPECT_EQ(168, f.ClientHeight);
    EXPECT_EQ(f.PopupMenu1, f.PopupMenu);
    EXPECT_EQ("Pelmora を終了", f.btnAppShutDown->Caption());
    EXPECT_EQ("設定画面を閉じる(&H)", f.btnGoHide->Caption());
    EXPECT_FALSE(f.cbHideEnable->Visible());
    EXPECT_TRUE(f.cbHideEnable->Checked());
    EXPECT_EQ(300u, f.GetVolTimer->Interval);
    TImage* images[] = {f.Img10p, f.Img20p, f.Img30p, f.Img40p, f.Img50p, f.Img60p,
                        f.Img70p, f.Img80p, f.Img90p, f.Img100p, f.ImgMute};
    for (TImage* i : images) {
        ASSERT_NE(nullptr, i);
        EXPECT_FALSE(i->Visible());
        EXPECT_FALSE(i->Enabled());
    }
    std::vector<std::string> names;
    for (TMenuItem* item : f.PopupMenu1->Items)
        names.push_back(item->Name);
    EXPECT_EQ((std::vector<std::string>{"mnOpenVolCtrlWindow", "meOpenAudioProp", "N2", "mnSetWindow", "N1",
                                        "mnProperties", "mnAbout", "N3", "mnShutdown"}),
              names);
    EXPECT_TRUE(f.mnOpenVolCtrlWindow->Default);
    EXPECT_FALSE(f.mnProperties->Visible);
    EXPECT_EQ("終了(&X)", f.mnShutdown->Caption);
}

} // namespace
