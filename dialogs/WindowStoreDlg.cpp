#include "dialogs/WindowStoreDlg.h"

#include "app/PelmFormMain.h"

TWindowStoreDlg* WindowStoreDlg = nullptr;

TWindowStoreDlg::TWindowStoreDlg(TFormBuilder& builder) : TForm("TWindowStoreDlg")
{
    builder.Build(*this, "WINDOWSTOREDLG");
    if (imgCross)
        imgCross->OnEndDrag = [this](TComponent* s, TComponent* t, int x, int y) { imgCrossEndDrag(s, t, x, y); };
}

void TWindowStoreDlg::FormCreate(TComponent*) {}

void TWindowStoreDlg::FormShow(TComponent*)
{
    imgCross->SetVisible(true);
    ListUpdate();
}

void TWindowStoreDlg::imgCrossStartDrag(TComponent*)
{
    imgCross->SetVisible(false);
}

void TWindowStoreDlg::imgCrossEndDrag(TComponent*, TComponent*, int, int)
{
    imgCross->SetVisible(true);
}

void TWindowStoreDlg::ListUpdate()
{
    ClassNameListBox->Clear();
    if (g_StoredProgramList)
        for (const std::string& item : g_StoredProgramList->Items())
            ClassNameListBox->AddItem(item);
}

void TWindowStoreDlg::btnClearClick(TComponent*) {}

void TWindowStoreDlg::btnClearAllClick(TComponent*)
{
    g_StoredProgramList->Clear();
    ListUpdate();
}

void TWindowStoreDlg::ApplicationEvents1Deactivate(TComponent*) {}

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
    // The end-drag handler takes a point; it is bound after building.
    if (name == "imgCrossEndDrag")
        return [](TComponent*) {};
    return nullptr;
}
#undef PELM_METHOD
