#pragma once
// The endpoint mixer's portable half: the fader a volume scalar shows as,
// the one-device shape the engine expects, and the choice between it and
// the waveform mixer.
#include <cstdint>
#include <functional>

#include "volume/Mixer.h"

// The endpoint's master volume is a scalar 0.0..1.0; the engine sees it as
// a fader of these bounds. Out-of-range and NaN scalars are clamped.
constexpr uint32_t kEndpointFaderMax = 65535;
uint32_t FaderFromScalar(float scalar);
float ScalarFromFader(uint32_t fader);

// What a look for the endpoint found.
enum class TEndpointProbe {
    Taken,   // there, reads, and takes a write of its own volume
    Absent,  // no default playback device, or not ready yet (a call failed for a
             // moment): worth another look
    Refused, // there but does not implement the write: no later look will do better
};

// Longest pause between two looks for the endpoint, in poll ticks: 15 ticks
// skipped, one look in 16 ticks of 300 ms, about 5 s.
constexpr uint32_t kMaxEndpointLookPause = 15;

// Looks spaced out while they find nothing: at the next tick, then with a
// pause that doubles, up to kMaxEndpointLookPause ticks.
class TLookBackOff {
public:
    // Once per tick: whether this tick looks.
    bool Due();
    // The look found nothing: the pause grows.
    void Missed();
    // The look found what it looked for: the next miss starts short again.
    void Reset() { m_wait = m_pause = 0; }

private:
    uint32_t m_wait = 0;  // ticks still to skip before the next look
    uint32_t m_pause = 0; // ticks skipped after the last look
};

// What the endpoint answers a write with: an HRESULT, negative when it failed.
typedef int32_t TEndpointResult;
constexpr TEndpointResult kEndpointENotImpl = static_cast<TEndpointResult>(0x80004001u);      // E_NOTIMPL
constexpr TEndpointResult kEndpointEAccessDenied = static_cast<TEndpointResult>(0x80070005u); // E_ACCESSDENIED
// Whether a failed write is the endpoint's last word: a write it does not
// implement (Wine's answer). Anything else may pass: while the endpoints are
// rebuilt at logon (AUDCLNT_E_DEVICE_INVALIDATED), while a user switch or a
// logon denies access for a moment (E_ACCESSDENIED), after the audio service
// restarted, or while a USB or Bluetooth device is still arriving.
bool RefusedForGood(TEndpointResult result);

// One device with one speakers line, whose volume is a scalar and whose mute
// is a switch; the platform binding supplies those four operations.
class TScalarMixer : public IMixer {
public:
    static constexpr uint32_t kHandle = 1; // non-zero: the engine takes 0 for "not open"
    static constexpr uint32_t kLineId = 1;
    static constexpr uint32_t kVolumeId = 1, kMuteId = 2;

    // Acquires the endpoint and checks that it takes a write of its own
    // current volume, which changes nothing audible. A failed call drops
    // what was acquired, to be had afresh at the next look; an endpoint that
    // refuses the write for good is released.
    TEndpointProbe Probe();

    uint32_t GetNumDevs() override;
    bool GetDevCaps(uint32_t device, TMixerCaps& caps) override;
    bool Open(uint32_t device, uint32_t& handle) override;
    bool GetSpeakersLine(uint32_t handle, uint32_t& lineId) override;
    bool GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                        uint32_t& minimum, uint32_t& maximum) override;
    bool GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value) override;
    bool SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value) override;
    void Close(uint32_t handle) override;
    // Once the endpoint is in use, any failed call drops it (a dead
    // interface after the audio service restarted keeps failing, the
    // device's id notwithstanding) and calls fail until a tick acquires it
    // afresh, with the looks' back-off. The handle and ids stay valid, so
    // this never reports a change.
    bool Reconsider() override;

protected:
    // Acquire may be called when already acquired and then only checks.
    virtual bool Acquire() = 0;
    // Lets the interfaces go, the device enumerator included, keeping only
    // what makes the next Acquire cheap; Release lets everything go.
    virtual void Drop() = 0;
    virtual void Release() = 0;
    virtual bool ReadScalar(float& scalar) = 0;
    virtual TEndpointResult WriteScalar(float scalar) = 0;
    virtual bool ReadMute(bool& muted) = 0;
    virtual bool WriteMute(bool muted) = 0;

private:
    void Failed();
    bool m_dropped = false; // a call failed: nothing is tried until a tick acquires afresh
    TLookBackOff m_reacquire;
};

// What GetVersionExA tells: dwPlatformId and dwMajorVersion.
struct TWindowsVersion {
    uint32_t PlatformId;
    uint32_t Major;
};
constexpr uint32_t kPlatformWin32Nt = 2; // VER_PLATFORM_WIN32_NT

// Whether the waveform mixer is confined to the program's own audio session
// there, so that only the endpoint reaches what the user hears.
bool EndpointExpected(const TWindowsVersion& version);

// Drives the endpoint where the system has one that works, else the waveform
// mixer. The choice is made on the engine's first touch, GetNumDevs; calls
// before it go to the waveform mixer. Where the endpoint is expected but was
// absent, Reconsider looks again, so that a device plugged in, or an audio
// service started, after the program is taken up: at the next tick, then
// less and less often while it stays absent, down to one look in
// kMaxEndpointLookPause + 1 ticks. A look that finds it refusing for good
// ends the looking.
class TChoosingMixer : public IMixer {
public:
    TChoosingMixer(IMixer& winmm, IMixer& endpoint, std::function<TWindowsVersion()> version,
                   std::function<TEndpointProbe()> probe);

    // The mixer chosen, or null before the choice.
    IMixer* Chosen() const { return m_chosen; }

    uint32_t GetNumDevs() override;
    bool GetDevCaps(uint32_t device, TMixerCaps& caps) override;
    bool Open(uint32_t device, uint32_t& handle) override;
    bool GetSpeakersLine(uint32_t handle, uint32_t& lineId) override;
    bool GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                        uint32_t& minimum, uint32_t& maximum) override;
    bool GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value) override;
    bool SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value) override;
    void Close(uint32_t handle) override;
    bool Reconsider() override;

private:
    IMixer& Current() { return m_chosen ? *m_chosen : m_winmm; }

    IMixer& m_winmm;
    IMixer& m_endpoint;
    std::function<TWindowsVersion()> m_version;
    std::function<TEndpointProbe()> m_probe;
    IMixer* m_chosen = nullptr;
    bool m_lookAgain = false;     // on the waveform mixer, the endpoint was absent
    TLookBackOff m_look;
    bool m_winmmOpen = false;     // the waveform mixer handle below is open
    uint32_t m_winmmHandle = 0;
};
