// The builder that makes forms and their components from descriptions, and
// the plumbing the component families share.
#include "framework/win32/WinForm.h"

#include <set>

#include "framework/Error.h"
#include "framework/win32/WinComponents.h"

TWinApplication& WinApplication()
{
    return *static_cast<TWinApplication*>(Application);
}

HWND CreateHiddenWindow(const char* className, WNDPROC proc, DWORD exStyle)
{
    static std::set<std::string> registered;
    if (!registered.count(className)) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = g_hInstance;
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        registered.insert(className);
    }
    return CreateWindowExA(exStyle, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_hInstance, nullptr);
}

std::string TWinBuilder::LoadDescription(const std::string& resourceName)
{
    HRSRC res = FindResourceA(g_hInstance, resourceName.c_str(), reinterpret_cast<LPCSTR>(RT_RCDATA));
    HGLOBAL data = res ? LoadResource(g_hInstance, res) : nullptr;
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes)
        throw EPelmError("missing form description " + resourceName);
    return std::string(bytes, SizeofResource(g_hInstance, res));
}

std::unique_ptr<IFormPeer> TWinBuilder::CreatePeer(TForm& form, const TObjectDesc& desc)
{
    return std::make_unique<TWinFormPeer>(form, desc);
}

std::unique_ptr<TComponent> TWinBuilder::CreateComponent(TForm& form, const TObjectDesc& desc)
{
    if (auto control = CreateWinControl(desc))
        return control;
    const std::string& k = desc.ClassName;
    if (k == "TImage")
        return CreateWinImage(desc);
    if (k == "TTimer")
        return CreateWinTimer();
    if (k == "TPopupMenu")
        return CreateWinPopupMenu();
    return TFormBuilder::CreateComponent(form, desc);
}

void TWinBuilder::ComponentsCreated(TForm& form)
{
    static_cast<TWinFormPeer&>(form.Peer()).CreateControls();
}
