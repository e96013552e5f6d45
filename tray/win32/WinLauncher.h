#pragma once
#include "tray/Launcher.h"

class TWinLauncher : public IProcessLauncher {
public:
    bool FileExists(const std::string& path) override;
    std::string PathVariable() override;
    std::string SystemDirectory() override;
    bool StartProcess(const std::string& path, const std::string& commandLine) override;
    bool VistaOrLater() override;
};
