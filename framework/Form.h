#pragma once
// Forms and components: the small GUI layer the program's two windows rest on.
// The classes here hold the state the program's logic reads and writes; the
// Win32 layer derives from them to mirror that state onto real windows, and
// the host tests use them as they are.
#include <memory>
#include <string>
#include <vector>

#include "framework/FormDescription.h"
#include "framework/Types.h"

class TForm;

class TComponent {
public:
    virtual ~TComponent() = default;
    std::string Name;
    TForm* Owner = nullptr;
};

// A visible control of a form: label, button, check box, picture, list box.
class TControl : public TComponent {
public:
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::string Hint; // tooltip text; none when empty
    TNotifyEvent OnClick;

    const std::string& Caption() const { return m_caption; }
    virtual void SetCaption(const std::string& caption) { m_caption = caption; }
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible) { m_visible = visible; }
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled) { m_enabled = enabled; }

protected:
    std::string m_caption;
    bool m_visible = true;
    bool m_enabled = true;
};

class TLabel : public TControl {};
class TButton : public TControl {
public:
    int ModalResult = 0; // given to the form when the button is clicked
    bool Default = false;
};

class TCheckBox : public TControl {
public:
    bool Checked() const { return m_checked; }
    virtual void SetChecked(bool checked) { m_checked = checked; }

protected:
    bool m_checked = false;
};

// Holds one icon; the program uses only its handle.
class TImage : public TControl {
public:
    std::string IconName; // resource name of the icon
    virtual THandle IconHandle() { return 0; }
    // The icon at size x size pixels, made from the image of the file that
    // serves that size best; kept until the component goes.
    virtual THandle IconOfSize(int) { return IconHandle(); }
    TNotifyEvent OnStartDrag;
    // Target (unused here) and the drop point in screen coordinates.
    std::function<void(TComponent* sender, TComponent* target, int x, int y)> OnEndDrag;
};

class TListBox : public TControl {
public:
    virtual void Clear() { m_items.clear(); m_itemIndex = -1; }
    virtual void AddItem(const std::string& item) { m_items.push_back(item); }
    int Count() const { return static_cast<int>(m_items.size()); }
    const std::string& Item(int i) const { return m_items[static_cast<size_t>(i)]; }
    virtual int ItemIndex() { return m_itemIndex; }
    virtual void SetItemIndex(int index) { m_itemIndex = index; }

protected:
    std::vector<std::string> m_items;
    int m_itemIndex = -1;
};

// A timer that ticks through a window of its own, never through the form's.
class TTimer : public TComponent {
public:
    uint32_t Interval = 1000;
    TNotifyEvent OnTimer;
    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled) { m_enabled = enabled; }

protected:
    bool m_enabled = false;
};

class TMenuItem : public TComponent {
public:
    std::string Caption; // "-" is a separator
    bool Visible = true;
    bool Default = false;
    TNotifyEvent OnClick;
};

class TPopupMenu : public TComponent {
public:
    std::vector<TMenuItem*> Items;
    TComponent* PopupComponent = nullptr;
    // Shows the menu with its top-left corner at the screen point; returns when
    // it closes, after the chosen item's handler has run.
    virtual void Popup(int x, int y) { m_lastPopupX = x; m_lastPopupY = y; ++m_popupCount; }
    int PopupCount() const { return m_popupCount; }
    int LastPopupX() const { return m_lastPopupX; }
    int LastPopupY() const { return m_lastPopupY; }

private:
    int m_popupCount = 0;
    int m_lastPopupX = 0, m_lastPopupY = 0;
};

// The window behind a form. The Win32 layer creates real windows; the
// default peer (host tests) only records what was asked of it.
class IFormPeer {
public:
    virtual ~IFormPeer() = default;
    virtual THandle Handle() = 0;               // creates the window on first use
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() = 0;
    virtual void BringToFront() = 0;
    virtual void Close() = 0;                   // as the close box does
    virtual void DefaultHandler(TMessage& message) = 0;
    virtual void SetTimer(uint32_t id, uint32_t elapse) = 0;
    virtual void KillTimer(uint32_t id) = 0;
    virtual int ShowModal() = 0;                // runs until ModalResult is set
    virtual void DestroyWindow() = 0;
};

class TForm : public TComponent {
public:
    explicit TForm(const std::string& className) : ClassName(className) {}
    ~TForm() override;

    const std::string ClassName;
    std::string Caption;
    int ClientWidth = 0, ClientHeight = 0;
    TPopupMenu* PopupMenu = nullptr;
    TNotifyEvent OnCreate, OnDestroy, OnShow;
    int ModalResult = 0;
    // The application's deactivation event is bound to a handler of this
    // form; Release unbinds it, since loops run after the form is gone.
    bool BindsApplicationEvents = false;

    THandle Handle() { return m_peer->Handle(); }
    void Show();
    void Hide() { m_peer->SetVisible(false); }
    bool Visible() { return m_peer->Visible(); }
    void BringToFront() { m_peer->BringToFront(); }
    void Close() { m_peer->Close(); }
    // Shows the form modally; a form that is already visible cannot be made
    // modal (raises EPelmError).
    int ShowModal();
    void SetWindowTimer(uint32_t id, uint32_t elapse) { m_peer->SetTimer(id, elapse); }
    void KillWindowTimer(uint32_t id) { m_peer->KillTimer(id); }

    // Every message of the form's window comes here first.
    virtual void WndProc(TMessage& message) { m_peer->DefaultHandler(message); }

    // Ends the form: the class's own destructor steps, then the destroy
    // handler, then the window goes, then the object.
    void Release();

    // Components and handlers by their designer names, for the builder.
    // SetField stores a component in the field of its name; false when no
    // field has that name or the kinds differ.
    virtual bool SetField(const std::string& name, TComponent* component);
    virtual TNotifyEvent MethodAddress(const std::string& name);

    void SetPeer(std::unique_ptr<IFormPeer> peer) { m_peer = std::move(peer); }
    IFormPeer& Peer() { return *m_peer; }
    // A window sends messages while it is being created, before the form
    // holds its peer; only the peer the form holds may route them here.
    bool Holds(const IFormPeer* peer) const { return peer && m_peer.get() == peer; }
    void AdoptComponent(std::unique_ptr<TComponent> component);
    TComponent* FindComponent(const std::string& name);
    const std::vector<std::unique_ptr<TComponent>>& Components() const { return m_components; }

protected:
    // The class's own destructor steps, run by Release before the destroy handler.
    virtual void DestroySteps() {}

private:
    std::unique_ptr<IFormPeer> m_peer;
    std::vector<std::unique_ptr<TComponent>> m_components;
};

// Creates a form's window and components from its description. The default
// builder makes the plain classes above with a recording peer; the Win32
// layer overrides it to make real windows.
class TFormBuilder {
public:
    virtual ~TFormBuilder() = default;
    // Builds the form from the named description and runs its creation
    // handler as the last act.
    void Build(TForm& form, const std::string& resourceName);
    void BuildFrom(TForm& form, const TObjectDesc& desc);

protected:
    virtual std::string LoadDescription(const std::string& resourceName) = 0;
    virtual std::unique_ptr<IFormPeer> CreatePeer(TForm& form, const TObjectDesc& desc);
    virtual std::unique_ptr<TComponent> CreateComponent(TForm& form, const TObjectDesc& desc);
    // Called once every component exists, before the creation handler.
    virtual void ComponentsCreated(TForm&) {}
};

// Peer used when no real window exists (host tests).
class TRecordingPeer : public IFormPeer {
public:
    explicit TRecordingPeer(TForm& form) : m_form(form) {}
    THandle Handle() override { return m_handle; }
    void SetVisible(bool visible) override { m_visible = visible; }
    bool Visible() override { return m_visible; }
    void BringToFront() override { ++BringToFrontCount; }
    void Close() override { ++CloseCount; }
    void DefaultHandler(TMessage& message) override { DefaultHandled.push_back(message.Msg); }
    void SetTimer(uint32_t id, uint32_t elapse) override { Timers.push_back({id, elapse}); }
    void KillTimer(uint32_t id) override { KilledTimers.push_back(id); }
    int ShowModal() override;
    void DestroyWindow() override { ++DestroyCount; }

    THandle m_handle = 0x1000;
    bool m_visible = false;
    int BringToFrontCount = 0, CloseCount = 0, DestroyCount = 0;
    std::vector<uint32_t> DefaultHandled;
    std::vector<std::pair<uint32_t, uint32_t>> Timers;
    std::vector<uint32_t> KilledTimers;
    std::function<int(TForm&)> OnShowModal; // what the "user" does while it is modal

private:
    TForm& m_form;
};
