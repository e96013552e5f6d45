#include "dialogs/WindowStoreDlg.h"

#include "app/PelmFormMain.h"
#include "framework/System.h"
#include "wheel/ProgramName.h"

TWindowStoreDlg* WindowStoreDlg = nullptr;

TWindowStoreDlg::TWindowStoreDlg(TFormBuilder& builder, TPelmPlatform& platform)
    : TForm("TWindowStoreDlg"), m_platform(platform)
{
    builder.Build(*this, "WINDOWSTOREDLG");
    if (imgCross)
        imgCross->OnEndDrag = [this](TComponent* s, TComponent* t, int x, int y) { imgCrossEndDrag(s, t, x, y); };
}

// The program-wide pointer must not outlive the dialog: the menu command
// that opens it can still arrive while the program ends.
TWindowStoreDlg::~TWindowStoreDlg()
{
    if (WindowStoreDlg == this)
        WindowStoreDlg = nullptr;
}

void TWindowStoreDlg::FormCreate(TComponent*)
{
    m_platform.System->SetNoDropCursor("NEWCURSOR");
}

void TWindowStoreDlg::FormShow(TComponent*)
{
    imgCross->SetVisible(true);
    ListUpdate();
}

void TWindowStoreDlg::imgCrossStartDrag(TComponent*)
{
    imgCross->SetVisible(false);
}

void TWindowStoreDlg::imgCrossEndDrag(TComponent*, TComponent* target, int x, int y)
{
    imgCross->SetVisible(true);
    // The drag reports a drop on one of the program's own windows (this
    // dialog included, as when the icon is only clicked) with that window as
    // the target and no usable point: nothing is registered then.
    if (target)
        return;
    std::string name;
    if (!m_platform.Windows || !GetProgramNameAtPoint(*m_platform.Windows, TPoint{x, y}, name))
        return;
    int found = g_StoredProgramList->IndexOf(name);
    if (found < 0) {
        g_StoredProgramList->Add(name);
        ListUpdate();
    } else {
        ClassNameListBox->SetItemIndex(found);
    }
}

void TWindowStoreDlg::ListUpdate()
{
    ClassNameListBox->Clear();
    TStringList lines;
    lines.SetText(g_StoredProgramList->Text());
    for (const std::string& item : lines.Items())
        ClassNameListBox->AddItem(item);
    ClassNameListBox->SetItemIndex(-1);
}

void TWindowStoreDlg::btnClearClick(TComponent*)
{
    int index = ClassNameListBox->ItemIndex();
    if (index < 0 || index >= ClassNameListBox->Count())
        return;
    int found = g_StoredProgramList->IndexOf(ClassNameListBox->Item(index));
    if (found < 0)
        return;
    g_StoredProgramList->Delete(found);
    ListUpdate();
}

void TWindowStoreDlg::btnClearAllClick(TComponent*)
{
    g_StoredProgramList->Clear();
    ListUpdate();
}

void TWindowStoreDlg::ApplicationEvents1Deactivate(TComponent*)
{
    if (Visible())
        m_platform.System->KeepTopMost(Handle());
}

#define PELM_FIELD(n) if (name == #n) return (n = dynamic_cast<decltype(n)>(component)) != nullptr
bool TWindowStoreDlg::SetField(const std::string& name, TComponent* component)
{
    PELM_FIELD(imgBase);
    PELM_FIELD(imgCross);
    PELM_FIELD(Label2);
    PELM_FIELD(Label3);
    PELM_FIELD(ClassNameListBox);
    PELM_FIELD(Button1);
    PELM_FIELD(btnClear);
    PELM_FIELD(btnClearAll);
    PELM_FIELD(ApplicationEvents1);
    return false;
}
#undef PELM_FIELD

#define PELM_METHOD(n) if (name == #n) return [this](TComponent* s) { n(s); }
TNotifyEvent TWindowStoreDlg::MethodAddress(const std::string& name)
{
    PELM_METHOD(FormCreate);
    PELM_METHOD(FormShow);
    PELM_METHOD(imgCrossStartDrag);
    PELM_METHOD(btnClearClick);
    PELM_METHOD(btnClearAllClick);
    PELM_METHOD(ApplicationEvents1Deactivate);
    // The end-drag handler takes a point; the constructor binds it.
    if (name == "imgCrossEndDrag")
        return [](TComponent*) {};
    return nullptr;
}
#undef PELM_METHOD
