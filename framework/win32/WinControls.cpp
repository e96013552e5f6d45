// The controls with a child window and a text or items: labels, buttons,
// check boxes and list boxes.
#include "framework/LabelLayout.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinTextServices.h"
#include "framework/win32/WinComponents.h"

namespace {

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
    int FontHeight() const override { return m_fontHeight; }

protected:
    void Created() override
    {
        if (!m_hwnd || !LabelPaintsItself(m_layout))
            return;
        // Subclassed through the window's own character set, so that a wide
        // text set on a wide window is not narrowed on its way through.
        m_wide = IsWindowUnicode(m_hwnd) != FALSE && WideCallsExist();
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        const auto proc = reinterpret_cast<LONG_PTR>(&TWinLabel::SubclassProc);
        m_oldProc = reinterpret_cast<WNDPROC>(m_wide ? Bound().SetWindowLongW(m_hwnd, GWLP_WNDPROC, proc)
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
        LRESULT r = self->m_wide ? Bound().CallWindowProcW(self->m_oldProc, hwnd, msg, wParam, lParam)
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
            // The label's own window: its text by the messages, as GetWindowTextW would ask.
            const auto send = Bound().SendMessageW;
            std::wstring s(static_cast<size_t>(send(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
            const int n = static_cast<int>(send(hwnd, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(&s[0])));
            Bound().DrawTextW(dc, s.c_str(), n, &text, flags | DT_CALCRECT);
            PlaceText(box, text);
            Bound().DrawTextW(dc, s.c_str(), n, &text, flags);
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
    int FontHeight() const override { return m_fontHeight; }
    bool PressIfDefault() override
    {
        if (!Default || !Enabled())
            return false;
        Command(BN_CLICKED);
        return true;
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

} // namespace

std::unique_ptr<TComponent> CreateWinControl(const TObjectDesc& desc)
{
    const std::string& k = desc.ClassName;
    if (k == "TLabel")
        return std::make_unique<TWinLabel>(desc);
    if (k == "TButton")
        return std::make_unique<TWinButton>(desc);
    if (k == "TCheckBox")
        return std::make_unique<TWinCheckBox>(desc);
    if (k == "TListBox")
        return std::make_unique<TWinListBox>(desc);
    return nullptr;
}
