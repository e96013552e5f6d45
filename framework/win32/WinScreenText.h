#pragma once
// The one place where a text of the program reaches a window. The program's
// fixed texts are code page 932 bytes; on a system whose ANSI code page is
// 932 (and on the 9x family, which has few wide calls) they go to the ANSI
// calls as they stand. On an NT system with another ANSI code page those
// bytes would be read in that code page, so there they go to the wide calls
// instead, converted once from code page 932; texts from the system or the
// user are converted from the system's own code page.
#include <windows.h>

#include <string>

#include "framework/ScreenText.h"

// True on the NT family when the ANSI code page is not 932; decided once.
bool FixedTextsGoWide();
// For the tests: the same decision from a GetVersion value and a code page.
bool FixedTextsGoWide(DWORD version, UINT ansiCodePage);

// Each part from its own code page: fixed texts from 932, the rest from the
// system's ANSI code page. A part that does not convert comes out empty.
std::wstring WideOf(const TScreenText& text);

// A child control (STATIC, BUTTON) showing a fixed text.
HWND CreateControlWithText(DWORD exStyle, const char* windowClass, const TScreenText& text, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU id, HINSTANCE instance);
// The program's own top-level windows (forms). Where fixed texts go wide,
// the class is registered wide and its windows get DefWindowProcW: the
// system paints the title bar with the text the window gives when asked
// (WM_GETTEXT), and an ANSI window would give it through the ANSI code page.
// Elsewhere the ANSI class, window and default procedure, as ever.
ATOM RegisterFormClass(const WNDCLASSA& wc);
HWND CreateFormWindow(DWORD exStyle, const char* className, const TScreenText& caption, DWORD style, int x, int y,
                      int width, int height, HINSTANCE instance, void* param);
LRESULT FormDefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A font whose face name is one of the program's fixed texts.
HFONT CreateFontWithFace(int height, BYTE charset, const TScreenText& face);
BOOL AppendMenuText(HMENU menu, UINT_PTR id, const TScreenText& text);
int MessageBoxText(HWND owner, const TScreenText& text, const TScreenText& caption, UINT flags);
// Adds a tool to a tooltip control; the text is copied by the control.
void AddToolText(HWND tooltip, HWND owner, HWND control, const TScreenText& text);
