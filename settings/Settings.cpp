// The controller's load and save of the settings file.
#include "app/PelmFormMain.h"
#include "framework/Application.h"
#include "settings/SettingsFile.h"

void TPelmFormMain::LoadSettings()
{
    TLoadedSettings paths = LoadSettingsFile(*m_platform.Profile, *g_StoredProgramList, m_bMuteOnWinReboot, m_bCtrlKeyMute);
    Application->HelpFile = paths.helpPath;
}

void TPelmFormMain::SaveSettings()
{
    SaveSettingsFile(*m_platform.Profile, *g_StoredProgramList, m_bMuteOnWinReboot, m_bCtrlKeyMute);
}
