#include "dialogs/WindowStoreDlg.h"


TWindowStoreDlg* WindowStoreDlg = nullptr;

TWindowStoreDlg::TWindowStoreDlg(TFormBuilder& builder, ISystem& system, IWindowSystem* windows,
                                 TStringList& programs)
    : TForm("TWindowStoreDlg"), m_system(system), m_windows(windows), m_programs(programs)
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
    m_system.SetNoDropCursor("NEWCURSOR");
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
    if (!m_windows || !GetProgramNameAtPoint(*m_windows, TPoint{x, y}, name))
        return;
    int found = m_programs.IndexOf(name);
    if (found < 0) {
        m_programs.Add(name);
        ListUpdate();
    } else {
        ClassNameListBox->SetItemIndex(found);
    }
}

void TWindowStoreDlg::ListUpdate()
{
    ClassNameListBox->Clear();
    TStringList lines;
    lines.SetText(m_programs.Text());
    for (const std::string& item : lines.Items())
        ClassNameListBox->AddItem(item);
    ClassNameListBox->SetItemIndex(-1);
}

void TWindowStoreDlg::btnClearClick(TComponent*)
{
    int index = ClassNameListBox->ItemIndex();
    if (index < 0 || index >= ClassNameListBox->Count())
        return;
    int found = m_programs.IndexOf(ClassNameListBox->Item(index));
    if (found < 0)
        return;
    m_programs.Delete(found);
    ListUpdate();
}

void TWindowStoreDlg::btnClearAllClick(TComponent*)
{
    m_programs.Clear();
    ListUpdate();
}

void TWindowStoreDlg::ApplicationEvents1Deactivate(TComponent*)
{
    if (Visible())
        m_system.KeepTopMost(Handle());
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
