#pragma once
// Forms and components on real Win32 windows.
#include <windows.h>

#include <map>

#include "framework/Form.h"
#include "framework/win32/WinApplication.h"

// A control with a child window of its own, created once the form's window
// and every component exist.
class IWinControl {
public:
    virtual ~IWinControl() = default;
    // Made at the form's DPI: its box is the description's, scaled.
    virtual void CreateWindowIn(HWND parent, int id, HFONT font, int dpi) = 0;
    // The form moved to a display of another DPI: the box scaled anew, and
    // the font made for it.
    virtual void Rescale(int dpi, HFONT font) = 0;
    virtual HWND Window() const = 0;
    // A WM_COMMAND notification from the child window.
    virtual void Command(WORD code) = 0;
    // The height of a font of its own; 0 for the form's font.
    virtual int FontHeight() const { return 0; }
    // Enter in a modal form: a default button that is enabled presses itself
    // and says so.
    virtual bool PressIfDefault() { return false; }
};

class TWinFormPeer : public IFormPeer {
public:
    TWinFormPeer(TForm& form, const TObjectDesc& desc);
    ~TWinFormPeer() override;

    THandle Handle() override { return reinterpret_cast<THandle>(m_hwnd); }
    void SetVisible(bool visible) override;
    bool Visible() override;
    void BringToFront() override;
    void Close() override;
    void DefaultHandler(TMessage& message) override;
    void SetTimer(uint32_t id, uint32_t elapse) override;
    void KillTimer(uint32_t id) override;
    int ShowModal() override;
    void DestroyWindow() override;

    HWND Hwnd() const { return m_hwnd; }
    HFONT Font() const { return m_font; }
    // A font of the description's height (96-dpi pixels) at the form's DPI.
    HFONT FontOfHeight(int height);
    void CreateControls();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // DefaultHandler's cases; those giving a result say whether the message
    // is done with, without the system's default procedure.
    bool HandleCommand(const TMessage& m);
    void HandleClose();
    bool HandleContextMenu(const TMessage& m);
    bool HandleActivate(TMessage& m);
    void HandleActivateApp(const TMessage& m);
    void CenterOnScreen();
    void AddTooltip(HWND control, const std::string& text);
    HFONT ControlFont(const IWinControl& control);
    // The window's outer size for the description's client size at m_dpi.
    SIZE OuterSize() const;
    // Everything made at one DPI made again at another (WM_DPICHANGED).
    void ChangeDpi(int dpi, const RECT* suggested);

    TForm& m_form;
    HWND m_hwnd = nullptr;
    int m_dpi;
    int m_clientWidth, m_clientHeight; // as described, at 96 dpi
    int m_fontHeight;                  // likewise
    DWORD m_style = 0, m_exStyle = 0;
    HFONT m_font = nullptr;
    std::string m_fontName;
    bool m_fontNameFromSystem = false; // the default GUI face's name, not the description's
    BYTE m_charset = DEFAULT_CHARSET;
    std::map<int, HFONT> m_extraFonts;
    std::map<int, IWinControl*> m_controls; // by child id
    bool m_centerOnShow = false;
    bool m_modal = false;
    HWND m_tooltip = nullptr;
};

class TWinBuilder : public TFormBuilder {
protected:
    std::string LoadDescription(const std::string& resourceName) override;
    std::unique_ptr<IFormPeer> CreatePeer(TForm& form, const TObjectDesc& desc) override;
    std::unique_ptr<TComponent> CreateComponent(TForm& form, const TObjectDesc& desc) override;
    void ComponentsCreated(TForm& form) override;
};

TWinApplication& WinApplication();
