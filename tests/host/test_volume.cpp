// The volume engine against a fake mixer: the percent arithmetic, the
// caching of device and controls, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/host/Fakes.h"

namespace {

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    // The program started anew over a mixer set up by setup: the engine's
    // first touch of the device is the controller's start-up read.
    void Start(const std::function<void(TFakeMixer&)>& setup = nullptr)
    {
        rig.reset(); // the old controller goes before the new one comes
        rig = std::make_unique<TControllerRig>();
        if (setup)
            setup(rig->Mixer);
        rig->Create();
        rig->Mixer.Calls = 0;
        rig->Log.Events.clear();
    }
    int32_t Read(uint32_t raw)
    {
        rig->Mixer.Volume = raw;
        int32_t p = -1;
        EXPECT_TRUE(rig->Form->Volume().GetVolume(p));
        return p;
    }
    uint32_t Written(int32_t percent)
    {
        EXPECT_TRUE(rig->Form->Volume().SetVolume(percent));
        return rig->Mixer.VolumeWrites.back();
    }
    int Calls(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& e : rig->Log.Events)
            n += e.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    std::unique_ptr<TControllerRig> rig;
};

TEST_F(VolumeTest, ConvertsTheFullFaderRange)
{
    EXPECT_EQ(0u, Written(0));
    EXPECT_EQ(655u, Written(1));
    EXPECT_EQ(6553u, Written(10));
    EXPECT_EQ(32767u, Written(50));
    EXPECT_EQ(65535u, Written(100));

    EXPECT_EQ(0, Read(0));
    EXPECT_EQ(0, Read(327));
    EXPECT_EQ(1, Read(328));
    EXPECT_EQ(50, Read(32767));
    EXPECT_EQ(50, Read(32768));
    EXPECT_EQ(100, Read(65535));
}

TEST_F(VolumeTest, EveryPercentRoundTripsOverRangesOfAtLeast198Steps)
{
    const std::pair<uint32_t, uint32_t> ranges[] = {
        {0, 65535}, {0, 198}, {100, 298}, {0, 255}, {0x80000000u, 0x80000000u + 1000},
        {0, 42735992}, {0, 0xFFFFFFFFu}, {5, 100000000},
    };
    for (auto r : ranges) {
        Start([r](TFakeMixer& m) {
            m.Min = r.first;
            m.Max = r.second;
            m.Volume = r.first;
        });
        for (int32_t p = 0; p <= 100; ++p) {
            ASSERT_TRUE(rig->Form->Volume().SetVolume(p));
            int32_t back = -1;
            ASSERT_TRUE(rig->Form->Volume().GetVolume(back));
            EXPECT_EQ(p, back) << "range " << r.first << ".." << r.second;
        }
    }
}

TEST_F(VolumeTest, HugeRangesDoNotWrap)
{
    // With 32-bit intermediates these would wrap modulo 2^32.
    Start([](TFakeMixer& m) {
        m.Min = 0;
        m.Max = 0xFFFFFFFFu;
    });
    EXPECT_EQ(0x7FFFFFFFu, Written(50));
    EXPECT_EQ(0xFFFFFFFFu, Written(100));
    EXPECT_EQ(100, Read(0xFFFFFFFFu));
    EXPECT_EQ(25, Read(0x40000000u));
}

TEST_F(VolumeTest, EqualBoundsGiveNoPercentage)
{
    Start([](TFakeMixer& m) { m.Min = m.Max = m.Volume = 500; });
    int32_t p = 77;
    EXPECT_FALSE(rig->Form->Volume().GetVolume(p));
    EXPECT_EQ(77, p);
}

TEST_F(VolumeTest, OpensAndFindsOnlyOnce)
{
    // The start-up read found both controls.
    rig->Mixer.Calls = 0;
    EXPECT_TRUE(rig->Waveform.OpenMixer());
    EXPECT_TRUE(rig->Waveform.FindVolumeControl());
    EXPECT_TRUE(rig->Waveform.FindMuteControl());
    EXPECT_EQ(0, rig->Mixer.Calls);
    // From then on each get or set is one mixer call.
    int32_t p;
    bool m;
    rig->Form->Volume().GetVolume(p);
    rig->Form->Volume().SetVolume(40);
    rig->Form->Volume().GetMute(m);
    rig->Form->Volume().SetMute(true);
    EXPECT_EQ(4, rig->Mixer.Calls);
}

TEST_F(VolumeTest, AFailedFindIsRetriedOnTheOpenMixer)
{
    // No speakers line at start: the mixer opened, the controls not found.
    Start([](TFakeMixer& m) {
        m.LineFails = true;
        m.Volume = 65535;
    });
    EXPECT_EQ(0, rig->Form->Volume().m_nVolume);
    int32_t p = 33;
    EXPECT_FALSE(rig->Form->Volume().GetVolume(p));
    EXPECT_EQ(33, p);
    EXPECT_EQ(1, Calls("mixer.GetSpeakersLine")); // looked for again
    rig->Mixer.LineFails = false;
    EXPECT_TRUE(rig->Form->Volume().GetVolume(p));
    EXPECT_EQ(100, p);
    // The open of the start is kept: never opened a second time.
    EXPECT_EQ(0, Calls("mixer.Open"));
    // Found now, and not looked for again.
    const int lookups = Calls("mixer.GetSpeakersLine");
    EXPECT_TRUE(rig->Form->Volume().GetVolume(p));
    EXPECT_TRUE(rig->Form->Volume().SetVolume(20));
    EXPECT_EQ(lookups, Calls("mixer.GetSpeakersLine"));
}

TEST_F(VolumeTest, NoDeviceOrFailedOpenIsRetriedEachCall)
{
    Start([](TFakeMixer& m) { m.Devices = 0; });
    int32_t p = 5;
    EXPECT_FALSE(rig->Form->Volume().GetVolume(p));
    EXPECT_FALSE(rig->Form->Volume().SetVolume(50));
    EXPECT_EQ(2, Calls("mixer.GetNumDevs"));
    EXPECT_EQ(5, p);
    rig->Mixer.Devices = 1;
    rig->Mixer.OpenFails = true;
    EXPECT_FALSE(rig->Form->Volume().GetVolume(p));
    EXPECT_FALSE(rig->Form->Volume().GetVolume(p));
    EXPECT_EQ(2, Calls("mixer.Open"));
    rig->Mixer.OpenFails = false;
    rig->Mixer.Volume = 65535;
    EXPECT_TRUE(rig->Form->Volume().GetVolume(p));
    EXPECT_EQ(100, p);
    // Once open it stays open.
    EXPECT_TRUE(rig->Form->Volume().SetVolume(10));
    EXPECT_TRUE(rig->Form->Volume().ToggleMute());
    EXPECT_EQ(3, Calls("mixer.Open"));
}

TEST_F(VolumeTest, MuteReadsAnyNonZeroAndWritesZeroOrOne)
{
    bool m = false;
    rig->Mixer.Mute = 0x100;
    ASSERT_TRUE(rig->Form->Volume().GetMute(m));
    EXPECT_TRUE(m);
    EXPECT_FALSE(rig->Form->Volume().m_bMute); // a read does not update the record
    ASSERT_TRUE(rig->Form->Volume().SetMute(true));
    ASSERT_TRUE(rig->Form->Volume().SetMute(false));
    EXPECT_EQ((std::vector<uint32_t>{1, 0}), rig->Mixer.MuteWrites);
}

TEST_F(VolumeTest, FailedMuteWriteKeepsTheRecord)
{
    rig->Form->Volume().SetMute(true);
    rig->Mixer.WriteFails = true;
    EXPECT_FALSE(rig->Form->Volume().SetMute(false));
    EXPECT_TRUE(rig->Form->Volume().m_bMute);
}

TEST_F(VolumeTest, ToggleReadsTheMixerNotTheRecord)
{
    rig->Mixer.Mute = 1;
    rig->Form->Volume().m_bMute = false;
    EXPECT_TRUE(rig->Form->Volume().ToggleMute());
    EXPECT_EQ(0u, rig->Mixer.Mute);
    EXPECT_TRUE(rig->Form->Volume().ToggleMute());
    EXPECT_EQ(1u, rig->Mixer.Mute);
}

TEST_F(VolumeTest, ToggleWithoutAReadableMuteChangesNothing)
{
    Start([](TFakeMixer& m) { m.MuteControlMissing = true; });
    EXPECT_FALSE(rig->Form->Volume().ToggleMute());
    rig->Mixer.MuteControlMissing = false;
    rig->Mixer.ReadFails = true;
    EXPECT_FALSE(rig->Form->Volume().ToggleMute());
    EXPECT_TRUE(rig->Mixer.MuteWrites.empty());
}

} // namespace
