// Cost of the poll's work: one volume read and one mute read through the
// waveform mixer, as the engine makes them after its first find.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "volume/win32/WinMixer.h"

int main()
{
    TWinMixer mixer;
    uint32_t h = 0, line = 0, vol = 0, mute = 0, lo = 0, hi = 0;
    if (mixer.GetNumDevs() < 1 || !mixer.Open(0, h) || !mixer.GetSpeakersLine(h, line) ||
        !mixer.GetLineControl(h, line, kMixerControlTypeVolume, vol, lo, hi) ||
        !mixer.GetLineControl(h, line, kMixerControlTypeMute, mute, lo, hi)) {
        std::puts("no mixer");
        return 1;
    }
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    std::vector<double> us;
    for (int i = 0; i < 2000; ++i) {
        LARGE_INTEGER a, b;
        uint32_t v = 0, m = 0;
        QueryPerformanceCounter(&a);
        mixer.GetControlValue(h, vol, v);
        mixer.GetControlValue(h, mute, m);
        QueryPerformanceCounter(&b);
        us.push_back((b.QuadPart - a.QuadPart) * 1e6 / f.QuadPart);
    }
    std::sort(us.begin(), us.end());
    std::printf("GetVolume+GetMute pair: median %.1f us, p99 %.1f us over %zu pairs\n", us[us.size() / 2],
                us[us.size() * 99 / 100], us.size());
    mixer.Close(h);
    return 0;
}
