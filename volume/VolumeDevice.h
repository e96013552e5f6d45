#pragma once
// What the master volume needs of a device: its level in percent and its
// mute switch. The waveform mixer (WaveformVolume.h) and the default
// playback endpoint (EndpointChoice.h) each provide it.
#include <cstdint>

class IVolumeDevice {
public:
    virtual ~IVolumeDevice() = default;
    // Each false on failure, leaving its out-parameter untouched.
    virtual bool GetVolume(int32_t& percent) = 0;
    virtual bool SetVolume(int32_t percent) = 0;
    virtual bool GetMute(bool& muted) = 0;
    virtual bool SetMute(bool muted) = 0;
    // At exit: lets go of whatever the device holds.
    virtual void Close() = 0;
    // Once per poll tick: a chance to take up a device that came since.
    virtual void Reconsider() {}
};

// A fader's raw value in minimum..maximum as a percentage, rounded to the
// nearest, halves up; the bounds must differ. The product is taken in 64
// bits so that ranges beyond 42,735,992 steps do not wrap; below that the
// result equals the 32-bit computation.
inline int32_t PercentFromRaw(uint32_t raw, uint32_t minimum, uint32_t maximum)
{
    const uint32_t range = maximum - minimum;
    const uint64_t scaled = static_cast<uint64_t>(raw - minimum) * 100u + range / 2;
    return static_cast<int32_t>(static_cast<uint32_t>(scaled / range));
}

// The raw value for a percentage, rounded down; 64-bit for the same reason.
inline uint32_t RawFromPercent(int32_t percent, uint32_t minimum, uint32_t maximum)
{
    const uint64_t step = static_cast<uint64_t>(maximum - minimum) * static_cast<uint32_t>(percent) / 100u;
    return minimum + static_cast<uint32_t>(step);
}
