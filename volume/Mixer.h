#pragma once
// The waveform-mixer operations TWaveformVolume needs, and nothing more. The
// Win32 build provides them from winmm; tests fake them.
#include <cstdint>

// The capabilities record of a mixer device, laid out as MIXERCAPSA.
struct TMixerCaps {
    uint16_t wMid;
    uint16_t wPid;
    uint32_t vDriverVersion;
    char szPname[32];
    uint32_t fdwSupport;
    uint32_t cDestinations;
};
static_assert(sizeof(TMixerCaps) == 48, "MIXERCAPSA is 48 bytes");

constexpr uint32_t kMixerControlTypeVolume = 0x50030001; // MIXERCONTROL_CONTROLTYPE_VOLUME
constexpr uint32_t kMixerControlTypeMute = 0x20010002;   // MIXERCONTROL_CONTROLTYPE_MUTE

class IMixer {
public:
    virtual ~IMixer() = default;
    virtual uint32_t GetNumDevs() = 0;
    virtual bool GetDevCaps(uint32_t device, TMixerCaps& caps) = 0;
    // Opens the device without change notifications.
    virtual bool Open(uint32_t device, uint32_t& handle) = 0;
    // The destination line of component type "speakers".
    virtual bool GetSpeakersLine(uint32_t handle, uint32_t& lineId) = 0;
    // One control of the given type on the line: its id and unsigned bounds.
    virtual bool GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType,
                                uint32_t& controlId, uint32_t& minimum, uint32_t& maximum) = 0;
    // One uniform 32-bit value of a control.
    virtual bool GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value) = 0;
    virtual bool SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value) = 0;
    virtual void Close(uint32_t handle) = 0;
};
