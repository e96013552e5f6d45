#pragma once
// The endpoint's portable half: the fader a volume scalar shows as, the
// device over a scalar and a switch, and the choice between it and the
// waveform mixer.
#include <cstdint>
#include <functional>

#include "volume/VolumeDevice.h"

// The endpoint's master volume is a scalar 0.0..1.0; its percent is that of
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

// The default playback device, whose volume is a scalar and whose mute is
// a switch; the platform binding supplies those operations. It is acquired
// on first use.
class TScalarVolume : public IVolumeDevice {
public:
    // Acquires the endpoint and checks that it takes a write of its own
    // current volume, which changes nothing audible. A failed call drops
    // what was acquired, to be had afresh at the next look; an endpoint that
    // refuses the write for good is released.
    TEndpointProbe Probe();

    bool GetVolume(int32_t& percent) override;
    bool SetVolume(int32_t percent) override;
    bool GetMute(bool& muted) override;
    bool SetMute(bool muted) override;
    void Close() override { Release(); }
    // Once the endpoint is in use, any failed call drops it (a dead
    // interface after the audio service restarted keeps failing, the
    // device's id notwithstanding) and calls fail until a tick acquires it
    // afresh, with the looks' back-off.
    void Reconsider() override;

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
    // Whether a call may go to the endpoint: acquired at the first.
    bool Ready();
    // What a call did; a failure drops the endpoint.
    bool Done(bool done);
    bool m_used = false;    // acquired for a call once: later calls only check in their own reads and writes
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
// mixer. The choice is made on the first call for a level or mute. Where
// the endpoint is expected but was absent, Reconsider looks again, so that
// a device plugged in, or an audio service started, after the program is
// taken up: at the next tick, then less and less often while it stays
// absent, down to one look in kMaxEndpointLookPause + 1 ticks. A look that
// finds it refusing for good ends the looking.
class TChoosingVolume : public IVolumeDevice {
public:
    TChoosingVolume(IVolumeDevice& waveform, IVolumeDevice& endpoint, std::function<TWindowsVersion()> version,
                    std::function<TEndpointProbe()> probe);

    // The device chosen, or null before the choice.
    IVolumeDevice* Chosen() const { return m_chosen; }

    bool GetVolume(int32_t& percent) override { return Choice().GetVolume(percent); }
    bool SetVolume(int32_t percent) override { return Choice().SetVolume(percent); }
    bool GetMute(bool& muted) override { return Choice().GetMute(muted); }
    bool SetMute(bool muted) override { return Choice().SetMute(muted); }
    void Close() override;
    void Reconsider() override;

private:
    // The device chosen, choosing now if not yet.
    IVolumeDevice& Choice();

    IVolumeDevice& m_waveform;
    IVolumeDevice& m_endpoint;
    std::function<TWindowsVersion()> m_version;
    std::function<TEndpointProbe()> m_probe;
    IVolumeDevice* m_chosen = nullptr;
    bool m_lookAgain = false; // on the waveform mixer, the endpoint was absent
    TLookBackOff m_look;
};
