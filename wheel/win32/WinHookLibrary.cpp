#include "wheel/win32/WinHookLibrary.h"

#include <windows.h>

#include <string>

namespace {
typedef void(__cdecl* TSetHWND)(HWND, HINSTANCE);
typedef void(__cdecl* TNoArgs)();

HMODULE Module(THandle library)
{
    return reinterpret_cast<HMODULE>(library);
}

void* Export(THandle library, const char* name)
{
    return library ? reinterpret_cast<void*>(GetProcAddress(Module(library), name)) : nullptr;
}
} // namespace

THandle TWinHookLibrary::Load()
{
    // From the executable's own folder only: a bare name would let a library
    // of the same name planted elsewhere on the search path be loaded.
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 0;
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
    // A missing library is not reported: the program runs without wheel control.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = LoadLibraryA((dir + "hookdll.dll").c_str());
    SetErrorMode(oldMode);
    return reinterpret_cast<THandle>(h);
}

void TWinHookLibrary::SetHWND(THandle library, THandle wnd, THandle libraryInstance)
{
    if (auto f = reinterpret_cast<TSetHWND>(Export(library, "SetHWND")))
        f(reinterpret_cast<HWND>(wnd), reinterpret_cast<HINSTANCE>(libraryInstance));
}

void TWinHookLibrary::HookStart(THandle library)
{
    if (auto f = reinterpret_cast<TNoArgs>(Export(library, "HookStart")))
        f();
}

void TWinHookLibrary::HookEnd(THandle library)
{
    if (auto f = reinterpret_cast<TNoArgs>(Export(library, "HookEnd")))
        f();
}

void TWinHookLibrary::Free(THandle library)
{
    if (library)
        FreeLibrary(Module(library));
}
