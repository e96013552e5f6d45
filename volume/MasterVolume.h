#pragma once
// The master volume and mute, as a percentage and a switch, with the level
// and mute state last seen or set, over whichever device the platform gives.
#include <cstdint>

#include "volume/VolumeDevice.h"

class TMasterVolume {
public:
    explicit TMasterVolume(IVolumeDevice& device) : m_device(device) {}

    // The level (percent) and mute state last read or written.
    int32_t m_nVolume = 0;
    bool m_bMute = false;

    // The device's own values; false (out-parameter untouched) on failure.
    bool GetVolume(int32_t& percent) { return m_device.GetVolume(percent); }
    bool SetVolume(int32_t percent) { return m_device.SetVolume(percent); }
    bool GetMute(bool& muted) { return m_device.GetMute(muted); }
    // Records the state written in m_bMute.
    bool SetMute(bool muted);
    bool ToggleMute();
    // The device's mute state as it reads now; a device without a readable
    // switch counts as not muted.
    bool MutedNow();
    // Once per poll tick: lets the device change (see IVolumeDevice::Reconsider).
    void RecheckMixer() { m_device.Reconsider(); }
    // The poll: reads level and mute into m_nVolume and m_bMute, a failed
    // read counting as unchanged; true when either changed.
    bool Refresh();
    void CloseMixer() { m_device.Close(); }

private:
    IVolumeDevice& m_device;
};
