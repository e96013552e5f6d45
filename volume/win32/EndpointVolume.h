#pragma once
// The master volume and mute of the default playback endpoint (Windows
// Vista and later). Everything is bound at run time, so that the program
// still starts where the endpoint interfaces do not exist.
#include <vector>

#include "framework/win32/WinHandles.h"
#include "volume/EndpointChoice.h"

struct IMMDeviceEnumerator;
struct IAudioEndpointVolume;

class TEndpointVolume : public TScalarVolume {
public:
    TEndpointVolume(); // out of line, where the interfaces' types are complete
    TEndpointVolume(const TEndpointVolume&) = delete;
    TEndpointVolume& operator=(const TEndpointVolume&) = delete;
    ~TEndpointVolume() override;

protected:
    bool Acquire() override;
    void Drop() override;
    void Release() override;
    bool ReadScalar(float& scalar) override;
    TEndpointResult WriteScalar(float scalar) override;
    bool ReadMute(bool& muted) override;
    bool WriteMute(bool muted) override;

private:
    bool Follow();
    void DropVolume();

    TScopedLibrary m_ole32;
    bool m_uninitialize = false; // our CoInitializeEx counted and needs its CoUninitialize
    void (*m_coUninitialize)() = nullptr; // ole32's, cast to their own types
    void (*m_coTaskMemFree)() = nullptr;
    TComPtr<IMMDeviceEnumerator> m_enumerator;
    TComPtr<IAudioEndpointVolume> m_volume;
    // A plain vector: the wide string class alone would add a tenth to the
    // executable's size for this one comparison.
    typedef std::vector<wchar_t> TDeviceId;
    TDeviceId m_deviceId; // the endpoint m_volume belongs to
};

// The running system's version, as GetVersionExA reports it.
TWindowsVersion WindowsVersion();
