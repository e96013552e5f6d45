#include "framework/win32/WinForm.h"

#include <commctrl.h>

#include <set>

#include "framework/Error.h"
#include "framework/IconFile.h"
#include "framework/LabelLayout.h"
#include "framework/win32/WinScreenText.h"

TWinApplication& WinApplication()
{
    return *static_cast<TWinApplication*>(Application);
}

namespace {

// The pictures are icon files kept as data, so that the program's own icon
// is the only icon group Explorer can pick for the executable; the image of
// the wanted size becomes an icon here.
HICON LoadIconData(const char* name, int size)
{
    HRSRC res = FindResourceA(g_hInstance, name, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL mem = res ? LoadResource(g_hInstance, res) : nullptr;
    const auto* data = static_cast<const uint8_t*>(mem ? LockResource(mem) : nullptr);
    TIconImage image;
    if (!data || !FindIconImage(data, SizeofResource(g_hInstance, res), size, image))
        return nullptr;
    return CreateIconFromResourceEx(const_cast<PBYTE>(data + image.Offset), static_cast<DWORD>(image.Size), TRUE,
                                    0x00030000, size, size, LR_DEFAULTCOLOR);
}

// Whether the program as a whole is active, so that the deactivation event
// fires once per switch away however many windows are told.
bool g_appActive = false;

// A hidden window of a class registered on first use, for the framework's
// own plumbing (timer ticks, drag capture).
HWND CreateHiddenWindow(const char* className, WNDPROC proc, DWORD exStyle)
{
    static std::set<std::string> registered;
    if (!registered.count(className)) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = g_hInstance;
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        registered.insert(className);
    }
    return CreateWindowExA(exStyle, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_hInstance, nullptr);
}

template <class Base>
class TWinCtl : public Base, public IWinControl {
public:
    TWinCtl(const char* windowClass, DWORD style, const TObjectDesc& desc)
        : m_class(windowClass), m_style(style), m_fontHeight(desc.GetInt("Font.Height"))
    {
    }

    // A caption set while the program runs (the wheel delta) is the
    // program's own ANSI text; the one from the description goes to the
    // window at its creation.
    void SetCaption(const std::string& caption) override
    {
        Base::SetCaption(caption);
        if (m_hwnd)
            SetWindowTextA(m_hwnd, caption.c_str());
    }
    void SetVisible(bool visible) override
    {
        Base::SetVisible(visible);
        if (m_hwnd)
            ShowWindow(m_hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
    void SetEnabled(bool enabled) override
    {
        Base::SetEnabled(enabled);
        if (m_hwnd)
            EnableWindow(m_hwnd, enabled);
    }
    void CreateWindowIn(HWND parent, int id, HFONT font) override
    {
        DWORD style = WS_CHILD | m_style | (this->Visible() ? WS_VISIBLE : 0) | (this->Enabled() ? 0 : WS_DISABLED);
        HMENU childId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
        // A control without a text of its own (picture, list box) stays an
        // ANSI window whatever the code page: what it shows comes from the system.
        if (this->Caption().empty())
            m_hwnd = CreateWindowExA(0, m_class, "", style, this->Left, this->Top, this->Width, this->Height, parent,
                                     childId, g_hInstance, nullptr);
        else
            m_hwnd = CreateControlWithText(0, m_class, this->Caption(), style, this->Left, this->Top, this->Width,
                                           this->Height, parent, childId, g_hInstance);
        if (m_hwnd && font)
            SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        Created();
    }
    HWND Window() const override { return m_hwnd; }
    int FontHeight() const { return m_fontHeight; }
    void Command(WORD code) override
    {
        if (code == BN_CLICKED && this->OnClick)
            this->OnClick(this);
    }

protected:
    virtual void Created() {}
    const char* m_class;
    DWORD m_style;
    int m_fontHeight;
    HWND m_hwnd = nullptr;
};

// A label whose text sits at the bottom of its box, or in the middle of it
// over several lines, has no static style of its own: it paints itself.
bool LabelPaintsItself(const TLabelLayout& layout)
{
    return layout.Vert == TLabelLayout::Bottom || (layout.Vert == TLabelLayout::Middle && layout.WordWrap);
}

DWORD LabelStyle(const TObjectDesc& desc)
{
    const TLabelLayout layout = LabelLayoutOf(desc);
    DWORD style = SS_NOPREFIX;
    if (layout.Horz == TLabelLayout::Center)
        style |= SS_CENTER;
    else if (layout.Horz == TLabelLayout::Right)
        style |= SS_RIGHT;
    else if (!layout.WordWrap)
        style |= SS_LEFTNOWORDWRAP;
    // One line in the middle of the box; this also keeps a centred text
    // from wrapping.
    if (layout.Vert == TLabelLayout::Middle && !layout.WordWrap)
        style |= SS_CENTERIMAGE;
    return style;
}

class TWinLabel : public TWinCtl<TLabel> {
public:
    explicit TWinLabel(const TObjectDesc& d) : TWinCtl("STATIC", LabelStyle(d), d), m_layout(LabelLayoutOf(d)) {}

protected:
    void Created() override
    {
        if (!m_hwnd || !LabelPaintsItself(m_layout))
            return;
        // Subclassed through the window's own character set, so that a wide
        // text set on a wide window is not narrowed on its way through.
        m_wide = IsWindowUnicode(m_hwnd) != FALSE;
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        const auto proc = reinterpret_cast<LONG_PTR>(&TWinLabel::SubclassProc);
        m_oldProc = reinterpret_cast<WNDPROC>(m_wide ? SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, proc)
                                                     : SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, proc));
    }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<TWinLabel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(hwnd, &ps)) {
                self->Paint(hwnd, dc);
                EndPaint(hwnd, &ps);
            }
            return 0;
        }
        LRESULT r = self->m_wide ? CallWindowProcW(self->m_oldProc, hwnd, msg, wParam, lParam)
                                 : CallWindowProcA(self->m_oldProc, hwnd, msg, wParam, lParam);
        if (msg == WM_SETTEXT || msg == WM_ENABLE || msg == WM_SETFONT)
            InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }

    // As the text would lie in a box of its own height, moved to the bottom
    // (or the middle) of the label's box; what does not fit is cut at the top.
    void Paint(HWND hwnd, HDC dc)
    {
        RECT box;
        GetClientRect(hwnd, &box);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
        FillRect(dc, &box, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        if (!IsWindowEnabled(hwnd))
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkMode(dc, TRANSPARENT);
        auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        UINT flags = DT_NOPREFIX | (m_layout.WordWrap ? DT_WORDBREAK : DT_SINGLELINE);
        if (m_layout.Horz == TLabelLayout::Center)
            flags |= DT_CENTER;
        else if (m_layout.Horz == TLabelLayout::Right)
            flags |= DT_RIGHT;
        RECT text = box;
        if (m_wide) {
            std::wstring s(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
            const int n = GetWindowTextW(hwnd, &s[0], static_cast<int>(s.size()));
            DrawTextW(dc, s.c_str(), n, &text, flags | DT_CALCRECT);
            PlaceText(box, text);
            DrawTextW(dc, s.c_str(), n, &text, flags);
        } else {
            std::string s(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
            const int n = GetWindowTextA(hwnd, &s[0], static_cast<int>(s.size()));
            DrawTextA(dc, s.c_str(), n, &text, flags | DT_CALCRECT);
            PlaceText(box, text);
            DrawTextA(dc, s.c_str(), n, &text, flags);
        }
        if (oldFont)
            SelectObject(dc, oldFont);
    }
    void PlaceText(const RECT& box, RECT& text) const
    {
        const LONG height = text.bottom - text.top;
        text.left = box.left;
        text.right = box.right;
        text.top = m_layout.Vert == TLabelLayout::Bottom ? box.bottom - height
                                                          : box.top + (box.bottom - box.top - height) / 2;
        text.bottom = text.top + height;
    }

    TLabelLayout m_layout;
    bool m_wide = false;
    WNDPROC m_oldProc = nullptr;
};

class TWinButton : public TWinCtl<TButton> {
public:
    explicit TWinButton(const TObjectDesc& d)
        : TWinCtl("BUTTON", WS_TABSTOP | (d.GetBool("Default", false) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), d)
    {
    }
    void Command(WORD code) override
    {
        if (code != BN_CLICKED)
            return;
        if (ModalResult && Owner)
            Owner->ModalResult = ModalResult;
        if (OnClick)
            OnClick(this);
    }
};

class TWinCheckBox : public TWinCtl<TCheckBox> {
public:
    explicit TWinCheckBox(const TObjectDesc& d) : TWinCtl("BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, d) {}
    void SetChecked(bool checked) override
    {
        TCheckBox::SetChecked(checked);
        if (m_hwnd)
            SendMessageA(m_hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void Command(WORD code) override
    {
        if (code != BN_CLICKED)
            return;
        m_checked = SendMessageA(m_hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (OnClick)
            OnClick(this);
    }

protected:
    void Created() override { SetChecked(m_checked); }
};

class TWinListBox : public TWinCtl<TListBox> {
public:
    explicit TWinListBox(const TObjectDesc& d)
        : TWinCtl("LISTBOX", WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, d)
    {
    }
    void Clear() override
    {
        TListBox::Clear();
        if (m_hwnd)
            SendMessageA(m_hwnd, LB_RESETCONTENT, 0, 0);
    }
    void AddItem(const std::string& item) override
    {
        TListBox::AddItem(item);
        if (m_hwnd)
            SendMessageA(m_hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    int ItemIndex() override
    {
        return m_hwnd ? static_cast<int>(SendMessageA(m_hwnd, LB_GETCURSEL, 0, 0)) : TListBox::ItemIndex();
    }
    void SetItemIndex(int index) override
    {
        TListBox::SetItemIndex(index);
        if (m_hwnd)
            SendMessageA(m_hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    void Command(WORD) override {}
};

// A picture; a drag source when its description says so. The drag captures
// the mouse on a hidden window of its own (the picture itself is hidden while
// dragged) and follows the pointer over every window on the screen.
class TWinImage : public TWinCtl<TImage> {
public:
    explicit TWinImage(const TObjectDesc& d)
        // Clipped by its siblings: pictures may lie over one another.
        : TWinCtl("STATIC", SS_ICON | SS_REALSIZEIMAGE | SS_NOTIFY | WS_CLIPSIBLINGS, d),
          m_dragSource(d.Get("DragMode") == "dmAutomatic")
    {
    }
    ~TWinImage() override
    {
        if (m_icon)
            DestroyIcon(m_icon);
    }
    THandle IconHandle() override
    {
        if (!m_icon && !IconName.empty())
            m_icon = LoadIconData(IconName.c_str(), 32);
        return reinterpret_cast<THandle>(m_icon);
    }

protected:
    void Created() override
    {
        // A picture described later lies over the ones before it (the cross
        // hair over its empty frame), as pictures painted in order would. A
        // new child window goes below its siblings, so it is raised here.
        if (m_hwnd)
            SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (m_hwnd && IconHandle()) {
            SendMessageA(m_hwnd, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
            // The static shrinks itself to the icon; the picture keeps the
            // box it was described with, the icon drawn at its top-left.
            SetWindowPos(m_hwnd, nullptr, 0, 0, Width, Height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (m_hwnd && m_dragSource) {
            SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_oldProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinImage::SubclassProc)));
        }
    }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<TWinImage*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            // The drag starts on the press, without waiting for a move.
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &pt);
            self->RunDrag(pt);
            return 0;
        }
        if (msg == WM_SETCURSOR && self->m_dragging && g_hNoDropCursor) {
            SetCursor(g_hNoDropCursor);
            return TRUE;
        }
        return CallWindowProcA(self->m_oldProc, hwnd, msg, wParam, lParam);
    }

    static LRESULT CALLBACK TrackerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_SETCURSOR && g_hNoDropCursor) {
            SetCursor(g_hNoDropCursor);
            return TRUE;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    static HWND Tracker()
    {
        static HWND tracker = nullptr;
        if (!tracker)
            tracker = CreateHiddenWindow("TPelmDragWindow", TrackerProc, WS_EX_TOOLWINDOW);
        return tracker;
    }

    void RunDrag(POINT last)
    {
        HWND tracker = Tracker();
        if (!tracker || m_dragging)
            return;
        m_dragging = true;
        if (OnStartDrag)
            Application->Guard([this] { OnStartDrag(this); });
        SetCapture(tracker);
        if (g_hNoDropCursor)
            SetCursor(g_hNoDropCursor);
        // Left or right release, Escape and loss of capture all end it alike.
        for (;;) {
            if (GetCapture() != tracker)
                break;
            MSG msg;
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                PostQuitMessage(0);
                break;
            }
            if (msg.message == WM_MOUSEMOVE) {
                last = msg.pt;
                if (g_hNoDropCursor)
                    SetCursor(g_hNoDropCursor);
                continue;
            }
            if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) {
                last = msg.pt;
                break;
            }
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
                break;
            if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
                continue; // other buttons do nothing during the drag
            DropTimerCallback(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetCapture() == tracker)
            ReleaseCapture();
        m_dragging = false;

        // A drop on one of the program's own windows names that window's form
        // as the target and carries no point, as the drag machinery has it.
        TComponent* target = nullptr;
        int x = last.x, y = last.y;
        HWND under = WindowFromPoint(last);
        DWORD pid = 0;
        if (under)
            GetWindowThreadProcessId(under, &pid);
        if (under && pid == GetCurrentProcessId()) {
            target = Owner;
            x = y = 0;
        }
        if (OnEndDrag)
            Application->Guard([this, target, x, y] { OnEndDrag(this, target, x, y); });
    }

    HICON m_icon = nullptr;
    bool m_dragSource;
    bool m_dragging = false;
    WNDPROC m_oldProc = nullptr;
};

class TWinTimer : public TTimer {
public:
    ~TWinTimer() override
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    void SetEnabled(bool enabled) override
    {
        TTimer::SetEnabled(enabled);
        if (enabled && !m_hwnd)
            CreateTimerWindow();
        if (!m_hwnd)
            return;
        ::KillTimer(m_hwnd, 1);
        if (enabled && Interval > 0)
            ::SetTimer(m_hwnd, 1, Interval, nullptr);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_TIMER) {
            auto* self = reinterpret_cast<TWinTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self && self->Enabled() && self->OnTimer)
                Application->Guard([self] { self->OnTimer(self); });
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    void CreateTimerWindow()
    {
        // A hidden window of the timer's own: its ticks never reach the form.
        m_hwnd = CreateHiddenWindow("TPelmTimerWindow", Proc, 0);
        if (m_hwnd)
            SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HWND m_hwnd = nullptr;
};

class TWinPopupMenu : public TPopupMenu {
public:
    void Popup(int x, int y) override
    {
        TPopupMenu::Popup(x, y);
        HMENU menu = CreatePopupMenu();
        if (!menu)
            return;
        std::map<UINT, TMenuItem*> byId;
        UINT id = 1;
        for (TMenuItem* item : Items) {
            if (!item->Visible)
                continue; // a hidden item is not in the menu at all
            if (item->Caption == "-") {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            AppendMenuText(menu, id, item->Caption);
            if (item->Default)
                SetMenuDefaultItem(menu, id, FALSE);
            byId[id++] = item;
        }
        HWND owner = Owner ? reinterpret_cast<HWND>(Owner->Handle()) : nullptr;
        HWND outer = g_hMenuOwner;
        g_hMenuOwner = owner;
        UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                       x, y, 0, owner, nullptr));
        g_hMenuOwner = outer;
        DestroyMenu(menu);
        auto it = byId.find(chosen);
        if (it != byId.end() && it->second->OnClick) {
            TMenuItem* item = it->second;
            Application->Guard([item] { item->OnClick(item); });
        }
    }
};

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

} // namespace

TWinFormPeer::TWinFormPeer(TForm& form, const TObjectDesc& desc) : m_form(form)
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
    m_font = FontOfHeight(desc.GetInt("Font.Height", -11));
    m_centerOnShow = desc.Get("Position") == "poScreenCenter";

    DWORD exStyle = 0;
    DWORD style = FormStyle(desc, exStyle);
    RECT r = {0, 0, desc.GetInt("ClientWidth"), desc.GetInt("ClientHeight")};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    m_hwnd = CreateFormWindow(exStyle, form.ClassName.c_str(), desc.Get("Caption"), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, g_hInstance, this);
    if (!m_hwnd)
        throw EPelmError("cannot create window " + form.ClassName);
    if (m_centerOnShow)
        CenterOnScreen();
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
    HFONT font = CreateFontWithFace(height, m_charset,
                                    m_fontNameFromSystem ? TScreenText::FromSystem(m_fontName) : m_fontName);
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
        int fontHeight = 0;
        if (auto* l = dynamic_cast<TWinCtl<TLabel>*>(c.get()))
            fontHeight = l->FontHeight();
        else if (auto* b = dynamic_cast<TWinCtl<TButton>*>(c.get()))
            fontHeight = b->FontHeight();
        control->CreateWindowIn(m_hwnd, id, fontHeight ? FontOfHeight(fontHeight) : m_font);
        m_controls[id++] = control;
        auto* plain = dynamic_cast<TControl*>(c.get());
        if (plain && !plain->Hint.empty() && control->Window())
            AddTooltip(control->Window(), plain->Hint);
    }
}

void TWinFormPeer::AddTooltip(HWND control, const std::string& text)
{
    if (!m_tooltip) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        m_tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                    g_hInstance, nullptr);
        if (!m_tooltip)
            return;
        SendMessageA(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    }
    AddToolText(m_tooltip, m_hwnd, control, text);
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

void TWinFormPeer::DefaultHandler(TMessage& m)
{
    switch (m.Msg) {
    case WM_COMMAND:
        if (m.LParam != 0) {
            auto it = m_controls.find(LOWORD(m.WParam));
            if (it != m_controls.end())
                it->second->Command(HIWORD(m.WParam));
            return;
        }
        if (LOWORD(m.WParam) == IDOK) {
            // Enter in a modal form presses its default button.
            for (auto& c : m_controls) {
                auto* b = dynamic_cast<TWinButton*>(c.second);
                if (b && b->Default && b->Enabled()) {
                    b->Command(BN_CLICKED);
                    return;
                }
            }
            return;
        }
        if (LOWORD(m.WParam) == IDCANCEL) {
            // Escape closes a modal form only: in the settings window,
            // closing would end the program.
            if (m_modal)
                Close();
            return;
        }
        break;
    case WM_CLOSE:
        if (Application && Application->MainForm() == &m_form)
            Application->Terminate();
        else if (m_modal)
            m_form.ModalResult = IDCANCEL;
        else
            SetVisible(false);
        return;
    case WM_CONTEXTMENU:
        if (m_form.PopupMenu) {
            int x = static_cast<short>(LOWORD(m.LParam)), y = static_cast<short>(HIWORD(m.LParam));
            if (m.LParam == 0xFFFFFFFF) {
                POINT pt;
                GetCursorPos(&pt);
                x = pt.x;
                y = pt.y;
            }
            m_form.PopupMenu->PopupComponent = &m_form;
            m_form.PopupMenu->Popup(x, y);
            return;
        }
        break;
    case WM_ENDSESSION:
        if (m.WParam && Application)
            Application->Terminate();
        m.Result = 0;
        return;
    case WM_SHOWWINDOW:
        // Each showing starts at the first control in tab order.
        if (m.WParam)
            FocusMemory().erase(m_hwnd);
        break;
    case WM_ACTIVATE: {
        // As a dialog does: the focus leaves with the window and comes back
        // to the control that had it, or to the first one in tab order,
        // rather than to the form itself, where no key would do anything.
        HWND focus = GetFocus();
        if (LOWORD(m.WParam) == WA_INACTIVE) {
            if (focus && IsChild(m_hwnd, focus))
                FocusMemory()[m_hwnd] = focus;
            break;
        }
        m.Result = static_cast<uint32_t>(FormDefWindowProc(m_hwnd, m.Msg, m.WParam, m.LParam));
        if (!HIWORD(m.WParam))
            FocusControl(m_hwnd);
        return;
    }
    case WM_ACTIVATEAPP:
        if (m.WParam) {
            g_appActive = true;
        } else if (g_appActive && Application) {
            g_appActive = false;
            Application->DoDeactivate();
        }
        break;
    default:
        break;
    }
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

std::string TWinBuilder::LoadDescription(const std::string& resourceName)
{
    HRSRC res = FindResourceA(g_hInstance, resourceName.c_str(), reinterpret_cast<LPCSTR>(RT_RCDATA));
    HGLOBAL data = res ? LoadResource(g_hInstance, res) : nullptr;
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes)
        throw EPelmError("missing form description " + resourceName);
    return std::string(bytes, SizeofResource(g_hInstance, res));
}

std::unique_ptr<IFormPeer> TWinBuilder::CreatePeer(TForm& form, const TObjectDesc& desc)
{
    return std::make_unique<TWinFormPeer>(form, desc);
}

std::unique_ptr<TComponent> TWinBuilder::CreateComponent(TForm& form, const TObjectDesc& desc)
{
    const std::string& k = desc.ClassName;
    if (k == "TLabel")
        return std::make_unique<TWinLabel>(desc);
    if (k == "TButton")
        return std::make_unique<TWinButton>(desc);
    if (k == "TCheckBox")
        return std::make_unique<TWinCheckBox>(desc);
    if (k == "TImage")
        return std::make_unique<TWinImage>(desc);
    if (k == "TListBox")
        return std::make_unique<TWinListBox>(desc);
    if (k == "TTimer")
        return std::make_unique<TWinTimer>();
    if (k == "TPopupMenu")
        return std::make_unique<TWinPopupMenu>();
    return TFormBuilder::CreateComponent(form, desc);
}

void TWinBuilder::ComponentsCreated(TForm& form)
{
    static_cast<TWinFormPeer&>(form.Peer()).CreateControls();
}
