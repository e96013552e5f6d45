#include "wheel/win32/WinHookLibrary.h"

#include <windows.h>

#include <string>
#include <vector>

#include "wheel/PathText.h"
#include "wheel/ProgramName.h"

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

// The ANSI calls take at most MAX_PATH characters; a longer path goes through
// the wide call with the prefix that lifts the limit (NT family only; the 9x
// family has no longer paths).
HMODULE LoadLongPath(const std::string& path)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n) != n)
        return nullptr;
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\'; // the prefixed form takes no other separator
    static const wchar_t kPrefix[] = L"\\\\?\\";
    static const wchar_t kUncPrefix[] = L"\\\\?\\UNC";
    std::vector<wchar_t> full;
    if (wide[0] == L'\\' && wide[1] == L'\\') {
        // \\server\share becomes \\?\UNC\server\share; an already prefixed path stays.
        if (wide[2] == L'?')
            full = wide;
        else {
            full.assign(kUncPrefix, kUncPrefix + 7);
            full.insert(full.end(), wide.begin() + 1, wide.end());
        }
    } else {
        full.assign(kPrefix, kPrefix + 4);
        full.insert(full.end(), wide.begin(), wide.end());
    }
    return LoadLibraryW(full.data());
}
} // namespace

THandle TWinHookLibrary::Load()
{
    // From the executable's own folder only: a bare name would let a library
    // of the same name planted elsewhere on the search path be loaded. The
    // path may be longer than MAX_PATH, so the buffer grows until it fits.
    std::string exe;
    if (!ReadFullString([](char* buffer, uint32_t capacity) -> uint32_t {
            return GetModuleFileNameA(nullptr, buffer, capacity);
        }, exe))
        return 0;
    const std::string path = HookLibraryPath(exe);
    if (path.empty())
        return 0;
    // A missing library is not reported: the program runs without wheel control.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = path.size() < MAX_PATH ? LoadLibraryA(path.c_str()) : LoadLongPath(path);
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
