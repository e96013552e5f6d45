// endpoint_test: what the program's mixer providers find on this system.
// Prints the Windows version, whether the default playback endpoint reads
// and takes a write of its own value, and which provider the program would
// choose.
#include <windows.h>

#include <cstdio>

#include "volume/EndpointChoice.h"
#include "volume/win32/EndpointVolume.h"
#include "volume/win32/WinMixer.h"

int main()
{
    const TWindowsVersion version = WindowsVersion();
    std::printf("version: platform %u major %u\n", version.PlatformId, version.Major);

    {
        TEndpointVolume endpoint;
        int32_t percent = 0;
        bool muted = false;
        if (endpoint.GetVolume(percent) && endpoint.GetMute(muted))
            std::printf("endpoint read: volume %d%% muted %d\n", percent, muted ? 1 : 0);
        else
            std::printf("endpoint read: failed\n");
        endpoint.Close();
        const TEndpointProbe found = endpoint.Probe();
        std::printf("endpoint write of its own value: %s\n", found == TEndpointProbe::Taken     ? "taken"
                                                               : found == TEndpointProbe::Refused ? "refused"
                                                                                                  : "no endpoint");
        endpoint.Close();
    }

    IVolumeDevice& provider = VolumeProvider();
    int32_t percent = 0;
    std::printf("provider read: %s\n", provider.GetVolume(percent) ? "done" : "failed");
    auto* choosing = dynamic_cast<TChoosingVolume*>(&provider);
    IVolumeDevice* chosen = choosing ? choosing->Chosen() : nullptr;
    std::printf("chosen: %s\n", !chosen ? "none" : dynamic_cast<TEndpointVolume*>(chosen) ? "endpoint" : "waveform mixer");
    return 0;
}
