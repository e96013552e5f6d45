// Wheel notifications: the decision table, the step edges, the gate and the
// order of the handler's effects.
#include <gtest/gtest.h>

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
        TWheelInput in;
        in.Delta = r.down ? -120 : 120;
        in.OverTaskbar = true;
        in.Volume = 50;
        in.Muted = r.muted;
        in.Modifier = r.modifier;
        in.CtrlKeyMute = r.flag;
        TWheelEffect e = DecideWheel(in);
        SCOPED_TRACE(testing::Message() << r.down << r.modifier << r.flag << r.muted);
        EXPECT_TRUE(e.Acted);
        EXPECT_EQ(r.volume, e.Volume);
        EXPECT_EQ(r.writeMute, e.WriteMute);
        if (r.writeMute)
            EXPECT_EQ(r.muteValue, e.MuteValue);
    }
}

TEST(WheelDecision, StepEdgesAndClamp)
{
    const struct {
        int32_t from;
        int16_t delta;
        int32_t to;
    } cases[] = {
        {20, -120, 19}, {21, -120, 19}, {30, 120, 32}, {31, 120, 36}, {98, 120, 100},
        {1, -120, 0},   {0, -120, 0},   {100, 120, 100}, {-7, 120, 0}, {150, -120, 100},
        {50, -10, 45},  {50, -5, 55},   {50, -9, 55},  {50, 1, 55},
    };
    for (auto c : cases) {
        TWheelInput in;
        in.Delta = c.delta;
        in.OverTaskbar = true;
        in.Volume = c.from;
        EXPECT_EQ(c.to, DecideWheel(in).Volume) << c.from << " " << c.delta;
    }
}

TEST(WheelDecision, GateAndTaskbarEdges)
{
    TWheelInput in;
    in.Delta = 120;
    EXPECT_FALSE(DecideWheel(in).Acted);
    in.Registered = true;
    EXPECT_TRUE(DecideWheel(in).Acted);
    in.Delta = 0;
    EXPECT_FALSE(DecideWheel(in).Acted);

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
        rig.Form->m_nVolume = 50;
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
    EXPECT_EQ(55, rig.Form->m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 55%", rig.Form->m_strTipText);
    EXPECT_EQ((std::vector<std::string>{"mixer.GetMute", "mixer.SetVolume 36044", "mixer.GetMute", "tray.modify"}),
              rig.Log.Events);
}

TEST_F(WheelHandler, ElsewhereOnlyTheLabelChanges)
{
    rig.Form->m_strTipText = "before";
    Wheel(-120, {600, 300});
    EXPECT_EQ("-120", rig.Form->Label1->Caption());
    EXPECT_EQ(50, rig.Form->m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
    EXPECT_EQ("before", rig.Form->m_strTipText);
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
    EXPECT_EQ(50, rig.Form->m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
    rig.System.CursorFails = false;
    Wheel(120, {0, 0});
    EXPECT_EQ(55, rig.Form->m_nVolume);
}

TEST_F(WheelHandler, SecondaryTaskbarOfAnotherMonitorCounts)
{
    // A second monitor to the right: its taskbar's button strip is a child
    // of the Shell_SecondaryTrayWnd window, far from the primary rectangle.
    rig.Windows.AtPoint[{1500, 760}] = 0x41;
    rig.Windows.Parents[0x41] = 0x40;
    rig.Windows.Classes[0x40] = "Shell_SecondaryTrayWnd";
    rig.Windows.Classes[0x41] = "MSTaskListWClass";
    Wheel(120, {1500, 760});
    EXPECT_EQ(55, rig.Form->m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 55%", rig.Form->m_strTipText);
    // Only the top-level window's class counts, and only that exact class.
    rig.Windows.Classes[0x40] = "Shell_TrayWnd2";
    rig.Windows.Classes[0x41] = "Shell_SecondaryTrayWnd";
    Wheel(120, {1500, 760});
    EXPECT_EQ(55, rig.Form->m_nVolume);
    EXPECT_TRUE(rig.Log.Events.empty());
}

TEST_F(WheelHandler, RegisteredProgramMatchesThroughItsTopLevelWindowIgnoringCase)
{
    g_StoredProgramList->Add("Editor.EXE");
    Wheel(-120, {300, 300});
    EXPECT_EQ(45, rig.Form->m_nVolume);
}

TEST_F(WheelHandler, CtrlMutesAndUnmutesAndMiddleButtonCountsToo)
{
    rig.System.Keys[kVkControl] = 0x8000;
    Wheel(-120, {10, 767});
    EXPECT_EQ(1u, rig.Mixer.Mute);
    EXPECT_EQ(50, rig.Form->m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 50%", rig.Form->m_strTipText);
    rig.System.Keys[kVkControl] = 0x0001; // only "pressed since last asked": not held
    rig.System.Keys[kVkMButton] = 0x8000;
    Wheel(120, {10, 767});
    EXPECT_EQ(0u, rig.Mixer.Mute);
    EXPECT_EQ(50, rig.Form->m_nVolume);
}

TEST_F(WheelHandler, WhileMutedThePlainWheelRewritesButChangesNothing)
{
    rig.Mixer.Mute = 1;
    Wheel(120, {10, 767});
    EXPECT_EQ(50, rig.Form->m_nVolume);
    EXPECT_TRUE(rig.Log.Contains("mixer.SetVolume 32767"));
    EXPECT_TRUE(rig.Log.Contains("tray.modify"));
}

TEST_F(WheelHandler, FlagOffMakesTheModifierPlain)
{
    rig.Form->m_bCtrlKeyMute = false;
    rig.System.Keys[kVkControl] = 0x8000;
    Wheel(-120, {10, 767});
    EXPECT_EQ(0u, rig.Mixer.Mute);
    EXPECT_EQ(45, rig.Form->m_nVolume);
}

TEST_F(WheelHandler, UnreadableMuteCountsAsNotMuted)
{
    rig.Mixer.Mute = 1;
    rig.Mixer.ReadFails = true;
    Wheel(120, {10, 767});
    EXPECT_EQ(55, rig.Form->m_nVolume);
}

} // namespace
