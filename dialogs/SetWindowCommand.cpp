// The popup-menu command that opens the registration dialog.
#include "app/PelmFormMain.h"
#include "dialogs/WindowStoreDlg.h"

void TPelmFormMain::mnSetWindowClick(TComponent*)
{
    WindowStoreDlg->ShowModal();
    SaveSettings();
}
