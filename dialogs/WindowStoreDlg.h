#pragma once
// The registration dialog: programs over whose windows the wheel controls the
// master volume are registered by dropping the cross-hair onto them.
#include "framework/Form.h"

struct TPelmPlatform;

class TWindowStoreDlg : public TForm {
public:
    TWindowStoreDlg(TFormBuilder& builder, TPelmPlatform& platform);
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
    TPelmPlatform& m_platform;
};

extern TWindowStoreDlg* WindowStoreDlg;
