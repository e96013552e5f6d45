#include "wheel/win32/WinProcessImage.h"

#include <windows.h>
#include <tlhelp32.h>

#include "framework/FullString.h"
#include "framework/win32/WinBound.h"
#include "framework/PathText.h"
#include "framework/win32/WinHandles.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA as the 9x family knows it");
static_assert(sizeof(PROCESSENTRY32) == 296, "the ANSI PROCESSENTRY32");

namespace {

typedef BOOL(WINAPI* TEnumProcessModules)(HANDLE, HMODULE*, DWORD, LPDWORD);
typedef DWORD(WINAPI* TGetModuleFileNameExA)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* TQueryFullProcessImageNameA)(HANDLE, DWORD, LPSTR, PDWORD);
typedef HANDLE(WINAPI* TCreateToolhelp32Snapshot)(DWORD, DWORD);
typedef BOOL(WINAPI* TProcess32)(HANDLE, PROCESSENTRY32*);

struct TPsapi {
    TEnumProcessModules EnumProcessModules = nullptr;
    TGetModuleFileNameExA GetModuleFileNameExA = nullptr;
};

bool ImageNameByPsapi(const TPsapi& psapi, DWORD pid, std::string& path)
{
    const TScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process)
        return false;
    HMODULE module = nullptr; // the first module is the program's image
    DWORD needed = 0;
    if (!psapi.EnumProcessModules(process.Get(), &module, sizeof(HMODULE), &needed))
        return false;
    return ReadFullString(
        [&](char* buffer, uint32_t capacity) -> uint32_t {
            return psapi.GetModuleFileNameExA(process.Get(), module, buffer, capacity);
        },
        path);
}

// Bound once for the life of the process: the wheel handler asks on every
// notification, and a load and release of the library each time costs more
// than the question itself. The library stays loaded, as any system library
// the program uses does.
const TPsapi& Psapi()
{
    static TPsapi psapi;
    static bool bound = false;
    if (!bound) {
        bound = true;
        // From the system folder by its full path, so that a copy planted
        // beside the program or in the current folder is never the one loaded.
        HMODULE library = LoadSystemLibrary("PSAPI.DLL");
        psapi.EnumProcessModules = ProcFrom<TEnumProcessModules>(library, "EnumProcessModules");
        psapi.GetModuleFileNameExA = ProcFrom<TGetModuleFileNameExA>(library, "GetModuleFileNameExA");
    }
    return psapi;
}

bool ImageNameNT(DWORD pid, std::string& path)
{
    const TPsapi& psapi = Psapi();
    return psapi.EnumProcessModules && psapi.GetModuleFileNameExA && ImageNameByPsapi(psapi, pid, path);
}

// Vista and later. Module lists cannot be read across the 32/64-bit line
// (a 32-bit program reading a 64-bit process gets ERROR_PARTIAL_COPY), nor
// from processes opened with limited rights; the kernel's own record of the
// image path can.
bool ImageNameByQuery(DWORD pid, std::string& path)
{
    auto query = ProcFrom<TQueryFullProcessImageNameA>(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    if (!query)
        return false;
    const DWORD kProcessQueryLimitedInformation = 0x1000;
    const TScopedHandle process(OpenProcess(kProcessQueryLimitedInformation, FALSE, pid));
    if (!process)
        return false;
    return ReadFullString(
        [&](char* buffer, uint32_t capacity) -> uint32_t {
            DWORD size = capacity;
            if (query(process.Get(), 0, buffer, &size))
                return size;
            // Too small: report a full buffer, so that a larger one is
            // tried; at the largest size there is no whole path to give.
            return GetLastError() == ERROR_INSUFFICIENT_BUFFER && capacity < 32768 ? capacity : 0;
        },
        path);
}

bool ImageName9x(DWORD pid, std::string& path)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return false;
    auto createSnapshot = ProcFrom<TCreateToolhelp32Snapshot>(kernel, "CreateToolhelp32Snapshot");
    auto first = ProcFrom<TProcess32>(kernel, "Process32First");
    auto next = ProcFrom<TProcess32>(kernel, "Process32Next");
    if (!createSnapshot || !first || !next)
        return false;
    const TScopedHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = first(snapshot.Get(), &entry); more; more = next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == pid) {
            // The 9x family gives the full path here, in at most MAX_PATH.
            entry.szExeFile[MAX_PATH - 1] = '\0';
            path = entry.szExeFile;
            return true;
        }
    }
    return false;
}

} // namespace

TWnd TWinWindowSystem::WindowFromPoint(TPoint pt)
{
    POINT p = {pt.x, pt.y};
    return reinterpret_cast<TWnd>(::WindowFromPoint(p));
}

std::string TWinWindowSystem::WindowClassName(TWnd w)
{
    char name[257] = {}; // class names have at most 256 characters
    const int n = GetClassNameA(reinterpret_cast<HWND>(w), name, sizeof name);
    return n > 0 ? std::string(name, static_cast<size_t>(n)) : std::string();
}

TWnd TWinWindowSystem::GetParent(TWnd w)
{
    return reinterpret_cast<TWnd>(::GetParent(reinterpret_cast<HWND>(w)));
}

bool TWinWindowSystem::GetProcessImageName(TWnd w, std::string& path)
{
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(reinterpret_cast<HWND>(w), &pid) || pid == 0)
        return false;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return false;
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_NT:
        return ImageNameNT(pid, path) || ImageNameByQuery(pid, path);
    case VER_PLATFORM_WIN32_WINDOWS:
        return ImageName9x(pid, path);
    default:
        return false;
    }
}
