#include "framework/win32/WinApplication.h"

HINSTANCE g_hInstance = nullptr;
HCURSOR g_hNoDropCursor = nullptr;

void DropTimerCallback(MSG& msg)
{
    // This program's timers have no callbacks; a timer message that names
    // one came from another process, and dispatching it would call that
    // address.
    const UINT kWmSysTimer = 0x0118; // the caret's timer, not in the headers
    if (msg.message == WM_TIMER || msg.message == kWmSysTimer)
        msg.lParam = 0;
}

bool TWinApplication::ProcessMessage(HWND dialog)
{
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        TApplication::Terminate();
        return false;
    }
    DropTimerCallback(msg);
    // Keyboard navigation (Tab, Enter, Escape) inside a modal form.
    if (dialog && IsDialogMessageA(dialog, &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TWinApplication::Run()
{
    // Runs until WM_QUIT itself has been taken from the queue, so that a box
    // shown during the teardown does not find it and close at once.
    while (ProcessMessage(nullptr)) {
    }
}

void TWinApplication::RunNested(const std::function<bool()>& done, HWND dialog)
{
    while (!Terminated() && !done()) {
        if (!ProcessMessage(dialog)) {
            PostQuitMessage(0); // let the outer loop see the end as well
            break;
        }
    }
}

void TWinApplication::Terminate()
{
    if (!Terminated())
        PostQuitMessage(0);
    TApplication::Terminate();
}

namespace {

BOOL CALLBACK FindShownWindow(HWND wnd, LPARAM found)
{
    if (!IsWindowVisible(wnd) || !IsWindowEnabled(wnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
}

} // namespace

// A box shown while one of the program's windows is on screen (the
// registration dialog) belongs to that window: it stays above it, and when
// it closes the window is active again instead of whatever lay below.
int TWinApplication::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    HWND owner = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownWindow, reinterpret_cast<LPARAM>(&owner));
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}
