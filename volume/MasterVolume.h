#pragma once
// The master volume and mute of mixer device 0, as a percentage and a switch,
// with the level and mute state last seen or set. The device is opened and
// each control found once, on first use; a failed find is retried by the
// next call that needs the control.
#include <cstdint>

#include "volume/Mixer.h"

class TMasterVolume {
public:
    explicit TMasterVolume(IMixer& mixer) : m_mixer(mixer) {}

    // The level (percent) and mute state last read or written.
    int32_t m_nVolume = 0;
    bool m_bMute = false;

    // The device and its controls, found on first use.
    uint32_t m_lVolumeMin = 0;
    uint32_t m_lVolumeMax = 0;
    TMixerCaps m_MixerCaps = {};
    uint32_t m_hMixer = 0;
    uint32_t m_dwVolumeControlID = 0xFFFFFFFF;
    uint32_t m_dwMuteControlID = 0xFFFFFFFF;

    bool OpenMixer();
    void CloseMixer();
    bool FindVolumeControl();
    bool FindMuteControl();
    // The mixer's own values; false (out-parameter untouched) on failure.
    bool GetVolume(int32_t& percent);
    bool SetVolume(int32_t percent);
    bool GetMute(bool& muted);
    // Records the state written in m_bMute.
    bool SetMute(bool muted);
    bool ToggleMute();
    // The mixer's mute state as it reads now; a device without a readable
    // switch counts as not muted.
    bool MutedNow();
    // Once per poll tick: lets the mixer provider change (see IMixer::Reconsider).
    void RecheckMixer();
    // The poll: reads level and mute into m_nVolume and m_bMute, a failed
    // read counting as unchanged; true when either changed.
    bool Refresh();

private:
    bool ReadControlValue(uint32_t controlId, uint32_t& value);
    bool WriteControlValue(uint32_t controlId, uint32_t value);
    bool FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum);

    IMixer& m_mixer;
};
