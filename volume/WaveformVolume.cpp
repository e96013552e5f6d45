#include "volume/WaveformVolume.h"

bool TWaveformVolume::OpenMixer()
{
    if (m_hMixer != 0)
        return true;
    if (m_mixer.GetNumDevs() < 1)
        return false;
    m_mixer.GetDevCaps(0, m_MixerCaps); // its outcome does not matter
    uint32_t handle = 0;
    if (!m_mixer.Open(0, handle))
        return false;
    m_hMixer = handle;
    return true;
}

void TWaveformVolume::Close()
{
    if (m_hMixer != 0)
        m_mixer.Close(m_hMixer);
    // What was found belongs to the handle just closed.
    m_hMixer = 0;
    m_dwVolumeControlID = m_dwMuteControlID = 0xFFFFFFFF;
}

bool TWaveformVolume::FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum)
{
    if (controlId != 0xFFFFFFFF)
        return true;
    if (!OpenMixer())
        return false;
    uint32_t lineId = 0;
    if (!m_mixer.GetSpeakersLine(m_hMixer, lineId))
        return false;
    uint32_t id = 0, lo = 0, hi = 0;
    if (!m_mixer.GetLineControl(m_hMixer, lineId, controlType, id, lo, hi))
        return false;
    if (minimum)
        *minimum = lo;
    if (maximum)
        *maximum = hi;
    controlId = id;
    return true;
}

bool TWaveformVolume::FindVolumeControl()
{
    return FindControl(kMixerControlTypeVolume, m_dwVolumeControlID, &m_lVolumeMin, &m_lVolumeMax);
}

bool TWaveformVolume::FindMuteControl()
{
    return FindControl(kMixerControlTypeMute, m_dwMuteControlID, nullptr, nullptr);
}

bool TWaveformVolume::GetVolume(int32_t& percent)
{
    // A control whose bounds coincide has no percentage at all.
    if (!FindVolumeControl() || m_lVolumeMax == m_lVolumeMin)
        return false;
    uint32_t raw = 0;
    if (!m_mixer.GetControlValue(m_hMixer, m_dwVolumeControlID, raw))
        return false;
    percent = PercentFromRaw(raw, m_lVolumeMin, m_lVolumeMax);
    return true;
}

bool TWaveformVolume::SetVolume(int32_t percent)
{
    return FindVolumeControl() &&
           m_mixer.SetControlValue(m_hMixer, m_dwVolumeControlID, RawFromPercent(percent, m_lVolumeMin, m_lVolumeMax));
}

bool TWaveformVolume::GetMute(bool& muted)
{
    uint32_t raw = 0;
    if (!FindMuteControl() || !m_mixer.GetControlValue(m_hMixer, m_dwMuteControlID, raw))
        return false;
    muted = raw != 0;
    return true;
}

bool TWaveformVolume::SetMute(bool muted)
{
    return FindMuteControl() && m_mixer.SetControlValue(m_hMixer, m_dwMuteControlID, muted ? 1u : 0u);
}
