#pragma once
// The Win32 components behind a form's description, one family to a file:
// the controls (WinControls.cpp), the picture with its drag loop
// (WinImage.cpp), the timer (WinTimer.cpp) and the popup menu
// (WinPopupMenu.cpp). The builder (WinForm.cpp) makes them.
#include <windows.h>

#include <memory>

#include "framework/Dpi.h"
#include "framework/Form.h"
#include "framework/win32/WinForm.h"
#include "framework/win32/WinScreenText.h"

// A hidden window of a class registered on first use, for the framework's
// own plumbing (timer ticks, drag capture).
HWND CreateHiddenWindow(const char* className, WNDPROC proc, DWORD exStyle);

// A label, button, check box or list box; null for a description of another class.
std::unique_ptr<TComponent> CreateWinControl(const TObjectDesc& desc);
// A picture, and a drag source when its description says so.
std::unique_ptr<TComponent> CreateWinImage(const TObjectDesc& desc);
std::unique_ptr<TComponent> CreateWinTimer();
std::unique_ptr<TComponent> CreateWinPopupMenu();

// The base of every component with a child window of its own: the state of
// the portable class (Base) mirrored onto the window once it exists.
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
    void CreateWindowIn(HWND parent, int id, HFONT font, int dpi) override
    {
        m_dpi = dpi;
        DWORD style = WS_CHILD | m_style | (this->Visible() ? WS_VISIBLE : 0) | (this->Enabled() ? 0 : WS_DISABLED);
        HMENU childId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
        // A control without a text of its own (picture, list box) stays an
        // ANSI window whatever the code page: what it shows comes from the system.
        if (this->Caption().empty())
            m_hwnd = CreateWindowExA(0, m_class, "", style, Scaled(this->Left), Scaled(this->Top),
                                     Scaled(this->Width), Scaled(this->Height), parent, childId, g_hInstance, nullptr);
        else
            m_hwnd = CreateControlWithText(0, m_class, TScreenText(this->Caption()), style, Scaled(this->Left),
                                           Scaled(this->Top), Scaled(this->Width), Scaled(this->Height), parent,
                                           childId, g_hInstance);
        if (m_hwnd && font)
            SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        Created();
    }
    void Rescale(int dpi, HFONT font) override
    {
        m_dpi = dpi;
        if (!m_hwnd)
            return;
        SetWindowPos(m_hwnd, nullptr, Scaled(this->Left), Scaled(this->Top), Scaled(this->Width),
                     Scaled(this->Height), SWP_NOZORDER | SWP_NOACTIVATE);
        if (font)
            SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    HWND Window() const override { return m_hwnd; }
    void Command(WORD code) override
    {
        if (code == BN_CLICKED && this->OnClick)
            this->OnClick(this);
    }

protected:
    virtual void Created() {}
    int Scaled(int length) const { return ScaleForDpi(length, m_dpi); }
    const char* m_class;
    DWORD m_style;
    int m_fontHeight; // the description's own, 0 when it names none
    int m_dpi = kDesignDpi;
    HWND m_hwnd = nullptr;
};
