// endpoint_test: what the program's mixer providers find on this system.
// Prints the Windows version, whether the default playback endpoint reads
// and takes a write of its own value, and which provider the program would
// choose.
#include <windows.h>

#include <cstdio>

#include "volume/EndpointChoice.h"
#include "volume/win32/EndpointMixer.h"
#include "volume/win32/WinMixer.h"

int main()
{
    const TWindowsVersion version = WindowsVersion();
    std::printf("version: platform %u major %u\n", version.PlatformId, version.Major);

    {
        TEndpointMixer endpoint;
        uint32_t handle = 0, fader = 0, mute = 0;
        if (endpoint.Open(0, handle) && endpoint.GetControlValue(handle, TScalarMixer::kVolumeId, fader) &&
            endpoint.GetControlValue(handle, TScalarMixer::kMuteId, mute))
            std::printf("endpoint read: volume %.0f%% muted %u\n", ScalarFromFader(fader) * 100.0f, mute);
        else
            std::printf("endpoint read: failed\n");
        if (handle)
            endpoint.Close(handle);
        const TEndpointProbe found = endpoint.Probe();
        std::printf("endpoint write of its own value: %s\n", found == TEndpointProbe::Taken     ? "taken"
                                                               : found == TEndpointProbe::Refused ? "refused"
                                                                                                  : "no endpoint");
        endpoint.Close(0);
    }

    IMixer& provider = MixerProvider();
    std::printf("mixer devices: %u\n", provider.GetNumDevs());
    auto* choosing = dynamic_cast<TChoosingMixer*>(&provider);
    IMixer* chosen = choosing ? choosing->Chosen() : nullptr;
    std::printf("chosen: %s\n", !chosen ? "none" : dynamic_cast<TEndpointMixer*>(chosen) ? "endpoint" : "waveform mixer");
    return 0;
}
