#include "wheel/win32/WinHookLibrary.h"

#include <windows.h>

#include <string>

#include "framework/FullString.h"
#include "framework/win32/WinBound.h"
#include "framework/win32/WinTextServices.h"
#include "framework/PathText.h"

namespace {
typedef void(__cdecl* TSetHWND)(HWND, HINSTANCE);
typedef void(__cdecl* TNoArgs)();

HMODULE Module(THandle library)
{
    return reinterpret_cast<HMODULE>(library);
}

HMODULE LoadFromOwnFolder()
{
    // The path may be longer than MAX_PATH, so the buffer grows until it fits.
    if (!WideCallsExist()) {
        std::string exe;
        if (!ReadFullString([](char* buffer, uint32_t capacity) -> uint32_t {
                return GetModuleFileNameA(nullptr, buffer, capacity);
            }, exe))
            return nullptr;
        const std::string path = HookLibraryPath(exe);
        return path.empty() ? nullptr : LoadLibraryA(path.c_str()); // no longer paths on the 9x family
    }
    // Wide: the ANSI path names a folder that does not exist where a
    // character of its name is not in the ANSI code page.
    std::wstring exe;
    if (!ReadFullString([](wchar_t* buffer, uint32_t capacity) -> uint32_t {
            return Bound().GetModuleFileNameW(nullptr, buffer, capacity);
        }, exe))
        return nullptr;
    const std::wstring path = HookLibraryPath(exe);
    return path.empty() ? nullptr : Bound().LoadLibraryW(LongPathForm(path).c_str());
}
} // namespace

THandle TWinHookLibrary::Load()
{
    // From the executable's own folder only: a bare name would let a library
    // of the same name planted elsewhere on the search path be loaded. A
    // missing library is not reported: the program runs without wheel control.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = LoadFromOwnFolder();
    SetErrorMode(oldMode);
    return reinterpret_cast<THandle>(h);
}

void TWinHookLibrary::SetHWND(THandle library, THandle wnd, THandle libraryInstance)
{
    if (auto f = ProcFrom<TSetHWND>(Module(library), "SetHWND"))
        f(reinterpret_cast<HWND>(wnd), reinterpret_cast<HINSTANCE>(libraryInstance));
}

void TWinHookLibrary::HookStart(THandle library)
{
    if (auto f = ProcFrom<TNoArgs>(Module(library), "HookStart"))
        f();
}

void TWinHookLibrary::HookEnd(THandle library)
{
    if (auto f = ProcFrom<TNoArgs>(Module(library), "HookEnd"))
        f();
}

void TWinHookLibrary::Free(THandle library)
{
    if (library)
        FreeLibrary(Module(library));
}
