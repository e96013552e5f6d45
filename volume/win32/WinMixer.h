#pragma once
// The mixer operations over the Windows waveform-mixer interface.
#include "volume/Mixer.h"
#include "volume/VolumeDevice.h"

class TWinMixer : public IMixer {
public:
    uint32_t GetNumDevs() override;
    bool GetDevCaps(uint32_t device, TMixerCaps& caps) override;
    bool Open(uint32_t device, uint32_t& handle) override;
    bool GetSpeakersLine(uint32_t handle, uint32_t& lineId) override;
    bool GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                        uint32_t& minimum, uint32_t& maximum) override;
    bool GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value) override;
    bool SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value) override;
    void Close(uint32_t handle) override;
};

// The one place that decides which device the program drives.
IVolumeDevice& VolumeProvider();
