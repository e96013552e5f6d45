// The popup menu component.
#include <map>

#include "framework/win32/WinComponents.h"

namespace {

class TWinPopupMenu : public TPopupMenu {
public:
    void Popup(int x, int y) override
    {
        TPopupMenu::Popup(x, y);
        HMENU menu = CreatePopupMenu();
        if (!menu)
            return;
        std::map<UINT, TMenuItem*> byId;
        UINT id = 1;
        for (TMenuItem* item : Items) {
            if (!item->Visible)
                continue; // a hidden item is not in the menu at all
            if (item->Caption == "-") {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            AppendMenuText(menu, id, TScreenText(item->Caption));
            if (item->Default)
                SetMenuDefaultItem(menu, id, FALSE);
            byId[id++] = item;
        }
        HWND owner = Owner ? reinterpret_cast<HWND>(Owner->Handle()) : nullptr;
        HWND outer = g_hMenuOwner;
        g_hMenuOwner = owner;
        UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                       x, y, 0, owner, nullptr));
        g_hMenuOwner = outer;
        // A menu opened for a tray icon: without a message after it, the
        // next one can close at once (the owner never lost the foreground).
        if (owner)
            PostMessageA(owner, WM_NULL, 0, 0);
        DestroyMenu(menu);
        auto it = byId.find(chosen);
        if (it != byId.end() && it->second->OnClick) {
            TMenuItem* item = it->second;
            Application->Guard([item] { item->OnClick(item); });
        }
    }
};

} // namespace

std::unique_ptr<TComponent> CreateWinPopupMenu()
{
    return std::make_unique<TWinPopupMenu>();
}
