// The volume engine against a fake mixer: the percent arithmetic, the
// caching of device and controls, and what a failure leaves behind.
#include <gtest/gtest.h>

#include "tests/host/Fakes.h"

namespace {

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.Create();
        rig.Mixer.Calls = 0;
    }
    // A controller whose engine has not touched the mixer yet.
    void Reset()
    {
        rig.Form->m_hMixer = 0;
        rig.Form->m_dwVolumeControlID = 0xFFFFFFFF;
        rig.Form->m_dwMuteControlID = 0xFFFFFFFF;
    }
    int32_t Read(uint32_t raw)
    {
        rig.Mixer.Volume = raw;
        int32_t p = -1;
        EXPECT_TRUE(rig.Form->GetVolume(p));
        return p;
    }
    uint32_t Written(int32_t percent)
    {
        EXPECT_TRUE(rig.Form->SetVolume(percent));
        return rig.Mixer.VolumeWrites.back();
    }
    TControllerRig rig;
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
        Reset();
        rig.Mixer.Min = r.first;
        rig.Mixer.Max = r.second;
        for (int32_t p = 0; p <= 100; ++p) {
            ASSERT_TRUE(rig.Form->SetVolume(p));
            int32_t back = -1;
            ASSERT_TRUE(rig.Form->GetVolume(back));
            EXPECT_EQ(p, back) << "range " << r.first << ".." << r.second;
        }
    }
}

TEST_F(VolumeTest, HugeRangesDoNotWrap)
{
    // With 32-bit intermediates these would wrap modulo 2^32.
    Reset();
    rig.Mixer.Min = 0;
    rig.Mixer.Max = 0xFFFFFFFFu;
    EXPECT_EQ(0x7FFFFFFFu, Written(50));
    EXPECT_EQ(0xFFFFFFFFu, Written(100));
    EXPECT_EQ(100, Read(0xFFFFFFFFu));
    EXPECT_EQ(25, Read(0x40000000u));
}

TEST_F(VolumeTest, EqualBoundsGiveNoPercentage)
{
    Reset();
    rig.Mixer.Min = rig.Mixer.Max = 500;
    int32_t p = 77;
    EXPECT_FALSE(rig.Form->GetVolume(p));
    EXPECT_EQ(77, p);
}

TEST_F(VolumeTest, OpensAndFindsOnlyOnce)
{
    Reset();
    int32_t p;
    bool m;
    ASSERT_TRUE(rig.Form->GetVolume(p));
    ASSERT_TRUE(rig.Form->GetMute(m));
    rig.Mixer.Calls = 0;
    EXPECT_TRUE(rig.Form->OpenMixer());
    EXPECT_TRUE(rig.Form->FindVolumeControl());
    EXPECT_TRUE(rig.Form->FindMuteControl());
    EXPECT_EQ(0, rig.Mixer.Calls);
    // After the finds, each get or set is one mixer call.
    rig.Form->GetVolume(p);
    rig.Form->SetVolume(40);
    rig.Form->GetMute(m);
    rig.Form->SetMute(true);
    EXPECT_EQ(4, rig.Mixer.Calls);
}

TEST_F(VolumeTest, FailedFindIsRetriedAndLeavesTheCacheAlone)
{
    Reset();
    rig.Mixer.LineFails = true;
    int32_t p = 33;
    EXPECT_FALSE(rig.Form->GetVolume(p));
    EXPECT_EQ(33, p);
    EXPECT_EQ(0xFFFFFFFFu, rig.Form->m_dwVolumeControlID);
    EXPECT_NE(0u, rig.Form->m_hMixer); // the open itself succeeded and is kept
    rig.Mixer.LineFails = false;
    rig.Mixer.Volume = 65535;
    EXPECT_TRUE(rig.Form->GetVolume(p));
    EXPECT_EQ(100, p);
}

TEST_F(VolumeTest, NoDeviceOrFailedOpenIsRetriedEachCall)
{
    Reset();
    rig.Mixer.Devices = 0;
    int32_t p = 5;
    EXPECT_FALSE(rig.Form->GetVolume(p));
    EXPECT_FALSE(rig.Form->SetVolume(50));
    rig.Mixer.Devices = 1;
    rig.Mixer.OpenFails = true;
    EXPECT_FALSE(rig.Form->GetVolume(p));
    EXPECT_EQ(0u, rig.Form->m_hMixer);
    rig.Mixer.OpenFails = false;
    EXPECT_TRUE(rig.Form->GetVolume(p));
}

TEST_F(VolumeTest, MuteReadsAnyNonZeroAndWritesZeroOrOne)
{
    bool m = false;
    rig.Mixer.Mute = 0x100;
    ASSERT_TRUE(rig.Form->GetMute(m));
    EXPECT_TRUE(m);
    EXPECT_FALSE(rig.Form->m_bMute); // a read does not update the record
    ASSERT_TRUE(rig.Form->SetMute(true));
    ASSERT_TRUE(rig.Form->SetMute(false));
    EXPECT_EQ((std::vector<uint32_t>{1, 0}), rig.Mixer.MuteWrites);
}

TEST_F(VolumeTest, FailedMuteWriteKeepsTheRecord)
{
    rig.Form->SetMute(true);
    rig.Mixer.WriteFails = true;
    EXPECT_FALSE(rig.Form->SetMute(false));
    EXPECT_TRUE(rig.Form->m_bMute);
}

TEST_F(VolumeTest, ToggleReadsTheMixerNotTheRecord)
{
    rig.Mixer.Mute = 1;
    rig.Form->m_bMute = false;
    EXPECT_TRUE(rig.Form->ToggleMute());
    EXPECT_EQ(0u, rig.Mixer.Mute);
    EXPECT_TRUE(rig.Form->ToggleMute());
    EXPECT_EQ(1u, rig.Mixer.Mute);
}

TEST_F(VolumeTest, ToggleWithoutAReadableMuteChangesNothing)
{
    Reset();
    rig.Mixer.MuteControlMissing = true;
    EXPECT_FALSE(rig.Form->ToggleMute());
    rig.Mixer.MuteControlMissing = false;
    rig.Mixer.ReadFails = true;
    EXPECT_FALSE(rig.Form->ToggleMute());
    EXPECT_TRUE(rig.Mixer.MuteWrites.empty());
}

} // namespace
