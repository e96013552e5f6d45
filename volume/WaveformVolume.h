#pragma once
// The master volume and mute of mixer device 0 of the waveform-mixer
// interface. The device is opened and each control found once, on first
// use; a failed find is retried by the next call that needs the control.
#include <cstdint>

#include "volume/Mixer.h"
#include "volume/VolumeDevice.h"

class TWaveformVolume : public IVolumeDevice {
public:
    explicit TWaveformVolume(IMixer& mixer) : m_mixer(mixer) {}

    bool OpenMixer();
    bool FindVolumeControl();
    bool FindMuteControl();
    bool GetVolume(int32_t& percent) override;
    bool SetVolume(int32_t percent) override;
    bool GetMute(bool& muted) override;
    bool SetMute(bool muted) override;
    // Closes the mixer if it was opened; a later use opens and finds afresh.
    void Close() override;

private:
    bool FindControl(uint32_t controlType, uint32_t& controlId, uint32_t* minimum, uint32_t* maximum);

    IMixer& m_mixer;
    uint32_t m_lVolumeMin = 0;
    uint32_t m_lVolumeMax = 0;
    TMixerCaps m_MixerCaps = {};
    uint32_t m_hMixer = 0;
    uint32_t m_dwVolumeControlID = 0xFFFFFFFF;
    uint32_t m_dwMuteControlID = 0xFFFFFFFF;
};
