#include "framework/win32/WinBound.h"

#include <string>

HMODULE LoadSystemLibrary(const char* name)
{
    char dir[MAX_PATH];
    const UINT length = GetSystemDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::string path(dir, length);
    // By characters: in a double-byte code page a trail byte can be 0x5C.
    const char* last = CharPrevA(dir, dir + length);
    if (last != dir + length - 1 || *last != '\\')
        path += '\\';
    path += name;
    // A missing library is the caller's to handle, without a box from the system.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    SetErrorMode(oldMode);
    return module;
}

namespace {

enum class TLibrary { Kernel32, User32, Gdi32, Shell32, ComCtl32, WinMM };

HMODULE Library(TLibrary library)
{
    // The first four are imported, so already loaded; the other two are not
    // KnownDLLs and come from the system folder by path.
    switch (library) {
    case TLibrary::Kernel32: return GetModuleHandleA("kernel32.dll");
    case TLibrary::User32: return GetModuleHandleA("user32.dll");
    case TLibrary::Gdi32: return GetModuleHandleA("gdi32.dll");
    case TLibrary::Shell32: return GetModuleHandleA("shell32.dll");
    case TLibrary::ComCtl32: return LoadSystemLibrary("comctl32.dll");
    case TLibrary::WinMM: return LoadSystemLibrary("winmm.dll");
    }
    return nullptr;
}

// Not the program's folder, where a download may have put a library of a
// system library's name, nor the current one.
void KeepLibrariesToTheSystemFolder()
{
    const DWORD kLoadLibrarySearchSystem32 = 0x800;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (auto setDefault = ProcFrom<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories"))
        setDefault(kLoadLibrarySearchSystem32);
    if (auto setDirectory = ProcFrom<BOOL(WINAPI*)(LPCWSTR)>(kernel, "SetDllDirectoryW"))
        setDirectory(L"");
}

TWinBound Bind()
{
    TWinBound bound;
    const bool nt = (GetVersion() & 0x80000000u) == 0;
    if (nt)
        KeepLibrariesToTheSystemFolder();
    HMODULE modules[6] = {};
    bool loaded[6] = {};
    auto module = [&](TLibrary library) {
        const auto i = static_cast<size_t>(library);
        if (!loaded[i]) {
            loaded[i] = true;
            modules[i] = Library(library);
        }
        return modules[i];
    };
    bool wide = nt;
#define PELM_BIND(library, kind, name, type)                                        \
    if (nt || TBoundKind::kind == TBoundKind::Any)                                  \
        bound.name = ProcFrom<type>(module(TLibrary::library), #name);              \
    if (TBoundKind::kind == TBoundKind::Wide && !bound.name)                        \
        wide = false;
    PELM_BOUND_CALLS(PELM_BIND)
#undef PELM_BIND
    bound.Wide = wide;
    return bound;
}

} // namespace

const TWinBound& Bound()
{
    static const TWinBound bound = Bind();
    return bound;
}
