// Starting the system's volume control and the audio control panel.
#include "app/PelmFormMain.h"

bool TPelmFormMain::OpenVolumeControlApp()
{
    return false;
}

bool TPelmFormMain::OpenAudioProperties()
{
    return false;
}
