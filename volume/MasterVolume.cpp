#include "volume/MasterVolume.h"

bool TMasterVolume::SetMute(bool muted)
{
    if (!m_device.SetMute(muted))
        return false;
    m_bMute = muted;
    return true;
}

bool TMasterVolume::ToggleMute()
{
    // The device's state, not the record: another program may have changed it.
    bool muted = false;
    return GetMute(muted) && SetMute(!muted);
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
