#include "framework/win32/WinApplication.h"

#include "framework/win32/WinScreenText.h"

HINSTANCE g_hInstance = nullptr;
HCURSOR g_hNoDropCursor = nullptr;
HWND g_hMenuOwner = nullptr;

void DropTimerCallback(MSG& msg)
{
    // This program's timers have no callbacks; a timer message that names
    // one came from another process, and dispatching it would call that
    // address.
    const UINT kWmSysTimer = 0x0118; // the caret's timer, not in the headers
    if (msg.message == WM_TIMER || msg.message == kWmSysTimer)
        msg.lParam = 0;
}

namespace {

// The visible form of this program that a keyboard message is for, so that
// Tab, Enter, Escape and Alt with an underlined letter work among its
// controls whether or not it is modal. Menus and message boxes run loops of
// their own and never get here.
HWND DialogKeysTarget(const MSG& msg)
{
    if (!msg.hwnd || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
        return nullptr;
    HWND root = msg.hwnd;
    while ((GetWindowLongA(root, GWL_STYLE) & WS_CHILD) && GetParent(root))
        root = GetParent(root);
    if (GetWindowThreadProcessId(root, nullptr) != GetCurrentThreadId() || !IsWindowVisible(root) ||
        !IsWindowEnabled(root) || (GetWindowLongA(root, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        return nullptr;
    return root;
}

} // namespace

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
    HWND form = DialogKeysTarget(msg);
    if (form && form != dialog && IsDialogMessageA(form, &msg))
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
    // A popup menu's own loop does not end at WM_QUIT: it would wait for the
    // user to dismiss the menu before the program could end.
    if (g_hMenuOwner)
        SendMessageA(g_hMenuOwner, WM_CANCELMODE, 0, 0);
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
    return ShowMessageBoxText(TScreenText(text), TScreenText(caption), flags);
}

int TWinApplication::ShowMessageBoxText(const TScreenText& text, const TScreenText& caption, uint32_t flags)
{
    HWND owner = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownWindow, reinterpret_cast<LPARAM>(&owner));
    return MessageBoxText(owner, text, caption, flags);
}
