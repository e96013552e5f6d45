// The endpoint provider's portable half under the real volume engine: which
// mixer is chosen and when, and that the percentages the program shows and
// writes are those the system's own volume display shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/host/Fakes.h"
#include "volume/EndpointChoice.h"

namespace {

const TEndpointResult kEInvalidated = static_cast<TEndpointResult>(0x88890004u); // AUDCLNT_E_DEVICE_INVALIDATED

class TFakeEndpoint : public TScalarVolume {
public:
    bool Missing = false, ReadFails = false, Held = false, Muted = false;
    // The audio service restarted: every call on what is held fails, the
    // device's id unchanged, until it is dropped and acquired afresh.
    bool Dead = false;
    TEndpointResult WriteFails = 0; // what a write answers; 0 takes it
    float Scalar = 0.5f;
    // A second playback device; while it is the default, reads and writes go to it.
    bool SecondIsDefault = false, SecondMuted = false;
    float SecondScalar = 0.9f;
    int Acquires = 0, Releases = 0, Drops = 0;
    std::vector<float> Writes;

protected:
    float& Level() { return SecondIsDefault ? SecondScalar : Scalar; }
    bool& Mute() { return SecondIsDefault ? SecondMuted : Muted; }
    bool Acquire() override
    {
        ++Acquires;
        if (!Held)
            Dead = false; // a fresh interface
        Held = !Missing;
        return Held;
    }
    void Drop() override
    {
        ++Drops;
        Held = false;
    }
    void Release() override
    {
        ++Releases;
        Held = false;
    }
    bool ReadScalar(float& s) override
    {
        s = Level();
        return Held && !ReadFails && !Dead;
    }
    TEndpointResult WriteScalar(float s) override
    {
        Writes.push_back(s);
        if (!Held || Dead)
            return kEInvalidated;
        if (WriteFails < 0)
            return WriteFails;
        Level() = s;
        return 0;
    }
    bool ReadMute(bool& m) override
    {
        m = Mute();
        return Held && !Dead;
    }
    bool WriteMute(bool m) override
    {
        if (!Held || Dead)
            return false;
        Mute() = m;
        return true;
    }
};

class EndpointTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (Rig.Form)
            Rig.Destroy(); // while Chooser still exists
    }
    // A chooser over the rig's waveform mixer and the given endpoint.
    TChoosingVolume Make(TFakeEndpoint& endpoint)
    {
        return TChoosingVolume(
            Rig.Waveform, endpoint,
            [this] {
                ++VersionAsks;
                return Version;
            },
            [this, &endpoint] {
                ++Probes;
                return endpoint.Probe();
            });
    }
    // The program starting: its first volume read is the engine's first touch.
    void Start()
    {
        Rig.Platform.Volume = &Chooser;
        Rig.Create();
    }
    void Tick() { Rig.Form->GetVolTimerTimer(nullptr); }
    // Ticks until the chooser looks for the endpoint again; false when no
    // look comes within the longest pause.
    bool TickUntilLook()
    {
        const int before = Probes;
        for (uint32_t i = 0; i <= kMaxEndpointLookPause; ++i) {
            Tick();
            if (Probes > before)
                return true;
        }
        return false;
    }
    int32_t Percent()
    {
        int32_t p = -1;
        EXPECT_TRUE(Rig.Form->Volume().GetVolume(p));
        return p;
    }

    TControllerRig Rig;
    TWindowsVersion Version = {kPlatformWin32Nt, 10};
    int VersionAsks = 0, Probes = 0;
    TFakeEndpoint Endpoint;
    TChoosingVolume Chooser = Make(Endpoint);
};

TEST_F(EndpointTest, ChoosesByVersionAndProbesOnlyWhereTheEndpointIsExpected)
{
    // Windows 98, NT 4, XP, a 9x claiming 6, Vista, 8.1 unmanifested (6.2), 10.
    const std::pair<TWindowsVersion, bool> table[] = {
        {{1, 4}, false}, {{kPlatformWin32Nt, 4}, false}, {{kPlatformWin32Nt, 5}, false}, {{1, 6}, false},
        {{kPlatformWin32Nt, 6}, true}, {{kPlatformWin32Nt, 10}, true}};
    for (auto row : table) {
        Version = row.first;
        TFakeEndpoint endpoint;
        TChoosingVolume chooser = Make(endpoint);
        int32_t percent = -1;
        EXPECT_TRUE(chooser.GetVolume(percent));
        EXPECT_EQ(row.second ? static_cast<IVolumeDevice*>(&endpoint) : &Rig.Waveform, chooser.Chosen());
        EXPECT_EQ(row.second, endpoint.Acquires > 0) << "major " << row.first.Major;
    }
}

TEST_F(EndpointTest, TheEngineDrivesTheEndpointThroughTheChoice)
{
    Endpoint.Scalar = 0.37f;
    Endpoint.Muted = true;
    Start();
    EXPECT_EQ(0, Rig.Mixer.Calls);
    EXPECT_EQ(37, Rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(Rig.Form->Volume().m_bMute);
    // The probe wrote back exactly what it read.
    EXPECT_EQ(std::vector<float>{0.37f}, Endpoint.Writes);

    ASSERT_TRUE(Rig.Form->Volume().ToggleMute());
    EXPECT_FALSE(Endpoint.Muted);
    ASSERT_TRUE(Rig.Form->Volume().ToggleMute());
    EXPECT_TRUE(Endpoint.Muted);

    // The engine's close at exit lets the endpoint go.
    Rig.Destroy();
    EXPECT_FALSE(Endpoint.Held);
}

TEST_F(EndpointTest, AnEndpointThatCannotBeHadOrRefusesItsOwnValueFallsBack)
{
    auto missing = [](TFakeEndpoint& e) { e.Missing = true; };
    auto unreadable = [](TFakeEndpoint& e) { e.ReadFails = true; };
    auto refusing = [](TFakeEndpoint& e) { e.WriteFails = kEndpointENotImpl; };
    for (auto breakIt : {+missing, +unreadable, +refusing}) {
        TFakeEndpoint endpoint;
        breakIt(endpoint);
        TChoosingVolume chooser = Make(endpoint);
        int32_t percent = -1;
        EXPECT_TRUE(chooser.GetVolume(percent));
        EXPECT_EQ(&Rig.Waveform, chooser.Chosen());
        EXPECT_EQ(0.5f, endpoint.Scalar);
        // The refusing one is let go at once; the others at the close.
        EXPECT_EQ(breakIt == +refusing ? 1 : 0, endpoint.Releases);
        chooser.Close();
        EXPECT_FALSE(endpoint.Held);
    }

    Endpoint.WriteFails = kEndpointENotImpl;
    Start();
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());
    EXPECT_EQ(1u, Endpoint.Writes.size());
}

TEST_F(EndpointTest, DecidesOnceOnTheFirstRead)
{
    // A tick or the close before it decides nothing.
    Chooser.Reconsider();
    Chooser.Close();
    EXPECT_EQ(nullptr, Chooser.Chosen());
    EXPECT_EQ(0, VersionAsks);

    Start();
    Endpoint.Missing = true;
    Version = {kPlatformWin32Nt, 5};
    bool muted = false;
    for (int i = 0; i < 3; ++i)
        Chooser.GetMute(muted);
    EXPECT_EQ(1, VersionAsks);
    EXPECT_EQ(1, Probes);
    EXPECT_EQ(&Endpoint, Chooser.Chosen());
}

TEST_F(EndpointTest, AnEndpointThatComesAfterTheStartIsTakenAtTheNextLookWithItsOwnLevel)
{
    Endpoint.Missing = true;
    Endpoint.Scalar = 0.3f;
    Rig.Mixer.Volume = 52428; // 80 % in the program's own session
    Start();
    EXPECT_EQ(80, Rig.Form->Volume().m_nVolume);
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());

    // Still none at the next tick's look: the fallback goes on.
    Tick();
    EXPECT_EQ(2, Probes);
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());

    Endpoint.Missing = false;
    ASSERT_TRUE(TickUntilLook());
    EXPECT_EQ(&Endpoint, Chooser.Chosen());
    EXPECT_TRUE(Rig.Log.Contains("mixer.Close " + std::to_string(TFakeMixer::kHandle)));
    // The level shown is the endpoint's; the fallback's 80 % was not written
    // to it (its one write is the look's own value).
    EXPECT_EQ(30, Rig.Form->Volume().m_nVolume);
    EXPECT_EQ("Pelmora 1.4 - 30%", Rig.Form->Tray().m_strTipText);
    EXPECT_EQ(std::vector<float>{0.3f}, Endpoint.Writes);
    EXPECT_EQ(0.3f, Endpoint.Scalar);

    // From now on the engine drives the endpoint.
    const int winmmCalls = Rig.Mixer.Calls;
    ASSERT_TRUE(Rig.Form->Volume().SetVolume(45));
    ASSERT_TRUE(Rig.Form->Volume().ToggleMute());
    EXPECT_EQ(45, std::lround(Endpoint.Scalar * 100.0));
    EXPECT_TRUE(Endpoint.Muted);
    EXPECT_EQ(winmmCalls, Rig.Mixer.Calls);

    // Once there, idle ticks look for nothing and touch no waveform mixer.
    const int acquires = Endpoint.Acquires;
    for (int i = 0; i < 10; ++i)
        Tick();
    EXPECT_EQ(acquires, Endpoint.Acquires);
    EXPECT_EQ(3, Probes);
    EXPECT_EQ(winmmCalls, Rig.Mixer.Calls);
    EXPECT_EQ(1, VersionAsks);

    Rig.Destroy();
    EXPECT_FALSE(Endpoint.Held);
}

TEST_F(EndpointTest, WithNoMixerAtAllAtTheStartTheEndpointIsTakenWhenItComes)
{
    // The audio service not yet up: no endpoint and no waveform device.
    Endpoint.Missing = true;
    Endpoint.ReadFails = true;
    Rig.Mixer.Devices = 0;
    Start();
    EXPECT_FALSE(Rig.Log.Contains("mixer.Open"));
    Tick();
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());

    // The device shows before it reads: still worth another look.
    Endpoint.Missing = false;
    ASSERT_TRUE(TickUntilLook());
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());
    Endpoint.ReadFails = false;
    Endpoint.Scalar = 0.64f;
    ASSERT_TRUE(TickUntilLook());
    EXPECT_EQ(&Endpoint, Chooser.Chosen());
    EXPECT_EQ("Pelmora 1.4 - 64%", Rig.Form->Tray().m_strTipText);
    EXPECT_FALSE(Rig.Log.Contains("mixer.Close")); // nothing was open to close
}

TEST_F(EndpointTest, AnAbsentEndpointIsLookedForLessAndLessOftenButNeverGivenUp)
{
    Endpoint.Missing = true;
    Start();
    std::vector<int> looks; // the ticks that looked
    for (int tick = 1; tick <= 300; ++tick) {
        const int before = Probes;
        Tick();
        if (Probes > before)
            looks.push_back(tick);
    }
    ASSERT_GE(looks.size(), 10u);
    EXPECT_EQ(1, looks[0]); // the first tick after the start looks
    int longest = 0;
    for (size_t i = 1; i < looks.size(); ++i) {
        const int gap = looks[i] - looks[i - 1], before = i > 1 ? looks[i - 1] - looks[i - 2] : 1;
        EXPECT_GE(gap, before) << "look " << i;
        longest = std::max(longest, gap);
    }
    EXPECT_EQ(static_cast<int>(kMaxEndpointLookPause) + 1, longest);
    EXPECT_EQ(&Rig.Waveform, Chooser.Chosen());

    Endpoint.Missing = false;
    ASSERT_TRUE(TickUntilLook());
    EXPECT_EQ(&Endpoint, Chooser.Chosen());
}

TEST_F(EndpointTest, AWriteThatFailsForAMomentIsTriedAgainUntilTaken)
{
    // Endpoints rebuilt at logon, a general failure, a device not ready,
    // access denied for a moment at a user switch.
    for (uint32_t code : {0x88890004u, 0x80004005u, 0x80070015u, 0x80070005u}) {
        TFakeEndpoint endpoint;
        endpoint.Scalar = 0.25f;
        endpoint.WriteFails = static_cast<TEndpointResult>(code);
        TChoosingVolume chooser = Make(endpoint);
        Rig.Platform.Volume = &chooser;
        Rig.Mixer.Volume = 52428; // 80 % in the program's own session
        Rig.Create();
        EXPECT_EQ(&Rig.Waveform, chooser.Chosen()) << std::hex << code;
        EXPECT_EQ(80, Rig.Form->Volume().m_nVolume);
        EXPECT_FALSE(endpoint.Held) << "dropped, to be had afresh at the next look";
        EXPECT_EQ(0, endpoint.Releases);
        EXPECT_TRUE(TickUntilLook());
        EXPECT_EQ(&Rig.Waveform, chooser.Chosen());

        endpoint.WriteFails = 0;
        EXPECT_TRUE(TickUntilLook()) << std::hex << code;
        EXPECT_EQ(&endpoint, chooser.Chosen()) << std::hex << code;
        EXPECT_EQ(25, Rig.Form->Volume().m_nVolume);
        EXPECT_EQ(0.25f, endpoint.Scalar);
        Rig.Destroy();
    }
}

TEST_F(EndpointTest, ARefusalForGoodEndsTheLookingAlsoAfterAnAbsentLook)
{
    for (TEndpointResult refusal : {kEndpointENotImpl}) {
        TFakeEndpoint endpoint;
        endpoint.Missing = true;
        TChoosingVolume chooser = Make(endpoint);
        Rig.Platform.Volume = &chooser;
        Rig.Create();
        EXPECT_TRUE(TickUntilLook());

        // The device comes, and refuses the write for good.
        endpoint.Missing = false;
        endpoint.WriteFails = refusal;
        EXPECT_TRUE(TickUntilLook());
        const int probes = Probes;
        EXPECT_FALSE(endpoint.Held) << "let go at once";
        for (int i = 0; i < 100; ++i)
            Tick();
        EXPECT_EQ(probes, Probes) << std::hex << refusal;
        EXPECT_EQ(&Rig.Waveform, chooser.Chosen());
        EXPECT_FALSE(endpoint.Held);
        Rig.Destroy();
    }
}

TEST_F(EndpointTest, NoLaterLookWhereTheEndpointWasTakenRefusedOrIsNotExpected)
{
    // Windows XP: the endpoint is never even looked for, now or later.
    Version = {kPlatformWin32Nt, 5};
    Start();
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(0, Probes);
    EXPECT_EQ(0, Endpoint.Acquires);
    EXPECT_EQ(1, VersionAsks);
    Rig.Destroy();

    // An endpoint that refuses a write of its own level is not asked again.
    TFakeEndpoint refusing;
    refusing.WriteFails = kEndpointENotImpl;
    TChoosingVolume chooser = Make(refusing);
    Version = {kPlatformWin32Nt, 10};
    Probes = 0;
    Rig.Platform.Volume = &chooser;
    Rig.Create();
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(1, Probes);
    EXPECT_EQ(&Rig.Waveform, chooser.Chosen());
    Rig.Destroy();
}

TEST_F(EndpointTest, AfterAFailedCallTheEndpointIsDroppedAndHadAfreshWithTheBackOff)
{
    Endpoint.Scalar = 0.4f;
    Start();
    ASSERT_EQ(&Endpoint, Chooser.Chosen());
    ASSERT_EQ(40, Rig.Form->Volume().m_nVolume);

    // The audio service restarts: the interface held is dead though its
    // device keeps its id. The failed read drops it, and calls fail without
    // touching the endpoint until a tick acquires it afresh.
    Endpoint.Dead = true;
    int32_t percent = -1;
    EXPECT_FALSE(Rig.Form->Volume().GetVolume(percent));
    EXPECT_EQ(1, Endpoint.Drops);
    EXPECT_FALSE(Endpoint.Held);
    const int acquires = Endpoint.Acquires;
    EXPECT_FALSE(Rig.Form->Volume().SetVolume(80));
    EXPECT_FALSE(Rig.Form->Volume().ToggleMute());
    EXPECT_EQ(acquires, Endpoint.Acquires);
    EXPECT_EQ(0, Endpoint.Releases);

    // Still no service: tries spaced out as the looks are, never given up.
    Endpoint.Missing = true;
    std::vector<int> tries;
    for (int tick = 1; tick <= 120; ++tick) {
        const int before = Endpoint.Acquires;
        Tick();
        if (Endpoint.Acquires > before)
            tries.push_back(tick);
    }
    ASSERT_GE(tries.size(), 5u);
    EXPECT_EQ(1, tries[0]);
    EXPECT_EQ(static_cast<int>(kMaxEndpointLookPause) + 1, tries.back() - tries[tries.size() - 2]);
    EXPECT_EQ(40, Rig.Form->Volume().m_nVolume) << "a failed read leaves the level shown";

    // The service is back: the next try takes a fresh interface, and the
    // poll shows its level; writes work again.
    Endpoint.Missing = false;
    Endpoint.Scalar = 0.6f;
    for (uint32_t i = 0; i <= kMaxEndpointLookPause && Rig.Form->Volume().m_nVolume != 60; ++i)
        Tick();
    EXPECT_EQ(60, Rig.Form->Volume().m_nVolume);
    ASSERT_TRUE(Rig.Form->Volume().SetVolume(25));
    EXPECT_EQ(25, std::lround(Endpoint.Scalar * 100.0));
    EXPECT_EQ(&Endpoint, Chooser.Chosen());

    // A failed write drops it the same way; the first tick after has it back.
    Endpoint.Dead = true;
    EXPECT_FALSE(Rig.Form->Volume().SetMute(true));
    EXPECT_FALSE(Endpoint.Held);
    Tick();
    EXPECT_TRUE(Endpoint.Held);
    EXPECT_TRUE(Rig.Form->Volume().SetMute(true));
    EXPECT_TRUE(Endpoint.Muted);
}

TEST_F(EndpointTest, ASwitchOfTheDefaultDeviceIsFollowed)
{
    Endpoint.Scalar = 0.2f;
    Start();
    EXPECT_EQ(20, Rig.Form->Volume().m_nVolume);
    const int probes = Probes;

    // Headphones become the default: the next tick shows their level, and
    // writes go to them.
    Endpoint.SecondIsDefault = true;
    Endpoint.SecondScalar = 0.7f;
    Endpoint.SecondMuted = true;
    Tick();
    EXPECT_EQ(70, Rig.Form->Volume().m_nVolume);
    EXPECT_TRUE(Rig.Form->Volume().m_bMute);
    ASSERT_TRUE(Rig.Form->Volume().SetVolume(66));
    EXPECT_EQ(66, std::lround(Endpoint.SecondScalar * 100.0));
    EXPECT_EQ(0.2f, Endpoint.Scalar);

    // Back to the speakers.
    Endpoint.SecondIsDefault = false;
    Tick();
    EXPECT_EQ(20, Rig.Form->Volume().m_nVolume);
    EXPECT_FALSE(Rig.Form->Volume().m_bMute);
    EXPECT_EQ(probes, Probes);
}

TEST_F(EndpointTest, ScalarsReadAsTheirRoundedPercent)
{
    Start();
    for (int k = 0; k <= 100; ++k) {
        Endpoint.Scalar = k / 100.0f;
        EXPECT_EQ(k, Percent()) << "scalar " << Endpoint.Scalar;
    }
    // Between the hundredths, only within one fader step of a half percent
    // may the engine's percent and the rounded one differ.
    const double step = 100.0 / kEndpointFaderMax;
    for (int i = 0; i <= 100000; ++i) {
        Endpoint.Scalar = static_cast<float>(i / 100000.0);
        const double shown = Endpoint.Scalar * 100.0;
        if (std::fabs(shown - std::floor(shown) - 0.5) >= step)
            ASSERT_EQ(std::lround(shown), Percent()) << "scalar " << Endpoint.Scalar;
    }
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int32_t> outside[] = {{-0.25f, 0}, {1.5f, 100}, {nan, 0}, {inf, 100}, {-inf, 0}};
    for (auto e : outside) {
        Endpoint.Scalar = e.first;
        EXPECT_EQ(e.second, Percent()) << "scalar " << e.first;
    }
}

TEST_F(EndpointTest, EveryPercentWrittenShowsAsItselfAndReadsBack)
{
    Start();
    for (int32_t p = 0; p <= 100; ++p) {
        ASSERT_TRUE(Rig.Form->Volume().SetVolume(p));
        EXPECT_EQ(p, std::lround(Endpoint.Scalar * 100.0)) << "scalar " << Endpoint.Scalar;
        EXPECT_EQ(p, Percent());
    }
}

TEST_F(EndpointTest, EveryFaderStepSurvivesTheScalar)
{
    for (uint32_t f = 0; f <= kEndpointFaderMax; ++f)
        ASSERT_EQ(f, FaderFromScalar(ScalarFromFader(f)));
    // The endpoint refuses scalars above 1.
    EXPECT_EQ(1.0f, ScalarFromFader(kEndpointFaderMax + 1));
    EXPECT_EQ(1.0f, ScalarFromFader(0xFFFFFFFFu));
}

} // namespace
