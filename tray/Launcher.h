#pragma once
// Starting a system program by name without waiting for it.
#include <string>
#include <vector>

class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    virtual bool FileExists(const std::string& path) = 0;
    virtual std::string PathVariable() = 0;
    // The folder of the native system programs: the system folder, or its
    // "Sysnative" alias for a 32-bit program on 64-bit Windows.
    virtual std::string SystemDirectory() = 0;
    // Starts the program with the command line, inheriting environment and
    // current folder but no handle; closes its handles at once.
    virtual bool StartProcess(const std::string& path, const std::string& commandLine) = 0;
    // Windows Vista or later: the volume control is sndvol.exe.
    virtual bool VistaOrLater() = 0;
};

// Where a program of that name is found: the system folder first, then each
// PATH folder in order; empty when nowhere. The current folder is not
// searched, so a program planted beside a document cannot be started.
std::string FindProgram(IProcessLauncher& launcher, const std::string& name);

// Looks the program up and starts it with the arguments joined by blanks
// (the first argument is the program's name again).
bool LaunchProgram(IProcessLauncher& launcher, const std::string& name, const std::vector<std::string>& args);

// The system's volume control: sndvol32.exe before Vista, found as above;
// from Vista on the system folder's own sndvol.exe only.
bool OpenVolumeControl(IProcessLauncher& launcher);
// The audio control panel, through rundll32.exe.
bool OpenAudioProperties(IProcessLauncher& launcher);
