#pragma once
// The registration dialog: programs over whose windows the wheel controls the
// master volume are registered by dropping the cross-hair onto them.
#include "framework/Form.h"
#include "framework/StringList.h"
#include "framework/System.h"
#include "wheel/ProgramName.h"

class TWindowStoreDlg : public TForm {
public:
    // programs: the registered program list the dialog edits; windows may
    // be absent, and then no drop registers anything.
    TWindowStoreDlg(TFormBuilder& builder, ISystem& system, IWindowSystem* windows, TStringList& programs);
    ~TWindowStoreDlg() override;

    TImage* imgBase = nullptr;
    TImage* imgCross = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TListBox* ClassNameListBox = nullptr;
    TButton* Button1 = nullptr;
    TButton* btnClear = nullptr;
    TButton* btnClearAll = nullptr;
    TComponent* ApplicationEvents1 = nullptr;

    void FormCreate(TComponent* sender);
    void FormShow(TComponent* sender);
    void imgCrossStartDrag(TComponent* sender);
    void imgCrossEndDrag(TComponent* sender, TComponent* target, int x, int y);
    void ListUpdate();
    void btnClearClick(TComponent* sender);
    void btnClearAllClick(TComponent* sender);
    void ApplicationEvents1Deactivate(TComponent* sender);

    bool SetField(const std::string& name, TComponent* component) override;
    TNotifyEvent MethodAddress(const std::string& name) override;

private:
    ISystem& m_system;
    IWindowSystem* m_windows;
    TStringList& m_programs;
};

extern TWindowStoreDlg* WindowStoreDlg;
