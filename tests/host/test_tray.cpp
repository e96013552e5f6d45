// The tray icon: picture bands, tooltip, the poll, click gestures, the menu,
// the launch rule and coming back after the shell restarts.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/host/Fakes.h"
#include "tray/Launcher.h"

namespace {

class TFakeLauncher : public IProcessLauncher {
public:
    std::set<std::string> Files;
    std::string Path, System = "C:\\WINDOWS\\system32";
    bool StartFails = false, Vista = false;
    std::vector<std::pair<std::string, std::string>> Started;
    bool VistaOrLater() override { return Vista; }
    bool FileExists(const std::string& p) override { return Files.count(p) > 0; }
    std::string PathVariable() override { return Path; }
    std::string SystemDirectory() override { return System; }
    bool StartProcess(const std::string& p, const std::string& cmd) override
    {
        if (StartFails)
            return false;
        Started.push_back({p, cmd});
        return true;
    }
};

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.Platform.Launcher = &launcher;
        rig.Create();
    }
    // The picture the tray shows for a level, with the mixer's mute state
    // as the controller reads it.
    THandle IconFor(int32_t volume, uint32_t mute = 0)
    {
        rig.Mixer.Mute = mute;
        rig.Form->Tray().Show(volume, rig.Form->Volume().MutedNow());
        return rig.Form->Tray().GetVolumeIcon();
    }
    const TFakeShell::TCall& LastCall() { return rig.Shell.Calls.back(); }
    TControllerRig rig;
    TFakeLauncher launcher;
};

TEST_F(TrayTest, PictureBands)
{
    const std::pair<int32_t, const char*> bands[] = {
        {0, "IMG10P"},   {9, "IMG10P"},  {10, "IMG20P"},  {79, "IMG80P"},  {80, "IMG90P"},
        {89, "IMG90P"},  {90, "IMG100P"}, {100, "IMG100P"}, {-1, "IMG10P"}, {101, "IMG10P"},
        {55, "IMG60P"},
    };
    for (auto b : bands)
        EXPECT_EQ(TestIconHandle(b.second), IconFor(b.first)) << b.first;
    for (int32_t v : {0, 50, 100, -5})
        EXPECT_EQ(TestIconHandle("IMGMUTE"), IconFor(v, 1));
    rig.Mixer.ReadFails = true; // an unreadable mute shows the level
    EXPECT_EQ(TestIconHandle("IMG50P"), IconFor(45, 1));
}

TEST_F(TrayTest, RecordCarriesIdentityAndTheTooltipOnlyOnModify)
{
    rig.Form->Tray().m_strTipText = "Pelmora 1.4 - 35%";
    rig.Form->Tray().NotifyTray(kNimModify);
    const TNotifyIconData& d = LastCall().Data;
    EXPECT_EQ(rig.Form->Handle(), d.Wnd);
    EXPECT_EQ(1006u, d.Id);
    EXPECT_EQ(7u, d.Flags);
    EXPECT_EQ(0x8064u, d.CallbackMessage);
    EXPECT_STREQ("Pelmora 1.4 - 35%", d.Tip);
    EXPECT_NE(0u, d.Icon);
    rig.Form->Tray().NotifyTray(kNimDelete);
    EXPECT_STREQ("", LastCall().Data.Tip);
    EXPECT_EQ(0u, LastCall().Data.Icon);
}

TEST_F(TrayTest, LongTooltipIsCutTo127Bytes)
{
    rig.Form->Tray().m_strTipText = std::string(200, 'x');
    rig.Form->Tray().NotifyTray(kNimModify);
    EXPECT_EQ(std::string(127, 'x'), std::string(LastCall().Data.Tip));
}

TEST_F(TrayTest, QuietPollMakesNoShellCall)
{
    size_t calls = rig.Shell.Calls.size();
    for (int i = 0; i < 10; ++i)
        rig.Form->GetVolTimerTimer(nullptr);
    EXPECT_EQ(calls, rig.Shell.Calls.size());
    EXPECT_EQ("Pelmora 1.4", rig.Form->Tray().m_strTipText);
}

TEST_F(TrayTest, ChangeSeenByThePollMakesOneModify)
{
    rig.Mixer.Volume = 65535 * 57 / 100 + 1; // 57 %
    size_t calls = rig.Shell.Calls.size();
    rig.Form->GetVolTimerTimer(nullptr);
    ASSERT_EQ(calls + 1, rig.Shell.Calls.size());
    EXPECT_EQ(kNimModify, LastCall().Op);
    EXPECT_STREQ("Pelmora 1.4 - 57%", LastCall().Data.Tip);
    EXPECT_EQ(TestIconHandle("IMG60P"), LastCall().Data.Icon);

    rig.Mixer.Mute = 1; // muted elsewhere: the percentage stays
    rig.Form->GetVolTimerTimer(nullptr);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_STREQ("Pelmora 1.4 - 57%", LastCall().Data.Tip);
    EXPECT_EQ(TestIconHandle("IMGMUTE"), LastCall().Data.Icon);
    EXPECT_TRUE(rig.Form->Volume().m_bMute);
}

TEST_F(TrayTest, FailedReadsInThePollCountAsUnchanged)
{
    rig.Form->Volume().m_nVolume = 40;
    rig.Mixer.ReadFails = true;
    size_t calls = rig.Shell.Calls.size();
    rig.Form->GetVolTimerTimer(nullptr);
    EXPECT_EQ(40, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(calls, rig.Shell.Calls.size());
}

TEST_F(TrayTest, SingleClickTogglesWhenTheTimerFires)
{
    rig.System.DoubleClickTime = 432;
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDown);
    rig.Send(WM_TRAYNOTIFY, 1006, 0x202); // release: nothing
    ASSERT_EQ(1u, rig.Peer().Timers.size());
    EXPECT_EQ(std::make_pair(513u, 432u), rig.Peer().Timers[0]);
    EXPECT_TRUE(rig.Mixer.MuteWrites.empty());
    std::string tip = rig.Form->Tray().m_strTipText;
    rig.Send(kWmTimer, 513);
    EXPECT_EQ((std::vector<uint32_t>{1}), rig.Mixer.MuteWrites);
    EXPECT_EQ((std::vector<uint32_t>{513}), rig.Peer().KilledTimers);
    EXPECT_EQ(TestIconHandle("IMGMUTE"), LastCall().Data.Icon);
    EXPECT_EQ(tip, rig.Form->Tray().m_strTipText);
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDown);
    rig.Send(kWmTimer, 513);
    EXPECT_EQ((std::vector<uint32_t>{1, 0}), rig.Mixer.MuteWrites);
    EXPECT_NE(TestIconHandle("IMGMUTE"), LastCall().Data.Icon);
}

TEST_F(TrayTest, DoubleClickStartsTheVolumeControlAndNeverToggles)
{
    launcher.Path = "C:\\bin;\"C:\\quoted dir\"\\";
    launcher.Files = {"C:\\quoted dir\\sndvol32.exe"};
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDown);
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDblClk);
    EXPECT_EQ((std::vector<uint32_t>{513}), rig.Peer().KilledTimers);
    ASSERT_EQ(1u, launcher.Started.size());
    EXPECT_EQ("C:\\quoted dir\\sndvol32.exe", launcher.Started[0].first);
    EXPECT_EQ("sndvol32.exe", launcher.Started[0].second);
    EXPECT_TRUE(rig.Mixer.MuteWrites.empty());
}

TEST_F(TrayTest, RightClickOpensTheMenuAtTheCursorOrShowsTheWindow)
{
    rig.System.Cursor = {1000, 740};
    rig.Send(WM_TRAYNOTIFY, 1006, 0x204); // press: nothing
    EXPECT_EQ(0, rig.Form->PopupMenu1->PopupCount());
    rig.Send(WM_TRAYNOTIFY, 1006, kWmRButtonUp);
    EXPECT_EQ(1, rig.Form->PopupMenu1->PopupCount());
    EXPECT_EQ(1000, rig.Form->PopupMenu1->LastPopupX());
    EXPECT_EQ(740, rig.Form->PopupMenu1->LastPopupY());
    EXPECT_EQ(rig.Form, rig.Form->PopupMenu1->PopupComponent);
    EXPECT_TRUE(rig.Log.Contains("system.SetForegroundWindow"));
    rig.System.CursorFails = true;
    rig.Send(WM_TRAYNOTIFY, 1006, kWmRButtonUp);
    EXPECT_EQ(1, rig.Form->PopupMenu1->PopupCount());
    EXPECT_TRUE(rig.Form->Visible());
}

TEST_F(TrayTest, AboutBoxText)
{
    rig.Form->mnAboutClick(nullptr);
    ASSERT_EQ(1u, rig.App.Boxes.size());
    const std::string& t = rig.App.Boxes[0].Text;
    EXPECT_EQ(0u, t.find("Pelmora   Version 1.4\n\n"));
    EXPECT_EQ(std::string::npos, t.find('\r'));
    EXPECT_EQ("Pelmora について", rig.App.Boxes[0].Caption);
    EXPECT_EQ(0u, rig.App.Boxes[0].Flags);
}

TEST_F(TrayTest, LaunchRuleSearchesSystemFolderThenPathOnly)
{
    launcher.Path = ".;C:\\tools\\;C:\\other";
    launcher.Files = {"C:\\tools\\rundll32.exe", "C:\\WINDOWS\\system32\\rundll32.exe", ".\\sndvol32.exe",
                      "C:\\other\\sndvol.exe"};
    rig.Form->meOpenAudioPropClick(nullptr);
    ASSERT_EQ(1u, launcher.Started.size());
    EXPECT_EQ("C:\\WINDOWS\\system32\\rundll32.exe", launcher.Started[0].first);
    EXPECT_EQ("rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl", launcher.Started[0].second);
    // "." on PATH is a PATH entry like any other; the current folder itself
    // is not searched. Before Vista, sndvol.exe is no volume control.
    launcher.Path = "C:\\other";
    EXPECT_FALSE(rig.Form->OpenVolumeControlApp());
    launcher.Path = ".";
    rig.Form->mnOpenVolCtrlWindowClick(nullptr);
    ASSERT_EQ(2u, launcher.Started.size());
    EXPECT_EQ(".\\sndvol32.exe", launcher.Started[1].first);
    launcher.Files.clear();
    EXPECT_FALSE(rig.Form->OpenVolumeControlApp());
    EXPECT_EQ(2u, launcher.Started.size());
}

TEST_F(TrayTest, FromVistaOnTheVolumeControlIsTheSystemsOwnSndvol)
{
    launcher.Vista = true;
    // What PATH offers first, under either name, is never started.
    launcher.Path = "C:\\planted";
    launcher.Files = {"C:\\planted\\sndvol32.exe", "C:\\planted\\sndvol.exe", "C:\\WINDOWS\\system32\\sndvol.exe"};
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDown);
    rig.Send(WM_TRAYNOTIFY, 1006, kWmLButtonDblClk);
    ASSERT_EQ(1u, launcher.Started.size());
    EXPECT_EQ("C:\\WINDOWS\\system32\\sndvol.exe", launcher.Started[0].first);
    EXPECT_EQ("sndvol.exe", launcher.Started[0].second);

    launcher.Files.erase("C:\\WINDOWS\\system32\\sndvol.exe");
    EXPECT_FALSE(rig.Form->OpenVolumeControlApp());
    launcher.Files.insert("C:\\WINDOWS\\system32\\sndvol.exe");
    launcher.System.clear(); // no system folder known: nothing is started
    EXPECT_FALSE(rig.Form->OpenVolumeControlApp());
    launcher.System = "C:\\WINDOWS\\system32";
    launcher.StartFails = true;
    EXPECT_FALSE(rig.Form->OpenVolumeControlApp());
    EXPECT_EQ(1u, launcher.Started.size());
}

TEST_F(TrayTest, PathFolderEndingInADoubleByteCharacterGetsItsBackslash)
{
    // 表 is 0x95 0x5C and 能 0x94 0x5C in Shift-JIS: neither ends the folder.
    launcher.System = "C:\\\x95\x5C";
    launcher.Path = "C:\\\x94\x5C;C:\\\x83\x5C\\";
    launcher.Files = {"C:\\\x94\x5C\\sndvol32.exe", "C:\\\x83\x5C\\rundll32.exe"};
    rig.Form->mnOpenVolCtrlWindowClick(nullptr);
    rig.Form->meOpenAudioPropClick(nullptr);
    ASSERT_EQ(2u, launcher.Started.size());
    EXPECT_EQ("C:\\\x94\x5C\\sndvol32.exe", launcher.Started[0].first);
    EXPECT_EQ("C:\\\x83\x5C\\rundll32.exe", launcher.Started[1].first);
    launcher.Files = {"C:\\\x95\x5C\\rundll32.exe"};
    EXPECT_EQ("C:\\\x95\x5C\\rundll32.exe", FindProgram(launcher, "rundll32.exe"));
}

TEST_F(TrayTest, ShellRestartBringsTheIconBack)
{
    size_t calls = rig.Shell.Calls.size();
    rig.Send(0xC123);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[calls].Op);
    EXPECT_EQ(kNimModify, rig.Shell.Calls[calls + 1].Op);
}

// The picture is given at the size the notification area draws at, asked
// again when the DPI may have changed and when a new shell comes; the shell
// hears of it only when the size changed.
TEST(TrayIconSize, PictureFollowsTheShellsIconSize)
{
    TControllerRig rig;
    rig.Mixer.Mute = 1; // the mute picture, whatever the level
    rig.System.IconSize = 24;
    rig.Create();
    EXPECT_EQ(TestIconHandle("IMGMUTE", 24), rig.Shell.Calls.back().Data.Icon);

    size_t calls = rig.Shell.Calls.size();
    rig.Send(kWmSettingChange); // something else changed
    EXPECT_EQ(calls, rig.Shell.Calls.size());

    const std::string tip = rig.Form->Tray().m_strTipText;
    rig.System.IconSize = 20;
    rig.Send(kWmDpiChanged, 0x00780078);
    ASSERT_EQ(calls + 1, rig.Shell.Calls.size());
    EXPECT_EQ(kNimModify, rig.Shell.Calls.back().Op);
    EXPECT_EQ(TestIconHandle("IMGMUTE", 20), rig.Shell.Calls.back().Data.Icon);
    EXPECT_EQ(tip, rig.Shell.Calls.back().Data.Tip);

    rig.System.IconSize = 40;
    rig.Send(kWmSettingChange);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(TestIconHandle("IMGMUTE", 40), rig.Shell.Calls.back().Data.Icon);

    // A query that fails keeps the size known.
    rig.System.IconSize = 0;
    rig.Send(kWmSettingChange);
    rig.System.IconSize = -24;
    rig.Send(kWmDpiChanged);
    EXPECT_EQ(calls + 2, rig.Shell.Calls.size());
    rig.Form->Tray().NotifyTray(kNimModify);
    EXPECT_EQ(TestIconHandle("IMGMUTE", 40), rig.Shell.Calls.back().Data.Icon);

    // A restarted shell on a display of another DPI.
    rig.System.IconSize = 48;
    calls = rig.Shell.Calls.size();
    rig.Send(rig.System.TaskbarCreated);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[calls].Op);
    EXPECT_EQ(TestIconHandle("IMGMUTE", 48), rig.Shell.Calls.back().Data.Icon);
}

TEST(TrayIconSize, NoIconNoModifyButTheNextAddHasTheNewSize)
{
    TControllerRig rig;
    rig.Mixer.Mute = 1;
    rig.Create();
    TPelmFormMain& f = *rig.Form;
    f.cbHideEnable->SetChecked(false);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    const size_t calls = rig.Shell.Calls.size();
    rig.System.IconSize = 32;
    rig.Send(kWmDpiChanged);
    EXPECT_EQ(calls, rig.Shell.Calls.size()) << "a modify of an icon the shell does not hold";
    f.cbHideEnable->SetChecked(true);
    f.cbHideEnable->OnClick(f.cbHideEnable);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(TestIconHandle("IMGMUTE", 32), rig.Shell.Calls.back().Data.Icon);
}

TEST(TrayStart, FailedFirstAddIsRetriedOnThePoll)
{
    TControllerRig rig;
    rig.Shell.Fails = true; // no shell yet
    rig.Create();
    rig.Shell.Fails = false;
    size_t calls = rig.Shell.Calls.size();
    rig.Form->GetVolTimerTimer(nullptr);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[calls].Op);
    rig.Form->GetVolTimerTimer(nullptr);
    EXPECT_EQ(calls + 2, rig.Shell.Calls.size()); // once added, quiet again
}

// Ticks at which the poll tried to add the icon, over a number of ticks.
std::vector<int> AddTicks(TControllerRig& rig, int ticks)
{
    std::vector<int> at;
    for (int t = 0; t < ticks; ++t) {
        const size_t before = rig.Shell.Calls.size();
        rig.Form->GetVolTimerTimer(nullptr);
        for (size_t i = before; i < rig.Shell.Calls.size(); ++i)
            if (rig.Shell.Calls[i].Op == kNimAdd)
                at.push_back(t);
    }
    return at;
}

TEST(TrayStart, RefusedAddIsRetriedLessOftenThenTheTickGoesQuiet)
{
    TControllerRig rig;
    rig.Shell.Fails = true; // a shell that keeps refusing
    rig.Create();
    const size_t startCalls = rig.Shell.Calls.size();
    const std::vector<int> at = AddTicks(rig, 400); // two minutes of ticks
    // Still retrying, but no longer twice a tick: the ticks skipped between
    // two tries start short (a shell on its way comes soon) and double each
    // time up to the longest pause, about 5 s (10 to 16 ticks), which stays.
    ASSERT_GE(at.size(), 8u);
    EXPECT_EQ(0, at[0]);
    std::vector<int> pauses;
    for (size_t i = 1; i < at.size(); ++i)
        pauses.push_back(at[i] - at[i - 1] - 1);
    const int longest = pauses.back();
    EXPECT_GE(longest, 10);
    EXPECT_LE(longest, 16);
    EXPECT_GE(pauses[0], 1);
    EXPECT_LE(pauses[0], 2);
    for (size_t i = 1; i < pauses.size(); ++i)
        EXPECT_EQ(std::min(2 * pauses[i - 1], longest), pauses[i]) << "pause " << i << " after " << pauses[i - 1];
    EXPECT_EQ(startCalls + 2 * at.size(), rig.Shell.Calls.size()); // add and modify per try

    // The shell comes: within one pause the icon is added, and from then on
    // a quiet tick calls the shell no more.
    rig.Shell.Fails = false;
    const std::vector<int> late = AddTicks(rig, 17);
    ASSERT_EQ(1u, late.size());
    const size_t calls = rig.Shell.Calls.size();
    AddTicks(rig, 100);
    EXPECT_EQ(calls, rig.Shell.Calls.size());
}

// A shell that already holds the icon refuses the add but takes the modify.
class TShellHoldingTheIcon : public IShellTray {
public:
    std::vector<uint32_t> Ops;
    bool NotifyIcon(uint32_t op, const TNotifyIconData&) override
    {
        Ops.push_back(op);
        return op != kNimAdd;
    }
};

TEST(TrayStart, AcceptedModifyAfterARefusedAddEndsTheRetries)
{
    TShellHoldingTheIcon shell; // outlives the controller, which deletes the icon
    TControllerRig rig;
    rig.Platform.Shell = &shell;
    rig.Create();
    const size_t calls = shell.Ops.size();
    AddTicks(rig, 50);
    EXPECT_EQ(calls, shell.Ops.size());
}

TEST_F(TrayTest, RestartedShellThatRefusesTheAddIsRetriedOnThePoll)
{
    rig.Shell.Fails = true;
    rig.Send(0xC123);
    rig.Shell.Fails = false;
    const size_t calls = rig.Shell.Calls.size();
    rig.Form->GetVolTimerTimer(nullptr);
    ASSERT_EQ(calls + 2, rig.Shell.Calls.size());
    EXPECT_EQ(kNimAdd, rig.Shell.Calls[calls].Op);
}

// The record's size follows the shell's version: a shell before 5.0 refuses
// the larger record, so the icon would never show on Windows 98 or NT 4.
TEST(NotifyIconRecord, SizeFollowsTheShellVersion)
{
    struct {
        uint32_t major, minor, size, tip;
    } cases[] = {
        {0, 0, 88, 64},    // shell32 4.00 has no DllGetVersion
        {4, 0, 88, 64},    // Windows 95, NT 4
        {4, 72, 88, 64},   // Windows 98
        {5, 0, 488, 128},  // Windows 2000, Me
        {6, 0, 488, 128},  // XP
        {10, 0, 488, 128}, // 10 and 11
    };
    for (const auto& c : cases) {
        const TNotifyIconRecord r = NotifyIconRecordFor(c.major, c.minor);
        EXPECT_EQ(c.size, r.Size) << c.major << "." << c.minor;
        EXPECT_EQ(c.tip, r.TipBytes) << c.major << "." << c.minor;
    }
}

} // namespace
