// Wheel notifications: the decision table, the step edges, notches from
// deltas, the gate and the order of the handler's effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/host/Fakes.h"
#include "wheel/WheelDecision.h"

namespace {

TEST(WheelDecision, EveryRowOfTheTable)
{
    // direction x modifier x flag x muted -> (volume change, mute write)
    struct Row {
        bool down, modifier, flag, muted;
        int32_t volume;
        bool writeMute, muteValue;
    };
    const Row rows[] = {
        {true, true, true, false, 50, true, true},    {true, true, true, true, 50, false, false},
        {true, true, false, false, 45, false, false}, {true, true, false, true, 50, false, false},
        {true, false, true, false, 45, false, false}, {true, false, true, true, 50, false, false},
        {true, false, false, false, 45, false, false}, {true, false, false, true, 50, false, false},
        {false, true, true, false, 50, true, false},  {false, true, true, true, 50, true, false},
        {false, true, false, false, 55, false, false}, {false, true, false, true, 50, false, false},
        {false, false, true, false, 55, false, false}, {false, false, true, true, 50, false, false},
        {false, false, false, false, 55, false, false}, {false, false, false, true, 50, false, false},
    };
    for (const Row& r : rows) {
        TWheelState s;
        s.Volume = 50;
        s.Muted = r.muted;
        s.Modifier = r.modifier;
        s.CtrlKeyMute = r.flag;
        ApplyNotches(s, r.down ? -1 : 1);
        SCOPED_TRACE(testing::Message() << r.down << r.modifier << r.flag << r.muted);
        EXPECT_TRUE(s.Acted);
        EXPECT_EQ(r.volume, s.Volume);
        EXPECT_EQ(r.writeMute, s.WriteMute);
        if (r.writeMute)
            EXPECT_EQ(r.muteValue, s.MuteValue);
    }
}

TEST(WheelDecision, StepEdgesAndClampPerNotch)
{
    const struct {
        int32_t from;
        int32_t notches;
        int32_t to;
    } cases[] = {
        {20, -1, 19}, {21, -1, 19}, {30, 1, 32}, {31, 1, 36}, {98, 1, 100},
        {1, -1, 0},   {0, -1, 0},   {100, 1, 100}, {-7, 1, 0}, {150, -1, 100},
        // Each notch takes its step from the level the one before left, and
        // is clamped before the next: as many notifications of one notch.
        {32, -3, 23}, {19, 3, 23},  {98, 2, 100}, {150, -2, 95}, {-7, 2, 1},
        {50, 0, 50},
    };
    for (auto c : cases) {
        TWheelState s;
        s.Volume = c.from;
        ApplyNotches(s, c.notches);
        EXPECT_EQ(c.to, s.Volume) << c.from << " " << c.notches;
        EXPECT_EQ(c.notches != 0, s.Acted);
    }
}

TEST(WheelDecision, NotchesFromDeltas)
{
    // delta sequence -> notches of the last delta, remainder after it
    const struct {
        std::vector<int16_t> deltas;
        int32_t notches, remainder;
    } cases[] = {
        // The rest keeps the sign of its run, also across a reversal.
        {{-130}, -1, -10},    {{100, 30}, 1, 10},     {{100, -30}, 0, -30},
        {{-100, 20}, 0, 20},  {{-119, 0}, 0, -119},   {{-1, -1}, 0, -2},
        // The extremes of the 16-bit delta.
        {{-32768}, -273, -8}, {{32767}, 273, 7},
    };
    for (const auto& c : cases) {
        int32_t remainder = 0, notches = 0;
        for (int16_t d : c.deltas)
            notches = TakeNotches(remainder, d);
        SCOPED_TRACE(testing::PrintToString(c.deltas));
        EXPECT_EQ(c.notches, notches);
        EXPECT_EQ(c.remainder, remainder);
    }
}

TEST(WheelDecision, TaskbarEdges)
{
    const TRect bar = {0, 738, 1024, 768};
    EXPECT_TRUE(PointInTaskbar(bar, {1024, 768}));
    EXPECT_TRUE(PointInTaskbar(bar, {0, 738}));
    EXPECT_FALSE(PointInTaskbar(bar, {1025, 750}));
    EXPECT_FALSE(PointInTaskbar(bar, {500, 737}));
    const TRect none = {0, 0, 0, 0};
    EXPECT_TRUE(PointInTaskbar(none, {0, 0}));
    EXPECT_FALSE(PointInTaskbar(none, {0, 1}));
}

class WheelHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.System.Taskbar = {0, 767, 1024, 768};
        rig.Windows.AtPoint[{300, 300}] = 0x20;
        rig.Windows.Parents[0x20] = 0x10;
        rig.Windows.Images[0x10] = "C:\\Program Files\\Editor\\EDITOR.EXE";
        rig.Windows.AtPoint[{600, 300}] = 0x30;
        rig.Windows.Images[0x30] = "C:\\other.exe";
        rig.Create();
        rig.Form->Volume().m_nVolume = 50;
    }
    void Wheel(int16_t delta, TPoint at)
    {
        rig.System.Cursor = at;
        rig.Log.Events.clear();
        rig.Send(WM_HOOKWHEEL, static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16 | 0x1234, 0xdead);
    }
    TControllerRig rig;
};

TEST_F(WheelHandler, OverTheTaskbarStepsWritesAndRefreshes)
{
    Wheel(120, {1000, 768});
    EXPECT_EQ("120", rig.Form->Label1->Caption());
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 55%", rig.Form->Tray().m_strTipText);
    EXPECT_EQ((std::vector<std::string>{"mixer.GetMute", "mixer.SetVolume 36044", "mixer.GetMute", "tray.modify"}),
              rig.Log.Events);
}

TEST_F(WheelHandler, ElsewhereOnlyTheLabelChanges)
{
    rig.Form->Tray().m_strTipText = "before";
    Wheel(-120, {600, 300});
    EXPECT_EQ("-120", rig.Form->Label1->Caption());
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
    EXPECT_EQ("before", rig.Form->Tray().m_strTipText);
    Wheel(0, {1000, 768}); // delta 0 over the taskbar: the label only
    EXPECT_EQ("0", rig.Form->Label1->Caption());
    EXPECT_TRUE(rig.Log.Events.empty());
}

TEST_F(WheelHandler, UnreadablePointerDoesNothingButTheLabel)
{
    // A taskbar along the top holds the point (0, 0); so does a registered
    // program's window there.
    rig.System.Taskbar = {0, 0, 1024, 30};
    rig.Windows.AtPoint[{0, 0}] = 0x10;
    g_StoredProgramList->Add("editor.exe");
    rig.System.CursorFails = true;
    Wheel(120, {0, 0});
    EXPECT_EQ("120", rig.Form->Label1->Caption());
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
    rig.System.CursorFails = false;
    Wheel(120, {0, 0});
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, TaskbarWindowsCountByTheirClass)
{
    // A window at pt of class childClass inside a top-level one of topClass.
    auto windowAt = [this](TPoint pt, TWnd top, const char* topClass, const char* childClass) {
        rig.Windows.AtPoint[{pt.x, pt.y}] = top + 1;
        rig.Windows.Parents[top + 1] = top;
        rig.Windows.Classes[top] = topClass;
        rig.Windows.Classes[top + 1] = childClass;
    };
    // A second monitor to the right: its taskbar's button strip is a child
    // of the Shell_SecondaryTrayWnd window, far from the primary rectangle.
    windowAt({1500, 760}, 0x40, "Shell_SecondaryTrayWnd", "MSTaskListWClass");
    Wheel(120, {1500, 760});
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 55%", rig.Form->Tray().m_strTipText);
    // The primary taskbar counts by its class too: scaled for 150 %, the
    // pointer on it reads (341, 511) while the rectangle query answers in
    // real pixels (0, 767)-(1024, 768), which that point misses.
    rig.System.Taskbar = {0, 767, 1024, 768};
    windowAt({341, 511}, 0x50, "Shell_TrayWnd", "ToolbarWindow32");
    Wheel(120, {341, 511});
    EXPECT_EQ(60, rig.Form->Volume().m_nVolume);
    // Only the top-level window's class counts, and only those exact classes.
    rig.Log.Events.clear();
    windowAt({341, 511}, 0x50, "shell_traywnd", "Shell_TrayWnd");
    windowAt({1500, 760}, 0x40, "Shell_TrayWnd2", "Shell_SecondaryTrayWnd");
    Wheel(120, {341, 511});
    Wheel(120, {1500, 760});
    EXPECT_EQ(60, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
}

TEST_F(WheelHandler, RegisteredProgramMatchesThroughItsTopLevelWindowIgnoringCase)
{
    g_StoredProgramList->Add("Editor.EXE");
    Wheel(-120, {300, 300});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, CtrlMutesAndUnmutesAndMiddleButtonCountsToo)
{
    rig.System.Keys[kVkControl] = 0x8000;
    Wheel(-120, {10, 767});
    EXPECT_EQ(1u, rig.Mixer.Mute);
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 50%", rig.Form->Tray().m_strTipText);
    rig.System.Keys[kVkControl] = 0x0001; // only "pressed since last asked": not held
    rig.System.Keys[kVkMButton] = 0x8000;
    Wheel(120, {10, 767});
    EXPECT_EQ(0u, rig.Mixer.Mute);
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, WhileMutedThePlainWheelRewritesButChangesNothing)
{
    rig.Mixer.Mute = 1;
    Wheel(120, {10, 767});
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Log.Contains("mixer.SetVolume 32767"));
    EXPECT_TRUE(rig.Log.Contains("tray.modify"));
}

TEST_F(WheelHandler, FlagOffMakesTheModifierPlain)
{
    rig.Form->Settings().m_bCtrlKeyMute = false;
    rig.System.Keys[kVkControl] = 0x8000;
    Wheel(-120, {10, 767});
    EXPECT_EQ(0u, rig.Mixer.Mute);
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, UnreadableMuteCountsAsNotMuted)
{
    rig.Mixer.Mute = 1;
    rig.Mixer.ReadFails = true;
    Wheel(120, {10, 767});
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, FractionsAddUpToWholeNotches)
{
    // A fine-grained device: 24 of -5 are one notch down, and only the
    // notification that completes it writes; the label shows every delta.
    for (int i = 0; i < 24; ++i) {
        Wheel(-5, {10, 767});
        EXPECT_EQ("-5", rig.Form->Label1->Caption());
        EXPECT_EQ(i < 23, rig.Log.Events.empty()) << i;
    }
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 45%", rig.Form->Tray().m_strTipText);
    for (int i = 0; i < 5; ++i)
        Wheel(24, {10, 767});
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    // Twelve of -10 make a notch too (they used to step twelve times).
    for (int i = 0; i < 12; ++i)
        Wheel(-10, {10, 767});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
    // A small downward movement never raises the volume.
    Wheel(-9, {10, 767});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
}

TEST_F(WheelHandler, SeveralNotchesInOneNotificationStepEach)
{
    Wheel(-360, {10, 767});
    EXPECT_EQ("-360", rig.Form->Label1->Caption());
    EXPECT_EQ(35, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(1, std::count(rig.Log.Events.begin(), rig.Log.Events.end(), "tray.modify"));
    Wheel(240, {10, 767});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
    // 150 is one notch and 30 toward the next, which 90 more completes.
    Wheel(150, {10, 767});
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    Wheel(90, {10, 767});
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, ReversalDropsTheHalfNotch)
{
    Wheel(-100, {10, 767});
    Wheel(60, {10, 767}); // not 20 toward a notch up from -40
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(60, rig.Form->Wheel().m_nWheelRemainder);
    Wheel(-100, {10, 767});
    Wheel(-20, {10, 767});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
    // A delta of 0 has no direction: it keeps what was carried.
    Wheel(-60, {10, 767});
    Wheel(0, {10, 767});
    Wheel(-60, {10, 767});
    EXPECT_EQ(40, rig.Form->Volume().m_nVolume);
}

TEST_F(WheelHandler, MovementOutsideTheGateDropsTheHalfNotch)
{
    Wheel(-100, {10, 767});
    Wheel(-10, {600, 300}); // over another program's window
    EXPECT_EQ("-10", rig.Form->Label1->Caption());
    Wheel(-20, {10, 767});
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(-20, rig.Form->Wheel().m_nWheelRemainder);
    // So does a pointer that cannot be read.
    rig.System.CursorFails = true;
    Wheel(-10, {10, 767});
    rig.System.CursorFails = false;
    EXPECT_EQ(0, rig.Form->Wheel().m_nWheelRemainder);
    // Over a registered program the movement counts like over the taskbar.
    g_StoredProgramList->Add("editor.exe");
    Wheel(-100, {10, 767});
    Wheel(-20, {300, 300});
    EXPECT_EQ(45, rig.Form->Volume().m_nVolume);
}

} // namespace
