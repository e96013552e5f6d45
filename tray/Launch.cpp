// Starting the system's volume control and the audio control panel.
#include "tray/Launcher.h"

#include "framework/PathText.h"

namespace {

std::string Join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    // A folder such as C:\表 ends in the byte 0x5C without ending in a separator.
    return EndsWithPathSeparator(dir) ? dir + name : dir + "\\" + name;
}

} // namespace

std::string FindProgram(IProcessLauncher& launcher, const std::string& name)
{
    std::vector<std::string> dirs;
    std::string system = launcher.SystemDirectory();
    if (!system.empty())
        dirs.push_back(system);
    std::string path = launcher.PathVariable();
    size_t start = 0;
    while (start <= path.size()) {
        size_t semi = path.find(';', start);
        std::string entry = path.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        std::string clean;
        for (char c : entry)
            if (c != '"')
                clean += c;
        if (!clean.empty())
            dirs.push_back(clean);
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    for (const std::string& dir : dirs) {
        std::string candidate = Join(dir, name);
        if (launcher.FileExists(candidate))
            return candidate;
    }
    return std::string();
}

bool LaunchProgram(IProcessLauncher& launcher, const std::string& name, const std::vector<std::string>& args)
{
    std::string path = FindProgram(launcher, name);
    if (path.empty())
        return false;
    std::string commandLine;
    for (const std::string& a : args) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += a;
    }
    return launcher.StartProcess(path, commandLine);
}

bool OpenVolumeControl(IProcessLauncher& launcher)
{
    if (!launcher.VistaOrLater())
        return LaunchProgram(launcher, "sndvol32.exe", {"sndvol32.exe"});
    // Vista and later have no sndvol32.exe: their volume control is the
    // system's own sndvol.exe, never one that a PATH folder offers first.
    const std::string system = launcher.SystemDirectory();
    if (system.empty())
        return false;
    const std::string path = Join(system, "sndvol.exe");
    return launcher.FileExists(path) && launcher.StartProcess(path, "sndvol.exe");
}

bool OpenAudioProperties(IProcessLauncher& launcher)
{
    return LaunchProgram(launcher, "rundll32.exe",
                         {"rundll32.exe", "shell32.dll,Control_RunDLL", "mmsys.cpl"});
}
