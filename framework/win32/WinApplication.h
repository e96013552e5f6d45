#pragma once
// The application object on Win32: the message loop and message boxes.
#include <windows.h>

#include "framework/Application.h"

class TWinApplication : public TApplication {
public:
    void Run();
    void Terminate() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
    int ShowMessageBoxText(const TScreenText& text, const TScreenText& caption, uint32_t flags) override;
    // Runs a nested loop until done() holds or the application ends.
    void RunNested(const std::function<bool()>& done, HWND dialog);
    // Dispatches one message; false once WM_QUIT has been taken.
    bool ProcessMessage(HWND dialog);
};

extern HINSTANCE g_hInstance;
// The cursor shown for the whole of a drag (nothing here accepts a drop).
extern HCURSOR g_hNoDropCursor;
// The window that owns the popup menu being tracked, while one is.
extern HWND g_hMenuOwner;

// Clears the callback address of a timer message before it is dispatched.
void DropTimerCallback(MSG& msg);
