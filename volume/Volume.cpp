// The master volume and mute of mixer device 0, as a percentage and a switch.
// The device is opened and each control found once, on first use; a failed
// find is retried by the next call that needs the control.
#include "app/PelmFormMain.h"

bool TPelmFormMain::OpenMixer()
{
    if (m_hMixer != 0)
        return true;
    IMixer& mixer = *m_platform.Mixer;
    if (mixer.GetNumDevs() < 1)
        return false;
    mixer.GetDevCaps(0, m_MixerCaps); // its outcome does not matter
    uint32_t handle = 0;
    if (!mixer.Open(0, handle))
        return false;
    m_hMixer = handle;
    return true;
}

void TPelmFormMain::CloseMixer()
{
    m_platform.Mixer->Close(m_hMixer);
}

bool TPelmFormMain::FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum)
{
    if (controlId != 0xFFFFFFFF)
        return true;
    if (!OpenMixer())
        return false;
    IMixer& mixer = *m_platform.Mixer;
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

bool TPelmFormMain::FindVolumeControl()
{
    return FindControl(kMixerControlTypeVolume, m_dwVolumeControlID, &m_lVolumeMin, &m_lVolumeMax);
}

bool TPelmFormMain::FindMuteControl()
{
    return FindControl(kMixerControlTypeMute, m_dwMuteControlID, nullptr, nullptr);
}

bool TPelmFormMain::ReadControlValue(uint32_t controlId, uint32_t& value)
{
    return m_platform.Mixer->GetControlValue(m_hMixer, controlId, value);
}

bool TPelmFormMain::WriteControlValue(uint32_t controlId, uint32_t value)
{
    return m_platform.Mixer->SetControlValue(m_hMixer, controlId, value);
}

bool TPelmFormMain::GetVolume(int32_t& percent)
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

bool TPelmFormMain::SetVolume(int32_t percent)
{
    if (!FindVolumeControl())
        return false;
    const uint32_t range = m_lVolumeMax - m_lVolumeMin;
    // Rounded down; 64-bit for the same reason as in GetVolume.
    const uint64_t step = static_cast<uint64_t>(range) * static_cast<uint32_t>(percent) / 100u;
    const uint32_t raw = m_lVolumeMin + static_cast<uint32_t>(step);
    return WriteControlValue(m_dwVolumeControlID, raw);
}

bool TPelmFormMain::GetMute(bool& muted)
{
    if (!FindMuteControl())
        return false;
    uint32_t raw = 0;
    if (!ReadControlValue(m_dwMuteControlID, raw))
        return false;
    muted = raw != 0;
    return true;
}

bool TPelmFormMain::SetMute(bool muted)
{
    if (!FindMuteControl())
        return false;
    if (!WriteControlValue(m_dwMuteControlID, muted ? 1u : 0u))
        return false;
    m_bMute = muted;
    return true;
}

bool TPelmFormMain::ToggleMute()
{
    bool muted = false;
    if (!GetMute(muted))
        return false;
    return SetMute(!muted);
}

void TPelmFormMain::RecheckMixer()
{
    if (!m_platform.Mixer->Reconsider())
        return;
    // The old provider's handle, ids and bounds mean nothing to the new one:
    // found again on the next use, as at start.
    m_hMixer = 0;
    m_dwVolumeControlID = 0xFFFFFFFF;
    m_dwMuteControlID = 0xFFFFFFFF;
}
