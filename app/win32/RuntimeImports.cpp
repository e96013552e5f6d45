// The statically linked run time imports three wide calls of its own: its
// thread support makes unnamed semaphores with CreateSemaphoreW, and its
// rand_s looks up advapi32 with GetModuleHandleW and LoadLibraryW. An import
// the 9x family does not export stops the program from starting there, so
// this file defines the import slots those references resolve to (the
// import library's entries are then never linked): the ANSI call where the
// name allows it, otherwise the wide one bound at run time.
//
// Linked into the executable as an object of its own, not from a library:
// the run time's references come after the libraries have been searched.
#include <windows.h>

#include "framework/win32/WinBound.h"

namespace {

HMODULE Kernel()
{
    return GetModuleHandleA("kernel32.dll");
}

// A name the ANSI call can carry unchanged: plain ASCII.
bool AsciiName(LPCWSTR name, char (&ansi)[MAX_PATH])
{
    size_t i = 0;
    for (; name[i]; ++i) {
        if (name[i] > 0x7F || i + 1 >= MAX_PATH)
            return false;
        ansi[i] = static_cast<char>(name[i]);
    }
    ansi[i] = '\0';
    return true;
}

template <typename F> F WideCall(const char* name)
{
    F f = ProcFrom<F>(Kernel(), name);
    if (!f)
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return f;
}

HANDLE WINAPI CreateSemaphoreShim(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    char ansi[MAX_PATH];
    if (!name || AsciiName(name, ansi))
        return CreateSemaphoreA(attributes, initial, maximum, name ? ansi : nullptr);
    auto f = WideCall<decltype(&::CreateSemaphoreW)>("CreateSemaphoreW");
    return f ? f(attributes, initial, maximum, name) : nullptr;
}

HMODULE WINAPI GetModuleHandleShim(LPCWSTR name)
{
    char ansi[MAX_PATH];
    if (!name || AsciiName(name, ansi))
        return GetModuleHandleA(name ? ansi : nullptr);
    auto f = WideCall<decltype(&::GetModuleHandleW)>("GetModuleHandleW");
    return f ? f(name) : nullptr;
}

HMODULE WINAPI LoadLibraryShim(LPCWSTR name)
{
    char ansi[MAX_PATH];
    if (name && AsciiName(name, ansi))
        return LoadLibraryA(ansi);
    auto f = WideCall<decltype(&::LoadLibraryW)>("LoadLibraryW");
    return f ? f(name) : nullptr;
}

} // namespace

// The slots the compiler's dllimport references name (i386: __imp__ and the
// stdcall decoration), constant-initialised, so that they hold before any
// code of the run time runs.
extern "C" {
extern decltype(&::CreateSemaphoreW) const CreateSemaphoreSlot __asm__("__imp__CreateSemaphoreW@16");
extern decltype(&::GetModuleHandleW) const GetModuleHandleSlot __asm__("__imp__GetModuleHandleW@4");
extern decltype(&::LoadLibraryW) const LoadLibrarySlot __asm__("__imp__LoadLibraryW@4");
decltype(&::CreateSemaphoreW) const CreateSemaphoreSlot = &CreateSemaphoreShim;
decltype(&::GetModuleHandleW) const GetModuleHandleSlot = &GetModuleHandleShim;
decltype(&::LoadLibraryW) const LoadLibrarySlot = &LoadLibraryShim;
}
