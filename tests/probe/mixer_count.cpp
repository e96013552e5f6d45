// Prints how many mixer devices winmm reports: the rig's self-test expects
// at least one with its PulseAudio server and none with --no-audio.
#include <windows.h>
#include <mmsystem.h>
#include <stdio.h>

int main()
{
    printf("%u\n", mixerGetNumDevs());
    return 0;
}
