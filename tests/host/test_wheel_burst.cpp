// Wheel notifications that queued up behind the one being handled are taken
// with it and written once; the end state must be what handling them one by
// one gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <random>
#include <vector>

#include "tests/host/Fakes.h"
#include "wheel/WheelDecision.h"
#include "wheel/WheelQueue.h"

namespace {

uint32_t WheelParam(int16_t delta)
{
    return static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16;
}

// The queue's clock stands still at Clock; a waiting notification was posted
// at its entry in Times, or at Clock when Times runs short.
class TFakeWheelQueue : public IWheelQueue {
public:
    std::deque<uint32_t> Waiting, Times;
    std::vector<THandle> AskedFor;
    uint32_t Clock = 5000, Posted = 5000; // now, and when the handled message was posted
    std::function<void()> DuringTake;     // a message another thread sends, delivered in the peek
    bool TakeNext(THandle wnd, uint32_t& wParam, uint32_t& time) override
    {
        AskedFor.push_back(wnd);
        if (DuringTake) {
            auto sent = std::move(DuringTake);
            sent();
        }
        if (Waiting.empty())
            return false;
        wParam = Waiting.front();
        Waiting.pop_front();
        time = Clock;
        if (!Times.empty()) {
            time = Times.front();
            Times.pop_front();
        }
        return true;
    }
    uint32_t MessageTime() override { return Posted; }
    uint32_t Now() override { return Clock; }
};

// Pointer places of the scenes below.
const TPoint kOnTaskbar = {500, 767}, kOnRegistered = {300, 300}, kElsewhere = {600, 300};

void SetScene(TControllerRig& rig)
{
    rig.System.Taskbar = {0, 767, 1024, 768};
    rig.Windows.AtPoint[{kOnRegistered.x, kOnRegistered.y}] = 0x10;
    rig.Windows.Images[0x10] = "C:\\Editor\\editor.exe";
    rig.Windows.AtPoint[{kElsewhere.x, kElsewhere.y}] = 0x30;
    rig.Windows.Images[0x30] = "C:\\other.exe";
}

TEST(WheelBurst, TakenWithTheFirstAndWrittenOnce)
{
    TControllerRig rig;
    SetScene(rig);
    TFakeWheelQueue queue;
    rig.Platform.WheelQueue = &queue;
    rig.Create();
    rig.Form->Volume().m_nVolume = 50;
    rig.System.Cursor = kOnTaskbar;
    for (int16_t d : {120, 120, -60, -60, -240, 360})
        queue.Waiting.push_back(WheelParam(d));
    rig.Log.Events.clear();
    rig.Send(WM_HOOKWHEEL, WheelParam(120));

    // +3 notches, -3, +3 in order: 50 55 60 65, 60 55 50, 55 60 65.
    EXPECT_TRUE(queue.Waiting.empty());
    EXPECT_EQ(std::vector<THandle>(queue.AskedFor.size(), rig.Form->Handle()), queue.AskedFor);
    EXPECT_EQ(65, rig.Form->Volume().m_nVolume);
    EXPECT_EQ("360", rig.Form->Label1->Caption());
    EXPECT_EQ("Pelmora 1.4 - 65%", rig.Form->Tray().m_strTipText);
    EXPECT_EQ((std::vector<std::string>{"mixer.GetMute", "mixer.SetVolume 42597", "mixer.GetMute", "tray.modify"}),
              rig.Log.Events);
}

TEST(WheelBurst, OutsideTheGateTheWholeBurstIsDropped)
{
    TControllerRig rig;
    SetScene(rig);
    TFakeWheelQueue queue;
    rig.Platform.WheelQueue = &queue;
    rig.Create();
    rig.Form->Volume().m_nVolume = 50;
    rig.Form->Wheel().m_nWheelRemainder = -100;
    rig.System.Cursor = kElsewhere;
    queue.Waiting = {WheelParam(-120), WheelParam(-7)};
    rig.Log.Events.clear();
    rig.Send(WM_HOOKWHEEL, WheelParam(-120));
    EXPECT_TRUE(queue.Waiting.empty());
    EXPECT_EQ("-7", rig.Form->Label1->Caption());
    EXPECT_EQ(0, rig.Form->Wheel().m_nWheelRemainder);
    EXPECT_TRUE(rig.Log.Events.empty());
}

// The program with a queue, the pointer over the taskbar, at 50 %.
class QueuedWheel : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetScene(rig);
        rig.Platform.WheelQueue = &queue;
        rig.Create();
        rig.System.Cursor = kOnTaskbar;
        rig.Form->Volume().m_nVolume = 50;
    }
    TFakeWheelQueue queue; // outlives the rig, whose window holds it
    TControllerRig rig;
};

TEST_F(QueuedWheel, WhatWaitedPastTheBoundIsDroppedAndABurstAppliesAtMostItsNotches)
{

    // A stall of 60 s: everything posted before the last two seconds is
    // dropped, the handled message itself included; a notch is not
    // completed from half of one dropped and half of one kept.
    queue.Clock = 65000;
    queue.Posted = 5000;
    queue.Waiting = {WheelParam(-120), WheelParam(-60), WheelParam(-60), WheelParam(120), WheelParam(-7)};
    queue.Times = {30000, 62999, 63000, 64000, 65000};
    rig.Send(WM_HOOKWHEEL, WheelParam(-120));
    EXPECT_EQ(55, rig.Form->Volume().m_nVolume); // -60 +120 -7: one notch up
    EXPECT_EQ("-7", rig.Form->Label1->Caption());
    EXPECT_EQ(-7, rig.Form->Wheel().m_nWheelRemainder);

    // All of it stale: only Label1, nothing written.
    rig.Log.Events.clear();
    queue.Posted = 1000;
    queue.Waiting = {WheelParam(120)};
    queue.Times = {2000};
    rig.Send(WM_HOOKWHEEL, WheelParam(120));
    EXPECT_EQ("120", rig.Form->Label1->Caption());
    EXPECT_TRUE(rig.Log.Events.empty());
    EXPECT_EQ(0, rig.Form->Wheel().m_nWheelRemainder);

    // The clock wraps after 49.7 days: posted just before, handled just after.
    queue.Clock = 100;
    queue.Posted = 0xFFFFFF00u;
    rig.Send(WM_HOOKWHEEL, WheelParam(-120));
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);

    // Thirty fresh notches in one burst (and one notification of 20) apply ten.
    queue.Posted = queue.Clock;
    rig.Form->Volume().m_nVolume = 0;
    queue.Waiting.assign(29, WheelParam(120));
    rig.Send(WM_HOOKWHEEL, WheelParam(120));
    EXPECT_EQ(10, rig.Form->Volume().m_nVolume);
    EXPECT_EQ(0, rig.Form->Wheel().m_nWheelRemainder);
    rig.Form->Volume().m_nVolume = 100;
    rig.Send(WM_HOOKWHEEL, WheelParam(-2400));
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
}

TEST_F(QueuedWheel, ANotificationThatANestedLoopDeliversWaitsForTheBurstInHand)
{
    queue.Waiting = {WheelParam(-120)};
    // Inside the peek the shell's tray callback opens the menu, whose loop
    // dispatches two newer notifications.
    bool nested = false;
    queue.DuringTake = [&] {
        rig.Log.Events.clear();
        rig.Send(WM_HOOKWHEEL, WheelParam(120));
        rig.Send(WM_HOOKWHEEL, WheelParam(120));
        nested = true;
        EXPECT_TRUE(rig.Log.Events.empty()) << "the nested notifications acted at once";
        EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    };
    rig.Send(WM_HOOKWHEEL, WheelParam(-120));
    ASSERT_TRUE(nested);
    // The outer burst first (two down: 50 45 40), then the two that waited
    // (40 45 50), each burst written once.
    EXPECT_EQ(50, rig.Form->Volume().m_nVolume);
    EXPECT_EQ((std::vector<uint32_t>{26214, 32767}), std::vector<uint32_t>(rig.Mixer.VolumeWrites.end() - 2,
                                                                          rig.Mixer.VolumeWrites.end()));
    EXPECT_FALSE(rig.Form->Wheel().m_bInWheel);
    EXPECT_TRUE(rig.Form->Wheel().m_pendingWheel.empty());
}

// What the user and the mixer are left with after a burst.
struct TEndState {
    int32_t Volume;
    uint32_t MixerVolume, MixerMute;
    bool Mute;
    std::string Label, Tip;
    uint32_t TrayOp;
    THandle TrayIcon;
    std::string TrayTip;
    int32_t Remainder;
    bool operator==(const TEndState& o) const
    {
        return Volume == o.Volume && MixerVolume == o.MixerVolume && MixerMute == o.MixerMute && Mute == o.Mute &&
               Label == o.Label && Tip == o.Tip && TrayOp == o.TrayOp && TrayIcon == o.TrayIcon &&
               TrayTip == o.TrayTip && Remainder == o.Remainder;
    }
};

std::ostream& operator<<(std::ostream& os, const TEndState& s)
{
    return os << "volume " << s.Volume << " mixer " << s.MixerVolume << "/" << s.MixerMute << " m_bMute " << s.Mute
              << " label " << s.Label << " tip '" << s.Tip << "' tray " << s.TrayOp << " " << s.TrayIcon << " '"
              << s.TrayTip << "' remainder " << s.Remainder;
}

struct TBurst {
    TPoint Pointer;
    bool PointerFails;
    uint16_t Ctrl, MButton;
    // Set from outside before the burst (the poll, another program); -1: left.
    int32_t PolledVolume;
    int32_t OutsideMute;
    std::vector<int16_t> Deltas;
};

struct TScenario {
    bool CtrlKeyMute;
    bool MuteUnreadable; // reads fail, writes work
    uint32_t StartMute;
    int32_t StartVolume;
    std::vector<TBurst> Bursts;
};

int16_t RandomDelta(std::mt19937& rng)
{
    const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
    const int sign = rng() % 2 ? 1 : -1;
    switch (kind) {
    case 0:
    case 1:
    case 2:
        return static_cast<int16_t>(sign * 120);
    case 3:
        return static_cast<int16_t>(sign * 120 * std::uniform_int_distribution<int>(2, 4)(rng));
    case 4:
        return 0;
    case 5:
        return static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(rng));
    default: // fine-grained devices
        return static_cast<int16_t>(sign * std::uniform_int_distribution<int>(1, 130)(rng));
    }
}

TScenario RandomScenario(std::mt19937& rng)
{
    auto chance = [&rng](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    TScenario sc;
    sc.CtrlKeyMute = chance(75);
    sc.MuteUnreadable = chance(10);
    sc.StartMute = chance(30) ? 1 : 0;
    sc.StartVolume = chance(5) ? std::uniform_int_distribution<int>(-20, 150)(rng)
                               : std::uniform_int_distribution<int>(0, 100)(rng);
    const int bursts = std::uniform_int_distribution<int>(1, 8)(rng);
    const TPoint places[] = {kOnTaskbar, kOnTaskbar, kOnRegistered, kElsewhere};
    for (int b = 0; b < bursts; ++b) {
        TBurst burst;
        burst.Pointer = places[rng() % 4];
        burst.PointerFails = chance(5);
        const uint16_t keyStates[] = {0, 0, 0x8000, 0x0001, 0x8001};
        burst.Ctrl = keyStates[rng() % 5];
        burst.MButton = keyStates[rng() % 5];
        burst.PolledVolume = chance(15) ? std::uniform_int_distribution<int>(0, 100)(rng) : -1;
        burst.OutsideMute = chance(15) ? static_cast<int32_t>(rng() % 2) : -1;
        // Within the notches one burst may apply: sum |delta| below 1,081
        // completes at most 10 notches, whatever remainder was carried.
        const int length = std::uniform_int_distribution<int>(1, 16)(rng);
        int total = 0;
        for (int i = 0; i < length; ++i) {
            int d = RandomDelta(rng);
            const int room = kMaxBurstNotches * kWheelDelta - (kWheelDelta - 1) - total;
            if (std::abs(d) > room) {
                if (!burst.Deltas.empty())
                    break;
                d = d < 0 ? -room : room;
            }
            total += std::abs(d);
            burst.Deltas.push_back(static_cast<int16_t>(d));
        }
        sc.Bursts.push_back(burst);
    }
    return sc;
}

// Plays the scenario one notification at a time, or each burst as it would
// wait in the queue behind its first notification; the end state after each.
std::vector<TEndState> Play(const TScenario& sc, bool coalesced)
{
    TControllerRig rig;
    SetScene(rig);
    TFakeWheelQueue queue;
    if (coalesced)
        rig.Platform.WheelQueue = &queue;
    rig.Mixer.Mute = sc.StartMute;
    rig.Create();
    g_StoredProgramList->Add("editor.exe");
    rig.Form->Settings().m_bCtrlKeyMute = sc.CtrlKeyMute;
    rig.Form->Volume().m_nVolume = sc.StartVolume;
    rig.Mixer.ReadFails = sc.MuteUnreadable;

    std::vector<TEndState> ends;
    for (const TBurst& b : sc.Bursts) {
        if (b.PolledVolume >= 0)
            rig.Form->Volume().m_nVolume = b.PolledVolume;
        if (b.OutsideMute >= 0)
            rig.Mixer.Mute = static_cast<uint32_t>(b.OutsideMute);
        rig.System.Cursor = b.Pointer;
        rig.System.CursorFails = b.PointerFails;
        rig.System.Keys[kVkControl] = b.Ctrl;
        rig.System.Keys[kVkMButton] = b.MButton;
        const size_t volumeWrites = rig.Mixer.VolumeWrites.size(), muteWrites = rig.Mixer.MuteWrites.size();
        const size_t trayCalls = rig.Shell.Calls.size();
        if (coalesced) {
            for (size_t i = 1; i < b.Deltas.size(); ++i)
                queue.Waiting.push_back(WheelParam(b.Deltas[i]));
            rig.Send(WM_HOOKWHEEL, WheelParam(b.Deltas[0]));
            EXPECT_TRUE(queue.Waiting.empty());
            EXPECT_LE(rig.Mixer.VolumeWrites.size() - volumeWrites, 1u);
            EXPECT_LE(rig.Mixer.MuteWrites.size() - muteWrites, 1u);
            EXPECT_LE(rig.Shell.Calls.size() - trayCalls, 1u);
        } else {
            for (int16_t d : b.Deltas)
                rig.Send(WM_HOOKWHEEL, WheelParam(d));
        }
        const TFakeShell::TCall& last = rig.Shell.Calls.back();
        ends.push_back({rig.Form->Volume().m_nVolume, rig.Mixer.Volume, rig.Mixer.Mute, rig.Form->Volume().m_bMute,
                        rig.Form->Label1->Caption(), rig.Form->Tray().m_strTipText, last.Op, last.Data.Icon,
                        last.Data.Tip, rig.Form->Wheel().m_nWheelRemainder});
    }
    return ends;
}

TEST(WheelBurst, CoalescedEndsWhereOneByOneEnds)
{
    std::mt19937 rng(22);
    for (int n = 0; n < 1500; ++n) {
        const TScenario sc = RandomScenario(rng);
        const std::vector<TEndState> single = Play(sc, false);
        const std::vector<TEndState> burst = Play(sc, true);
        ASSERT_EQ(single.size(), burst.size());
        for (size_t b = 0; b < single.size(); ++b) {
            ASSERT_EQ(single[b], burst[b]) << "scenario " << n << ", burst " << b << ": "
                                           << testing::PrintToString(sc.Bursts[b].Deltas);
        }
    }
}

} // namespace
