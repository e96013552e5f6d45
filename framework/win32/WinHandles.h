#pragma once
// Owners of what the program and the hook library close by hand otherwise:
// kernel handles (events, threads, processes, mutexes, files, snapshots),
// library references, COM interfaces. Each gives back what it holds when it
// goes out of scope, so that no early return leaks it; Detach hands it on.
#include <windows.h>

#include "framework/Scoped.h"

// Files and snapshots report failure as INVALID_HANDLE_VALUE, the other
// kernel objects as null; neither is closed.
struct TKernelHandleTraits {
    typedef HANDLE TValue;
    static HANDLE Empty() { return nullptr; }
    static bool Holds(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
typedef TScoped<TKernelHandleTraits> TScopedHandle;

// One reference on a library, as LoadLibrary or GetModuleHandleEx took it.
struct TLibraryTraits {
    typedef HMODULE TValue;
    static HMODULE Empty() { return nullptr; }
    static bool Holds(HMODULE library) { return library != nullptr; }
    static void Close(HMODULE library) { FreeLibrary(library); }
};
typedef TScoped<TLibraryTraits> TScopedLibrary;

// One reference on a COM interface.
template <typename T> struct TComTraits {
    typedef T* TValue;
    static T* Empty() { return nullptr; }
    static bool Holds(T* object) { return object != nullptr; }
    static void Close(T* object) { object->Release(); }
};
template <typename T> using TComPtr = TScoped<TComTraits<T>>;
