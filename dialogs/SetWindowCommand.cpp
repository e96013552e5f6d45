// The popup-menu command that opens the registration dialog.
#include "app/PelmFormMain.h"
#include "dialogs/WindowStoreDlg.h"

void TPelmFormMain::mnSetWindowClick(TComponent*)
{
    // Gone while the program ends: the menu can still be opened from an
    // error box shown then.
    if (!WindowStoreDlg)
        return;
    WindowStoreDlg->ShowModal();
    SaveSettings();
}
