#include "volume/EndpointChoice.h"

#include <utility>

uint32_t FaderFromScalar(float scalar)
{
    // Written so that NaN, which fails every comparison, reads as silence.
    if (!(scalar > 0.0f))
        return 0;
    if (scalar >= 1.0f)
        return kEndpointFaderMax;
    // Nearest step, so that the percent shown is the scalar's rounded
    // percent, as the system's own volume display shows it. The product is
    // taken in double: in float it is rounded to 1/256 of a step.
    return static_cast<uint32_t>(static_cast<double>(scalar) * kEndpointFaderMax + 0.5);
}

float ScalarFromFader(uint32_t fader)
{
    if (fader > kEndpointFaderMax)
        fader = kEndpointFaderMax; // the endpoint refuses scalars above 1.0
    return static_cast<float>(static_cast<double>(fader) / kEndpointFaderMax);
}

bool RefusedForGood(TEndpointResult result)
{
    return result == kEndpointENotImpl;
}

bool TLookBackOff::Due()
{
    if (m_wait == 0)
        return true;
    --m_wait;
    return false;
}

void TLookBackOff::Missed()
{
    m_pause = m_pause == 0 ? 1 : m_pause * 2;
    if (m_pause > kMaxEndpointLookPause)
        m_pause = kMaxEndpointLookPause;
    m_wait = m_pause;
}

TEndpointProbe TScalarVolume::Probe()
{
    float scalar = 0.0f;
    // No device, or one that cannot be read or written yet (the audio
    // service still starting or just restarted): what was acquired may be
    // dead, so the next look starts afresh.
    if (!Acquire() || !ReadScalar(scalar)) {
        Drop();
        return TEndpointProbe::Absent;
    }
    const TEndpointResult written = WriteScalar(scalar);
    if (written >= 0) {
        m_dropped = false;
        m_reacquire.Reset();
        return TEndpointProbe::Taken;
    }
    if (!RefusedForGood(written)) {
        Drop();
        return TEndpointProbe::Absent;
    }
    Release();
    return TEndpointProbe::Refused;
}

bool TScalarVolume::Done(bool done)
{
    if (!done) {
        Drop();
        m_dropped = true;
    }
    return done;
}

bool TScalarVolume::Ready()
{
    if (m_dropped)
        return false;
    if (!m_used && !Done(Acquire()))
        return false;
    m_used = true;
    return true;
}

void TScalarVolume::Reconsider()
{
    if (!m_dropped || !m_reacquire.Due())
        return;
    float scalar = 0.0f;
    if (Acquire() && ReadScalar(scalar)) {
        m_dropped = false;
        m_reacquire.Reset();
        return;
    }
    Drop();
    m_reacquire.Missed();
}

bool TScalarVolume::GetVolume(int32_t& percent)
{
    float scalar = 0.0f;
    if (!Ready() || !Done(ReadScalar(scalar)))
        return false;
    percent = PercentFromRaw(FaderFromScalar(scalar), 0, kEndpointFaderMax);
    return true;
}

bool TScalarVolume::SetVolume(int32_t percent)
{
    return Ready() && Done(WriteScalar(ScalarFromFader(RawFromPercent(percent, 0, kEndpointFaderMax))) >= 0);
}

bool TScalarVolume::GetMute(bool& muted)
{
    bool value = false;
    if (!Ready() || !Done(ReadMute(value)))
        return false;
    muted = value;
    return true;
}

bool TScalarVolume::SetMute(bool muted)
{
    return Ready() && Done(WriteMute(muted));
}

bool EndpointExpected(const TWindowsVersion& version)
{
    return version.PlatformId == kPlatformWin32Nt && version.Major >= 6;
}

TChoosingVolume::TChoosingVolume(IVolumeDevice& waveform, IVolumeDevice& endpoint,
                                 std::function<TWindowsVersion()> version, std::function<TEndpointProbe()> probe)
    : m_waveform(waveform), m_endpoint(endpoint), m_version(std::move(version)), m_probe(std::move(probe))
{
}

IVolumeDevice& TChoosingVolume::Choice()
{
    if (!m_chosen) {
        // The probe runs only where the endpoint is expected: on older
        // systems the binding would not even find its library.
        const TEndpointProbe found = EndpointExpected(m_version()) ? m_probe() : TEndpointProbe::Refused;
        m_chosen = found == TEndpointProbe::Taken ? &m_endpoint : &m_waveform;
        m_lookAgain = found == TEndpointProbe::Absent;
    }
    return *m_chosen;
}

void TChoosingVolume::Reconsider()
{
    if (m_chosen == &m_endpoint) {
        m_endpoint.Reconsider();
        return;
    }
    if (!m_lookAgain || !m_look.Due())
        return;
    const TEndpointProbe found = m_probe();
    if (found == TEndpointProbe::Absent) {
        // A device that is not there, or fails its write, for one look is
        // often there at the next; one that stays away is asked less often.
        m_look.Missed();
        return;
    }
    m_lookAgain = false;
    if (found == TEndpointProbe::Refused)
        return;
    // The waveform mixer's level is that of the program's own session, not
    // what the user hears: the endpoint keeps its own level.
    m_waveform.Close();
    m_chosen = &m_endpoint;
}

void TChoosingVolume::Close()
{
    if (m_chosen) // before the choice nothing was touched
        m_chosen->Close();
    // An endpoint still looked for holds what its last look acquired.
    if (m_lookAgain) {
        m_lookAgain = false;
        m_endpoint.Close();
    }
}
