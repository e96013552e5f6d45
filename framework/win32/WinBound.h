#pragma once
// The calls the program binds at run time instead of importing them. The 9x
// loader refuses to start a program that imports a name its system libraries
// do not export, and most wide calls and every call of a later system are
// such names; so the executable imports ANSI calls only (and the few wide
// ones the 9x family implements), and everything else is bound here, once.
// The libraries that are not KnownDLLs (winmm, comctl32) are loaded here too,
// by their full path in the system folder: a copy of the same name beside the
// program is never the one taken.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shlwapi.h>

// The one cast from an export's address to its type. Null for a null module.
template <typename F> F ProcFrom(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A system library by its full path in the system folder; null where it is
// missing or the folder's path is too long.
HMODULE LoadSystemLibrary(const char* name);

// Wide: bound on the NT family only, all or none (WideCallsExist).
// Later: bound on the NT family only, each may be missing.
// Any: bound on every system, each may be missing.
enum class TBoundKind { Wide, Later, Any };

// Calls of later systems than this program's WINVER declares.
typedef UINT(WINAPI* TGetDpiForWindow)(HWND);
typedef BOOL(WINAPI* TAdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);
typedef int(WINAPI* TGetSystemMetricsForDpi)(int, UINT);
typedef BOOL(WINAPI* TChangeWindowMessageFilterEx)(HWND, UINT, DWORD, void*);
typedef BOOL(WINAPI* TChangeWindowMessageFilter)(UINT, DWORD);

// One line an entry: library, kind, name, type. A call the headers do not
// declare for this program's WINVER gets a type named above.
#define PELM_BOUND_CALLS(X)                                                                            \
    X(Kernel32, Wide, GetModuleFileNameW, decltype(&::GetModuleFileNameW))                             \
    X(Kernel32, Wide, GetPrivateProfileStringW, decltype(&::GetPrivateProfileStringW))                 \
    X(Kernel32, Wide, WritePrivateProfileStringW, decltype(&::WritePrivateProfileStringW))             \
    X(Kernel32, Wide, LoadLibraryW, decltype(&::LoadLibraryW))                                         \
    X(Kernel32, Wide, CreateFileW, decltype(&::CreateFileW))                                           \
    X(Kernel32, Wide, GetFileAttributesW, decltype(&::GetFileAttributesW))                             \
    X(Kernel32, Wide, SetFileAttributesW, decltype(&::SetFileAttributesW))                             \
    X(Kernel32, Wide, DeleteFileW, decltype(&::DeleteFileW))                                           \
    X(Kernel32, Wide, MoveFileExW, decltype(&::MoveFileExW))                                           \
    X(User32, Wide, RegisterClassW, decltype(&::RegisterClassW))                                       \
    X(User32, Wide, CreateWindowExW, decltype(&::CreateWindowExW))                                     \
    X(User32, Wide, DefWindowProcW, decltype(&::DefWindowProcW))                                       \
    X(User32, Wide, CallWindowProcW, decltype(&::CallWindowProcW))                                     \
    X(User32, Wide, SetWindowLongW, decltype(&::SetWindowLongW))                                       \
    X(User32, Wide, SendMessageW, decltype(&::SendMessageW))                                           \
    X(User32, Wide, AppendMenuW, decltype(&::AppendMenuW))                                             \
    X(User32, Wide, DrawTextW, decltype(&::DrawTextW))                                                 \
    X(Gdi32, Wide, CreateFontIndirectW, decltype(&::CreateFontIndirectW))                              \
    X(User32, Later, GetDpiForWindow, TGetDpiForWindow)                                                \
    X(User32, Later, AdjustWindowRectExForDpi, TAdjustWindowRectExForDpi)                              \
    X(User32, Later, GetSystemMetricsForDpi, TGetSystemMetricsForDpi)                                  \
    X(User32, Later, ChangeWindowMessageFilterEx, TChangeWindowMessageFilterEx)                        \
    X(User32, Later, ChangeWindowMessageFilter, TChangeWindowMessageFilter)                            \
    X(Shell32, Any, DllGetVersion, DLLGETVERSIONPROC)                                                  \
    X(ComCtl32, Any, InitCommonControlsEx, decltype(&::InitCommonControlsEx))                          \
    X(WinMM, Any, mixerGetNumDevs, decltype(&::mixerGetNumDevs))                                       \
    X(WinMM, Any, mixerGetDevCapsA, decltype(&::mixerGetDevCapsA))                                     \
    X(WinMM, Any, mixerOpen, decltype(&::mixerOpen))                                                   \
    X(WinMM, Any, mixerClose, decltype(&::mixerClose))                                                 \
    X(WinMM, Any, mixerGetLineInfoA, decltype(&::mixerGetLineInfoA))                                   \
    X(WinMM, Any, mixerGetLineControlsA, decltype(&::mixerGetLineControlsA))                           \
    X(WinMM, Any, mixerGetControlDetailsA, decltype(&::mixerGetControlDetailsA))                       \
    X(WinMM, Any, mixerSetControlDetails, decltype(&::mixerSetControlDetails))

struct TWinBound {
#define PELM_BOUND_FIELD(library, kind, name, type) type name = nullptr;
    PELM_BOUND_CALLS(PELM_BOUND_FIELD)
#undef PELM_BOUND_FIELD
    // Every Wide entry is bound.
    bool Wide = false;
};

// Bound on first use, which WinMain makes its first step. Before anything is
// loaded, libraries loaded by name (by the system's own libraries as well)
// are kept to the system folder where the system can (SetDefaultDllDirectories,
// and SetDllDirectoryW(L"") against the current folder).
const TWinBound& Bound();
