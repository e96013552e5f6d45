#include "volume/MasterVolume.h"

bool TMasterVolume::OpenMixer()
{
    if (m_hMixer != 0)
        return true;
    IMixer& mixer = m_mixer;
    if (mixer.GetNumDevs() < 1)
        return false;
    mixer.GetDevCaps(0, m_MixerCaps); // its outcome does not matter
    uint32_t handle = 0;
    if (!mixer.Open(0, handle))
        return false;
    m_hMixer = handle;
    return true;
}

void TMasterVolume::CloseMixer()
{
    m_mixer.Close(m_hMixer);
}

bool TMasterVolume::FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum)
{
    if (controlId != 0xFFFFFFFF)
        return true;
    if (!OpenMixer())
        return false;
    IMixer& mixer = m_mixer;
    uint32_t lineId = 0;
    if (!mixer.GetSpeakersLine(m_hMixer, lineId))
        return false;
    uint32_t id = 0, lo = 0, hi = 0;
    if (!mixer.GetLineControl(m_hMixer, lineId, controlType, id, lo, hi))
        return false;
    if (minimum)
        *minimum = lo;
    if (maximum)
        *maximum = hi;
    controlId = id;
    return true;
}

bool TMasterVolume::FindVolumeControl()
{
    return FindControl(kMixerControlTypeVolume, m_dwVolumeControlID, &m_lVolumeMin, &m_lVolumeMax);
}

bool TMasterVolume::FindMuteControl()
{
    return FindControl(kMixerControlTypeMute, m_dwMuteControlID, nullptr, nullptr);
}

bool TMasterVolume::ReadControlValue(uint32_t controlId, uint32_t& value)
{
    return m_mixer.GetControlValue(m_hMixer, controlId, value);
}

bool TMasterVolume::WriteControlValue(uint32_t controlId, uint32_t value)
{
    return m_mixer.SetControlValue(m_hMixer, controlId, value);
}

bool TMasterVolume::GetVolume(int32_t& percent)
{
    if (!FindVolumeControl())
        return false;
    // A control whose bounds coincide has no percentage at all.
    const uint32_t range = m_lVolumeMax - m_lVolumeMin;
    if (range == 0)
        return false;
    uint32_t raw = 0;
    if (!ReadControlValue(m_dwVolumeControlID, raw))
        return false;
    // Rounded to the nearest percent, halves up. The product is taken in 64
    // bits so that ranges beyond 42,735,992 steps do not wrap; below that the
    // result equals the 32-bit computation.
    const uint64_t scaled = static_cast<uint64_t>(raw - m_lVolumeMin) * 100u + range / 2;
    percent = static_cast<int32_t>(static_cast<uint32_t>(scaled / range));
    return true;
}

bool TMasterVolume::SetVolume(int32_t percent)
{
    if (!FindVolumeControl())
        return false;
    const uint32_t range = m_lVolumeMax - m_lVolumeMin;
    // Rounded down; 64-bit for the same reason as in GetVolume.
    const uint64_t step = static_cast<uint64_t>(range) * static_cast<uint32_t>(percent) / 100u;
    const uint32_t raw = m_lVolumeMin + static_cast<uint32_t>(step);
    return WriteControlValue(m_dwVolumeControlID, raw);
}

bool TMasterVolume::GetMute(bool& muted)
{
    if (!FindMuteControl())
        return false;
    uint32_t raw = 0;
    if (!ReadControlValue(m_dwMuteControlID, raw))
        return false;
    muted = raw != 0;
    return true;
}

bool TMasterVolume::SetMute(bool muted)
{
    if (!FindMuteControl())
        return false;
    if (!WriteControlValue(m_dwMuteControlID, muted ? 1u : 0u))
        return false;
    m_bMute = muted;
    return true;
}

bool TMasterVolume::ToggleMute()
{
    bool muted = false;
    if (!GetMute(muted))
        return false;
    return SetMute(!muted);
}

void TMasterVolume::RecheckMixer()
{
    if (!m_mixer.Reconsider())
        return;
    // The old provider's handle, ids and bounds mean nothing to the new one:
    // found again on the next use, as at start.
    m_hMixer = 0;
    m_dwVolumeControlID = 0xFFFFFFFF;
    m_dwMuteControlID = 0xFFFFFFFF;
}

bool TMasterVolume::MutedNow()
{
    bool muted = false;
    return GetMute(muted) && muted;
}

bool TMasterVolume::Refresh()
{
    bool changed = false;
    int32_t volume = m_nVolume;
    if (GetVolume(volume) && volume != m_nVolume) {
        m_nVolume = volume;
        changed = true;
    }
    bool muted = m_bMute;
    if (GetMute(muted) && muted != m_bMute) {
        m_bMute = muted;
        changed = true;
    }
    return changed;
}
