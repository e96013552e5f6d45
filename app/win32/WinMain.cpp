// Process start-up: the single-instance guard, the two windows, the loop.
#include <windows.h>

#include <cstdlib>

#include "app/PelmFormMain.h"
#include "dialogs/WindowStoreDlg.h"
#include "framework/Error.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinForm.h"
#include "framework/win32/WinHandles.h"
#include "framework/win32/WinSystem.h"
#include "framework/win32/WinTextServices.h"
#include "settings/win32/WinProfile.h"
#include "tray/win32/WinLauncher.h"
#include "tray/win32/WinShellTray.h"
#include "volume/win32/WinMixer.h"
#include "wheel/win32/WinHookLibrary.h"
#include "wheel/win32/WinProcessImage.h"
#include "wheel/win32/WinWheelQueue.h"

// The run time's own last-resort handler prints the exception's demangled
// type to a console this program does not have, and brings in a demangler
// and a printf engine (a third of the executable) to do it. Every exception
// is caught by the application's guard; one that escapes still ends the
// process the same way.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

HANDLE g_hMutex = nullptr;

// A running instance is found by its main window's class alone: that window
// is hidden and captioned differently, and it is left exactly as it is.
bool ActivateRunningInstance()
{
    return FindWindowA("TPelmFormMain", nullptr) != nullptr;
}

int IsAnotherInstanceRunning()
{
    if (const TScopedHandle existing{OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "PELM_MUTEX")}) {
        ActivateRunningInstance();
        return -1;
    }
    g_hMutex = CreateMutexA(nullptr, FALSE, "PELM_MUTEX");
    if (g_hMutex) {
        // Two starts at the same instant both get a handle; the later one
        // learns it from the error code and ends like any second instance.
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            return -1;
        return 0;
    }
    return ActivateRunningInstance() ? -1 : -2;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // First: from here on libraries come from the system folder only, and
    // the calls the program binds at run time are bound (WinBound).
    Bound();
    if (IsAnotherInstanceRunning() != 0)
        return 0;

    static TWinApplication app;
    Application = &app;
    g_hInstance = hInstance;
    app.ShowMainForm = false;
    app.Title = "Pelmora";

    static TWinTextServices text;
    SetTextServices(&text);
    static TWinShellTray shell;
    static TWinSystem system;
    static TWinProfile profile;
    static TWinHookLibrary hook;
    static TWinLauncher launcher;
    static TWinWindowSystem windows;
    static TWinWheelQueue wheelQueue;
    static TPelmPlatform platform;
    platform.Volume = &VolumeProvider();
    platform.Shell = &shell;
    platform.Windows = &windows;
    platform.System = &system;
    platform.Profile = &profile;
    platform.Hook = &hook;
    platform.Launcher = &launcher;
    platform.WheelQueue = &wheelQueue;

    TWinBuilder builder;
    try {
        PelmFormMain = new TPelmFormMain(builder, platform);
        app.AddForm(PelmFormMain);
        WindowStoreDlg = new TWindowStoreDlg(builder, system, &windows, PelmFormMain->Programs());
        app.AddForm(WindowStoreDlg);
    } catch (const std::exception& e) {
        app.ShowException(e);
        app.ReleaseForms();
        return 0;
    }
    if (app.ShowMainForm)
        PelmFormMain->Show();
    app.Run();
    app.ReleaseForms();
    return 0;
}
