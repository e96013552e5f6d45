// The window behind a form: its creation, fonts, controls and tooltips, and
// the messages the framework handles for every form.
#include "framework/win32/WinForm.h"

#include <commctrl.h>

#include <set>

#include "framework/Dpi.h"
#include "framework/Error.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinScreenText.h"

namespace {

// Whether the program as a whole is active, so that the deactivation event
// fires once per switch away however many windows are told.
bool g_appActive = false;

DWORD FormStyle(const TObjectDesc& desc, DWORD& exStyle)
{
    exStyle = 0;
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (desc.Get("BorderStyle") == "bsDialog") {
        style |= WS_POPUP | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
    } else {
        style |= WS_OVERLAPPED | WS_BORDER;
    }
    if (desc.Get("FormStyle") == "fsStayOnTop")
        exStyle |= WS_EX_TOPMOST;
    return style;
}

// The DPI the system lays the program's windows out at. Where the system
// scales the program itself (it ignores the manifest), this reads 96 and the
// forms keep their design.
int ScreenDpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kDesignDpi;
}

// Windows 10 (1607) and later: a window on a monitor of its own DPI, and the
// frame that goes with it.
int WindowDpi(HWND hwnd, int fallback)
{
    const int dpi = Bound().GetDpiForWindow ? static_cast<int>(Bound().GetDpiForWindow(hwnd)) : 0;
    return dpi > 0 ? dpi : fallback;
}
void AdjustFrameForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi)
{
    const auto adjust = Bound().AdjustWindowRectExForDpi;
    if (!adjust || !adjust(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

} // namespace

TWinFormPeer::TWinFormPeer(TForm& form, const TObjectDesc& desc)
    : m_form(form), m_dpi(ScreenDpi()), m_clientWidth(desc.GetInt("ClientWidth")),
      m_clientHeight(desc.GetInt("ClientHeight")), m_fontHeight(desc.GetInt("Font.Height", -11))
{
    static std::set<std::string> registered;
    if (!registered.count(form.ClassName)) {
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = g_hInstance;
        wc.hIcon = LoadIconA(g_hInstance, "MAINICON");
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = form.ClassName.c_str();
        if (!RegisterFormClass(wc))
            throw EPelmError("cannot register window class " + form.ClassName);
        registered.insert(form.ClassName);
    }

    m_fontName = desc.Get("Font.Name", "Default");
    if (m_fontName == "Default") {
        // The system's default GUI face, at the height the description asks.
        LOGFONTA lf = {};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        m_fontName = lf.lfFaceName;
        m_charset = lf.lfCharSet;
        m_fontNameFromSystem = true;
    }
    if (desc.Get("Font.Charset") == "SHIFTJIS_CHARSET")
        m_charset = SHIFTJIS_CHARSET;
    m_centerOnShow = desc.Get("Position") == "poScreenCenter";

    m_style = FormStyle(desc, m_exStyle);
    const SIZE size = OuterSize();
    m_hwnd = CreateFormWindow(m_exStyle, form.ClassName.c_str(), TScreenText(desc.Get("Caption")), m_style,
                              CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, g_hInstance, this);
    if (!m_hwnd)
        throw EPelmError("cannot create window " + form.ClassName);
    // Per monitor, the window takes the DPI of the monitor it was made on.
    const int dpi = WindowDpi(m_hwnd, m_dpi);
    if (dpi != m_dpi) {
        m_dpi = dpi;
        const SIZE sized = OuterSize();
        SetWindowPos(m_hwnd, nullptr, 0, 0, sized.cx, sized.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_font = FontOfHeight(m_fontHeight);
    if (m_centerOnShow)
        CenterOnScreen();
}

SIZE TWinFormPeer::OuterSize() const
{
    RECT r = {0, 0, ScaleForDpi(m_clientWidth, m_dpi), ScaleForDpi(m_clientHeight, m_dpi)};
    AdjustFrameForDpi(r, m_style, m_exStyle, m_dpi);
    return {r.right - r.left, r.bottom - r.top};
}

TWinFormPeer::~TWinFormPeer()
{
    if (m_font)
        DeleteObject(m_font);
    for (auto& f : m_extraFonts)
        if (f.second != m_font)
            DeleteObject(f.second);
}

HFONT TWinFormPeer::FontOfHeight(int height)
{
    auto it = m_extraFonts.find(height);
    if (it != m_extraFonts.end())
        return it->second;
    HFONT font = CreateFontWithFace(ScaleForDpi(height, m_dpi), m_charset,
                                    m_fontNameFromSystem ? TScreenText::FromSystem(m_fontName) : TScreenText(m_fontName));
    m_extraFonts[height] = font;
    return font;
}

void TWinFormPeer::CreateControls()
{
    int id = 100;
    for (const auto& c : m_form.Components()) {
        auto* control = dynamic_cast<IWinControl*>(c.get());
        if (!control)
            continue;
        control->CreateWindowIn(m_hwnd, id, ControlFont(*control), m_dpi);
        m_controls[id++] = control;
        auto* plain = dynamic_cast<TControl*>(c.get());
        if (plain && !plain->Hint.empty() && control->Window())
            AddTooltip(control->Window(), plain->Hint);
    }
}

HFONT TWinFormPeer::ControlFont(const IWinControl& control)
{
    const int height = control.FontHeight();
    return height ? FontOfHeight(height) : m_font;
}

void TWinFormPeer::ChangeDpi(int dpi, const RECT* suggested)
{
    if (dpi <= 0 || dpi == m_dpi)
        return;
    m_dpi = dpi;
    // The fonts of the old DPI go once nothing uses them any more.
    std::map<int, HFONT> old;
    old.swap(m_extraFonts);
    m_font = FontOfHeight(m_fontHeight);
    for (auto& c : m_controls)
        c.second->Rescale(dpi, ControlFont(*c.second));
    if (m_tooltip)
        SendMessageA(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    // The system suggests a box at the new DPI; without one, the window
    // keeps its place and takes its size at the new DPI.
    if (suggested) {
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const SIZE size = OuterSize();
        SetWindowPos(m_hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (auto& f : old)
        DeleteObject(f.second);
}

void TWinFormPeer::AddTooltip(HWND control, const std::string& text)
{
    if (!m_tooltip) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        if (const auto init = Bound().InitCommonControlsEx)
            init(&icc);
        m_tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                    g_hInstance, nullptr);
        if (!m_tooltip)
            return;
        SendMessageA(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    }
    AddToolText(m_tooltip, m_hwnd, control, TScreenText(text));
}

void TWinFormPeer::CenterOnScreen()
{
    RECT r;
    GetWindowRect(m_hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(m_hwnd, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinFormPeer::SetVisible(bool visible)
{
    if (visible) {
        if (m_centerOnShow)
            CenterOnScreen();
        ShowWindow(m_hwnd, SW_SHOW);
    } else {
        ShowWindow(m_hwnd, SW_HIDE);
    }
}

bool TWinFormPeer::Visible()
{
    return IsWindowVisible(m_hwnd) != FALSE;
}

void TWinFormPeer::BringToFront()
{
    SetForegroundWindow(m_hwnd);
    BringWindowToTop(m_hwnd);
}

void TWinFormPeer::Close()
{
    SendMessageA(m_hwnd, WM_CLOSE, 0, 0);
}

void TWinFormPeer::SetTimer(uint32_t id, uint32_t elapse)
{
    ::SetTimer(m_hwnd, id, elapse, nullptr);
}

void TWinFormPeer::KillTimer(uint32_t id)
{
    ::KillTimer(m_hwnd, id);
}

namespace {

// The control that had the focus when each form was last deactivated.
std::map<HWND, HWND>& FocusMemory()
{
    static std::map<HWND, HWND> memory;
    return memory;
}

bool CanFocus(HWND c)
{
    return IsWindowVisible(c) && IsWindowEnabled(c);
}

void FocusControl(HWND form)
{
    HWND target = nullptr;
    auto it = FocusMemory().find(form);
    if (it != FocusMemory().end() && IsChild(form, it->second) && CanFocus(it->second))
        target = it->second;
    // Controls lie in tab order among their siblings (the order they were
    // described in); the first that takes Tab takes the focus.
    for (HWND c = GetWindow(form, GW_CHILD); c && !target; c = GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) && CanFocus(c))
            target = c;
    if (target)
        SetFocus(target);
}

} // namespace

int TWinFormPeer::ShowModal()
{
    m_modal = true;
    SetVisible(true);
    SetForegroundWindow(m_hwnd);
    if (!IsChild(m_hwnd, GetFocus()))
        FocusControl(m_hwnd); // in case the system kept it from activating
    WinApplication().RunNested([this] { return m_form.ModalResult != 0 || !Visible(); }, m_hwnd);
    SetVisible(false);
    m_modal = false;
    return m_form.ModalResult;
}

void TWinFormPeer::DestroyWindow()
{
    if (m_hwnd) {
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
}

bool TWinFormPeer::HandleCommand(const TMessage& m)
{
    if (m.LParam != 0) {
        auto it = m_controls.find(LOWORD(m.WParam));
        if (it != m_controls.end())
            it->second->Command(HIWORD(m.WParam));
        return true;
    }
    if (LOWORD(m.WParam) == IDOK) {
        // Enter in a modal form presses its default button.
        for (auto& c : m_controls)
            if (c.second->PressIfDefault())
                break;
        return true;
    }
    if (LOWORD(m.WParam) == IDCANCEL) {
        // Escape closes a modal form only: in the settings window,
        // closing would end the program.
        if (m_modal)
            Close();
        return true;
    }
    return false;
}

void TWinFormPeer::HandleClose()
{
    if (Application && Application->MainForm() == &m_form)
        Application->Terminate();
    else if (m_modal)
        m_form.ModalResult = IDCANCEL;
    else
        SetVisible(false);
}

bool TWinFormPeer::HandleContextMenu(const TMessage& m)
{
    if (!m_form.PopupMenu)
        return false;
    int x = static_cast<short>(LOWORD(m.LParam)), y = static_cast<short>(HIWORD(m.LParam));
    if (m.LParam == 0xFFFFFFFF) {
        POINT pt;
        GetCursorPos(&pt);
        x = pt.x;
        y = pt.y;
    }
    m_form.PopupMenu->PopupComponent = &m_form;
    m_form.PopupMenu->Popup(x, y);
    return true;
}

bool TWinFormPeer::HandleActivate(TMessage& m)
{
    // As a dialog does: the focus leaves with the window and comes back
    // to the control that had it, or to the first one in tab order,
    // rather than to the form itself, where no key would do anything.
    HWND focus = GetFocus();
    if (LOWORD(m.WParam) == WA_INACTIVE) {
        if (focus && IsChild(m_hwnd, focus))
            FocusMemory()[m_hwnd] = focus;
        return false;
    }
    m.Result = static_cast<uint32_t>(FormDefWindowProc(m_hwnd, m.Msg, m.WParam, m.LParam));
    if (!HIWORD(m.WParam))
        FocusControl(m_hwnd);
    return true;
}

void TWinFormPeer::HandleActivateApp(const TMessage& m)
{
    if (m.WParam) {
        g_appActive = true;
    } else if (g_appActive && Application) {
        g_appActive = false;
        Application->DoDeactivate();
    }
}

void TWinFormPeer::DefaultHandler(TMessage& m)
{
    bool done = false;
    switch (m.Msg) {
    case WM_COMMAND:
        done = HandleCommand(m);
        break;
    case WM_CLOSE:
        HandleClose();
        done = true;
        break;
    case WM_CONTEXTMENU:
        done = HandleContextMenu(m);
        break;
    case WM_ENDSESSION:
        if (m.WParam && Application)
            Application->Terminate();
        m.Result = 0;
        done = true;
        break;
    case WM_SHOWWINDOW:
        // Each showing starts at the first control in tab order.
        if (m.WParam)
            FocusMemory().erase(m_hwnd);
        break;
    case WM_ACTIVATE:
        done = HandleActivate(m);
        break;
    case WM_ACTIVATEAPP:
        HandleActivateApp(m);
        break;
    case kWmDpiChanged:
        // Moved to a monitor of another DPI: the box the system suggests,
        // and the layout made again for it.
        ChangeDpi(HIWORD(m.WParam), reinterpret_cast<const RECT*>(static_cast<uintptr_t>(m.LParam)));
        m.Result = 0;
        done = true;
        break;
    default:
        break;
    }
    if (done)
        return;
    // The framework handles no message that carries a text; those go on to
    // the default procedure as the window received them (wide or ANSI).
    m.Result = static_cast<uint32_t>(FormDefWindowProc(m_hwnd, m.Msg, m.WParam, m.LParam));
}

LRESULT CALLBACK TWinFormPeer::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        // lpCreateParams lies alike in CREATESTRUCTA and CREATESTRUCTW.
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TWinFormPeer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Until the form holds this peer (CreateWindowEx and the centring send
    // messages before it does) and after it has gone, the system handles
    // everything.
    if (!self || self->m_hwnd != hwnd || !self->m_form.Holds(self) || !Application)
        return FormDefWindowProc(hwnd, msg, wParam, lParam);
    TMessage m = {msg, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), 0};
    TForm& form = self->m_form;
    Application->Guard([&form, &m] { form.WndProc(m); });
    return static_cast<LRESULT>(static_cast<int32_t>(m.Result));
}
