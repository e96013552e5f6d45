#include "volume/EndpointChoice.h"

#include <cstring>
#include <utility>

uint32_t FaderFromScalar(float scalar)
{
    // Written so that NaN, which fails every comparison, reads as silence.
    if (!(scalar > 0.0f))
        return 0;
    if (scalar >= 1.0f)
        return kEndpointFaderMax;
    // Nearest step, so that the engine's rounded percent is the scalar's
    // rounded percent, as the system's own volume display shows it. The
    // product is taken in double: in float it is rounded to 1/256 of a step.
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

TEndpointProbe TScalarMixer::Probe()
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

void TScalarMixer::Failed()
{
    Drop();
    m_dropped = true;
}

bool TScalarMixer::Reconsider()
{
    if (!m_dropped || !m_reacquire.Due())
        return false;
    float scalar = 0.0f;
    if (Acquire() && ReadScalar(scalar)) {
        m_dropped = false;
        m_reacquire.Reset();
        return false;
    }
    Drop();
    m_reacquire.Missed();
    return false;
}

uint32_t TScalarMixer::GetNumDevs()
{
    if (m_dropped)
        return 0;
    if (Acquire())
        return 1;
    Failed();
    return 0;
}

bool TScalarMixer::GetDevCaps(uint32_t device, TMixerCaps& caps)
{
    if (device != 0)
        return false;
    std::memset(&caps, 0, sizeof caps);
    std::strcpy(caps.szPname, "Default playback device");
    caps.cDestinations = 1;
    return true;
}

bool TScalarMixer::Open(uint32_t device, uint32_t& handle)
{
    if (device != 0 || m_dropped)
        return false;
    if (!Acquire()) {
        Failed();
        return false;
    }
    handle = kHandle;
    return true;
}

bool TScalarMixer::GetSpeakersLine(uint32_t handle, uint32_t& lineId)
{
    if (handle != kHandle)
        return false;
    lineId = kLineId;
    return true;
}

bool TScalarMixer::GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                                  uint32_t& minimum, uint32_t& maximum)
{
    if (handle != kHandle || lineId != kLineId)
        return false;
    if (controlType == kMixerControlTypeVolume) {
        controlId = kVolumeId;
        minimum = 0;
        maximum = kEndpointFaderMax;
        return true;
    }
    if (controlType == kMixerControlTypeMute) {
        controlId = kMuteId;
        minimum = 0;
        maximum = 1;
        return true;
    }
    return false;
}

bool TScalarMixer::GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value)
{
    if (handle != kHandle || m_dropped || (controlId != kVolumeId && controlId != kMuteId))
        return false;
    bool done = false;
    if (controlId == kVolumeId) {
        float scalar = 0.0f;
        done = ReadScalar(scalar);
        if (done)
            value = FaderFromScalar(scalar);
    } else {
        bool muted = false;
        done = ReadMute(muted);
        if (done)
            value = muted ? 1 : 0;
    }
    if (!done)
        Failed();
    return done;
}

bool TScalarMixer::SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value)
{
    if (handle != kHandle || m_dropped || (controlId != kVolumeId && controlId != kMuteId))
        return false;
    const bool done = controlId == kVolumeId ? WriteScalar(ScalarFromFader(value)) >= 0 : WriteMute(value != 0);
    if (!done)
        Failed();
    return done;
}

void TScalarMixer::Close(uint32_t)
{
    // The engine closes once, at exit, whatever handle it holds (0 when the
    // open never succeeded); the endpoint acquired by the probe goes then.
    Release();
}

bool EndpointExpected(const TWindowsVersion& version)
{
    return version.PlatformId == kPlatformWin32Nt && version.Major >= 6;
}

TChoosingMixer::TChoosingMixer(IMixer& winmm, IMixer& endpoint, std::function<TWindowsVersion()> version,
                               std::function<TEndpointProbe()> probe)
    : m_winmm(winmm), m_endpoint(endpoint), m_version(std::move(version)), m_probe(std::move(probe))
{
}

uint32_t TChoosingMixer::GetNumDevs()
{
    if (!m_chosen) {
        // The probe runs only where the endpoint is expected: on older
        // systems the binding would not even find its library.
        const TEndpointProbe found = EndpointExpected(m_version()) ? m_probe() : TEndpointProbe::Refused;
        m_chosen = found == TEndpointProbe::Taken ? &m_endpoint : &m_winmm;
        m_lookAgain = found == TEndpointProbe::Absent;
    }
    return m_chosen->GetNumDevs();
}

bool TChoosingMixer::Reconsider()
{
    if (m_chosen == &m_endpoint)
        return m_endpoint.Reconsider();
    if (!m_lookAgain || !m_look.Due())
        return false;
    const TEndpointProbe found = m_probe();
    if (found == TEndpointProbe::Absent) {
        // A device that is not there, or fails its write, for one look is
        // often there at the next; one that stays away is asked less often.
        m_look.Missed();
        return false;
    }
    m_lookAgain = false;
    if (found == TEndpointProbe::Refused)
        return false;
    // The waveform mixer's level is that of the program's own session, not
    // what the user hears: the endpoint keeps its own level.
    if (m_winmmOpen)
        m_winmm.Close(m_winmmHandle);
    m_winmmOpen = false;
    m_chosen = &m_endpoint;
    return true;
}

bool TChoosingMixer::GetDevCaps(uint32_t device, TMixerCaps& caps)
{
    return Current().GetDevCaps(device, caps);
}

bool TChoosingMixer::Open(uint32_t device, uint32_t& handle)
{
    if (!Current().Open(device, handle))
        return false;
    if (&Current() == &m_winmm) {
        // Kept to be closed should the endpoint take over.
        m_winmmOpen = true;
        m_winmmHandle = handle;
    }
    return true;
}

bool TChoosingMixer::GetSpeakersLine(uint32_t handle, uint32_t& lineId)
{
    return Current().GetSpeakersLine(handle, lineId);
}

bool TChoosingMixer::GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                                    uint32_t& minimum, uint32_t& maximum)
{
    return Current().GetLineControl(handle, lineId, controlType, controlId, minimum, maximum);
}

bool TChoosingMixer::GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value)
{
    return Current().GetControlValue(handle, controlId, value);
}

bool TChoosingMixer::SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value)
{
    return Current().SetControlValue(handle, controlId, value);
}

void TChoosingMixer::Close(uint32_t handle)
{
    if (&Current() == &m_winmm)
        m_winmmOpen = false;
    Current().Close(handle);
    // An endpoint still looked for holds what its last look acquired.
    if (m_lookAgain) {
        m_lookAgain = false;
        m_endpoint.Close(0);
    }
}
