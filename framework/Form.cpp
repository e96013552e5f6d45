#include "framework/Form.h"

#include "framework/Application.h"
#include "framework/Error.h"

TForm::~TForm() = default;

void TForm::Show()
{
    if (OnShow)
        OnShow(this);
    m_peer->SetVisible(true);
}

int TForm::ShowModal()
{
    if (Visible())
        throw EPelmError("表示されているウィンドウをモーダルにすることはできません");
    if (OnShow)
        OnShow(this);
    ModalResult = 0;
    return m_peer->ShowModal();
}

void TForm::Release()
{
    DestroySteps();
    if (OnDestroy)
        OnDestroy(this);
    // Message boxes shown while the program ends (a failed save) run loops
    // of their own: nothing in them may reach this form any more.
    if (BindsApplicationEvents && Application)
        Application->OnDeactivate = nullptr;
    m_peer->DestroyWindow();
    delete this;
}

bool TForm::SetField(const std::string&, TComponent*) { return false; }
TNotifyEvent TForm::MethodAddress(const std::string&) { return nullptr; }

void TForm::AdoptComponent(std::unique_ptr<TComponent> component)
{
    component->Owner = this;
    SetField(component->Name, component.get());
    m_components.push_back(std::move(component));
}

TComponent* TForm::FindComponent(const std::string& name)
{
    for (auto& c : m_components)
        if (c->Name == name)
            return c.get();
    return nullptr;
}

int TRecordingPeer::ShowModal()
{
    m_visible = true;
    int result = OnShowModal ? OnShowModal(m_form) : 1;
    m_visible = false;
    return result;
}

void TFormBuilder::Build(TForm& form, const std::string& resourceName)
{
    BuildFrom(form, ParseFormDescription(LoadDescription(resourceName)));
}

namespace {

TNotifyEvent Handler(TForm& form, const TObjectDesc& desc, const std::string& event)
{
    std::string name = desc.Get(event);
    if (name.empty())
        return nullptr;
    TNotifyEvent h = form.MethodAddress(name);
    if (!h)
        throw EPelmError("no handler " + name + " for " + desc.Name + "." + event);
    return h;
}

void ApplyControl(TControl& c, const TObjectDesc& desc)
{
    c.Left = desc.GetInt("Left");
    c.Top = desc.GetInt("Top");
    c.Width = desc.GetInt("Width");
    c.Height = desc.GetInt("Height");
    c.Hint = desc.Get("Hint");
    c.SetCaption(desc.Get("Caption"));
    c.SetVisible(desc.GetBool("Visible", true));
    c.SetEnabled(desc.GetBool("Enabled", true));
}

} // namespace

void TFormBuilder::BuildFrom(TForm& form, const TObjectDesc& desc)
{
    form.Name = desc.Name;
    form.Caption = desc.Get("Caption");
    form.ClientWidth = desc.GetInt("ClientWidth");
    form.ClientHeight = desc.GetInt("ClientHeight");
    form.OnCreate = Handler(form, desc, "OnCreate");
    form.OnDestroy = Handler(form, desc, "OnDestroy");
    form.OnShow = Handler(form, desc, "OnShow");
    form.SetPeer(CreatePeer(form, desc));

    for (const TObjectDesc& child : desc.Children) {
        std::unique_ptr<TComponent> c = CreateComponent(form, child);
        c->Name = child.Name;
        if (auto* control = dynamic_cast<TControl*>(c.get())) {
            ApplyControl(*control, child);
            control->OnClick = Handler(form, child, "OnClick");
            if (auto* check = dynamic_cast<TCheckBox*>(control))
                check->SetChecked(child.GetBool("Checked", false));
            if (auto* button = dynamic_cast<TButton*>(control)) {
                button->ModalResult = child.GetInt("ModalResult");
                button->Default = child.GetBool("Default", false);
            }
            if (auto* image = dynamic_cast<TImage*>(control)) {
                image->IconName = child.Get("Icon");
                image->OnStartDrag = Handler(form, child, "OnStartDrag");
            }
        } else if (auto* timer = dynamic_cast<TTimer*>(c.get())) {
            timer->Interval = static_cast<uint32_t>(child.GetInt("Interval", 1000));
            timer->OnTimer = Handler(form, child, "OnTimer");
            timer->SetEnabled(child.GetBool("Enabled", true));
        } else if (child.ClassName == "TApplicationEvents") {
            TNotifyEvent h = Handler(form, child, "OnDeactivate");
            if (h && Application) {
                Application->OnDeactivate = h;
                form.BindsApplicationEvents = true;
            }
        } else if (auto* menu = dynamic_cast<TPopupMenu*>(c.get())) {
            for (const TObjectDesc& itemDesc : child.Children) {
                auto item = std::make_unique<TMenuItem>();
                item->Name = itemDesc.Name;
                item->Caption = itemDesc.Get("Caption");
                item->Visible = itemDesc.GetBool("Visible", true);
                item->Default = itemDesc.GetBool("Default", false);
                item->OnClick = Handler(form, itemDesc, "OnClick");
                menu->Items.push_back(item.get());
                form.AdoptComponent(std::move(item));
            }
        }
        form.AdoptComponent(std::move(c));
    }
    std::string popup = desc.Get("PopupMenu");
    if (!popup.empty())
        form.PopupMenu = dynamic_cast<TPopupMenu*>(form.FindComponent(popup));
    ComponentsCreated(form);
    if (form.OnCreate)
        form.OnCreate(&form);
}

std::unique_ptr<IFormPeer> TFormBuilder::CreatePeer(TForm& form, const TObjectDesc&)
{
    return std::make_unique<TRecordingPeer>(form);
}

std::unique_ptr<TComponent> TFormBuilder::CreateComponent(TForm&, const TObjectDesc& desc)
{
    const std::string& k = desc.ClassName;
    if (k == "TLabel")
        return std::make_unique<TLabel>();
    if (k == "TButton")
        return std::make_unique<TButton>();
    if (k == "TCheckBox")
        return std::make_unique<TCheckBox>();
    if (k == "TImage")
        return std::make_unique<TImage>();
    if (k == "TListBox")
        return std::make_unique<TListBox>();
    if (k == "TTimer")
        return std::make_unique<TTimer>();
    if (k == "TPopupMenu")
        return std::make_unique<TPopupMenu>();
    if (k == "TApplicationEvents")
        return std::make_unique<TComponent>();
    throw EPelmError("unknown component class " + k);
}
