#include "framework/win32/WinScreenText.h"

#include <commctrl.h>

#include "framework/win32/WinBound.h"

namespace {

const UINT kFixedCodePage = 932;

UINT CodePageOf(const TScreenText::TPart& part)
{
    if (part.Fixed)
        return kFixedCodePage;
    return part.Code == TTextCode::Utf8 ? CP_UTF8 : CP_ACP;
}

} // namespace

const TTextSystem& RunningTextSystem()
{
    static const TTextSystem system = {WideCallsExist(), GetACP(), IsValidCodePage(kFixedCodePage) != FALSE};
    return system;
}

bool FixedTextsGoWide()
{
    return FixedTextsGoWide(RunningTextSystem());
}

std::wstring WideOf(const TScreenText& text)
{
    std::wstring w;
    for (const TScreenText::TPart& p : text.Parts())
        w += WideFromBytes(CodePageOf(p), p.Bytes);
    return w;
}

std::string AnsiOf(const TScreenText& text)
{
    std::string a;
    for (const TScreenText::TPart& p : text.Parts())
        a += CodePageOf(p) == CP_UTF8 ? BytesFromWide(CP_ACP, WideFromBytes(CP_UTF8, p.Bytes)) : p.Bytes;
    return a;
}

HWND CreateControlWithText(DWORD exStyle, const char* windowClass, const TScreenText& text, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU id, HINSTANCE instance)
{
    if (!FixedTextsGoWide())
        return CreateWindowExA(exStyle, windowClass, AnsiOf(text).c_str(), style, x, y, width, height, parent, id,
                               instance, nullptr);
    // A control made by the wide call keeps its text in UTF-16; what the
    // program later sets with the ANSI calls is converted from the system's
    // code page, as it should be.
    std::wstring cls = WideOf(TScreenText::FromSystem(windowClass));
    return Bound().CreateWindowExW(exStyle, cls.c_str(), WideOf(text).c_str(), style, x, y, width, height, parent,
                                   id, instance, nullptr);
}

ATOM RegisterFormClass(const WNDCLASSA& wc)
{
    if (!FixedTextsGoWide())
        return RegisterClassA(&wc);
    const std::wstring name = WideOf(TScreenText::FromSystem(wc.lpszClassName));
    WNDCLASSW w = {};
    w.style = wc.style;
    w.lpfnWndProc = wc.lpfnWndProc;
    w.cbClsExtra = wc.cbClsExtra;
    w.cbWndExtra = wc.cbWndExtra;
    w.hInstance = wc.hInstance;
    w.hIcon = wc.hIcon;
    w.hCursor = wc.hCursor;
    w.hbrBackground = wc.hbrBackground;
    w.lpszClassName = name.c_str();
    return Bound().RegisterClassW(&w);
}

HWND CreateFormWindow(DWORD exStyle, const char* className, const TScreenText& caption, DWORD style, int x, int y,
                      int width, int height, HINSTANCE instance, void* param)
{
    if (!FixedTextsGoWide())
        return CreateWindowExA(exStyle, className, AnsiOf(caption).c_str(), style, x, y, width, height, nullptr,
                               nullptr, instance, param);
    const std::wstring cls = WideOf(TScreenText::FromSystem(className));
    return Bound().CreateWindowExW(exStyle, cls.c_str(), WideOf(caption).c_str(), style, x, y, width, height,
                                   nullptr, nullptr, instance, param);
}

LRESULT FormDefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Decided as the class was: every form class is registered by
    // RegisterFormClass, so the messages arrive in the form it chose.
    if (FixedTextsGoWide())
        return Bound().DefWindowProcW(wnd, msg, wParam, lParam);
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HFONT CreateFontWithFace(int height, BYTE charset, const TScreenText& face)
{
    if (!FixedTextsGoWide())
        return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, AnsiOf(face).c_str());
    // Where the face is not installed under this name, the system's own
    // substitution picks one, as for any other program.
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::wstring name = WideOf(face).substr(0, LF_FACESIZE - 1);
    name.copy(lf.lfFaceName, name.size());
    return Bound().CreateFontIndirectW(&lf);
}

BOOL AppendMenuText(HMENU menu, UINT_PTR id, const TScreenText& text)
{
    if (FixedTextsGoWide())
        return Bound().AppendMenuW(menu, MF_STRING, id, WideOf(text).c_str());
    return AppendMenuA(menu, MF_STRING, id, AnsiOf(text).c_str());
}

int MessageBoxText(HWND owner, const TScreenText& text, const TScreenText& caption, UINT flags)
{
    if (TextGoesWide(text, RunningTextSystem()) || TextGoesWide(caption, RunningTextSystem()))
        return MessageBoxW(owner, WideOf(text).c_str(), WideOf(caption).c_str(), flags);
    return MessageBoxA(owner, AnsiOf(text).c_str(), AnsiOf(caption).c_str(), flags);
}

namespace {

// The tool record is the same in both forms but for its text's type.
template <typename Info, typename Text>
void SendAddTool(HWND tooltip, HWND owner, HWND control, UINT size, UINT msg, Text& text,
                 LRESULT(WINAPI* send)(HWND, UINT, WPARAM, LPARAM))
{
    Info ti = {};
    ti.cbSize = size;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = &text[0];
    send(tooltip, msg, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace

void AddToolText(HWND tooltip, HWND owner, HWND control, const TScreenText& text)
{
    if (FixedTextsGoWide()) {
        std::wstring w = WideOf(text);
        SendAddTool<TTTOOLINFOW>(tooltip, owner, control, TTTOOLINFOW_V1_SIZE, TTM_ADDTOOLW, w,
                                 Bound().SendMessageW);
        return;
    }
    std::string a = AnsiOf(text);
    SendAddTool<TTTOOLINFOA>(tooltip, owner, control, TTTOOLINFOA_V1_SIZE, TTM_ADDTOOLA, a,
                             SendMessageA);
}
