#pragma once
// The one place where a text of the program reaches a window. The program's
// fixed texts are code page 932 bytes; the ANSI calls take them as they stand
// on a system whose ANSI code page is 932, on the 9x family (which has few
// wide calls) and where 932 is not installed. On an NT system with another
// ANSI code page those bytes would be read in that code page, so there they
// go to the wide calls instead, converted once from code page 932; texts from
// the system or the user are converted from their own code (framework/ScreenText.h).
#include <windows.h>

#include <string>

#include "framework/ScreenText.h"
#include "framework/win32/WinTextServices.h"

// This system's code pages and calls; read once.
const TTextSystem& RunningTextSystem();
// FixedTextsGoWide for this system.
bool FixedTextsGoWide();

// Each part from its own code: fixed texts from 932, the rest from the
// system's ANSI code page or UTF-8. A part that does not convert comes out empty.
std::wstring WideOf(const TScreenText& text);
// The bytes the ANSI calls take: fixed and ANSI parts as they stand, UTF-8
// parts in the ANSI code page (a character it lacks as its default character).
std::string AnsiOf(const TScreenText& text);

// A child control (STATIC, BUTTON) showing a fixed text.
HWND CreateControlWithText(DWORD exStyle, const char* windowClass, const TScreenText& text, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU id, HINSTANCE instance);
// The program's own top-level windows (forms). Where fixed texts go wide,
// the class is registered wide and its windows get DefWindowProcW: the
// system paints the title bar with the text the window gives when asked
// (WM_GETTEXT), and an ANSI window would give it through the ANSI code page.
// Elsewhere the ANSI class, window and default procedure.
ATOM RegisterFormClass(const WNDCLASSA& wc);
HWND CreateFormWindow(DWORD exStyle, const char* className, const TScreenText& caption, DWORD style, int x, int y,
                      int width, int height, HINSTANCE instance, void* param);
LRESULT FormDefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A font whose face name is one of the program's fixed texts.
HFONT CreateFontWithFace(int height, BYTE charset, const TScreenText& face);
BOOL AppendMenuText(HMENU menu, UINT_PTR id, const TScreenText& text);
// Wide also where the text holds a UTF-8 part (TextGoesWide).
int MessageBoxText(HWND owner, const TScreenText& text, const TScreenText& caption, UINT flags);
// Adds a tool to a tooltip control; the text is copied by the control.
void AddToolText(HWND tooltip, HWND owner, HWND control, const TScreenText& text);
