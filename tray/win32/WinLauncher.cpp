#include "tray/win32/WinLauncher.h"

#include <windows.h>

#include <vector>

#include "framework/win32/WinBound.h"
#include "framework/win32/WinHandles.h"

bool TWinLauncher::FileExists(const std::string& path)
{
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TWinLauncher::PathVariable()
{
    DWORD n = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (n == 0)
        return std::string();
    std::vector<char> buf(n + 1);
    DWORD got = GetEnvironmentVariableA("PATH", buf.data(), n + 1);
    return got && got <= n ? std::string(buf.data(), got) : std::string();
}

namespace {
// A 32-bit program on 64-bit Windows sees a redirected system folder; the
// "Sysnative" alias reaches the native one (and so the 64-bit programs).
bool RunningUnderWow64()
{
    typedef BOOL(WINAPI * TIsWow64Process)(HANDLE, PBOOL);
    auto f = ProcFrom<TIsWow64Process>(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
    BOOL wow = FALSE;
    return f && f(GetCurrentProcess(), &wow) && wow;
}
} // namespace

std::string TWinLauncher::SystemDirectory()
{
    char buf[MAX_PATH + 1] = {};
    if (RunningUnderWow64()) {
        UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            return std::string(buf, n) + "\\Sysnative";
    }
    UINT n = GetSystemDirectoryA(buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

bool TWinLauncher::StartProcess(const std::string& path, const std::string& commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    // No handle of ours goes to the new process: it outlives us and has no use for them.
    if (!CreateProcessA(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // The program does not wait for it: both handles go back here.
    const TScopedHandle thread(pi.hThread);
    const TScopedHandle process(pi.hProcess);
    return true;
}

bool TWinLauncher::VistaOrLater()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6;
}
