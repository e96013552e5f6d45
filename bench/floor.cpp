// The floor: the least resident program that does the program's jobs, with
// the calls each job cannot do without and nothing else, so that the
// benchmark can set every figure of the program beside what the job itself
// costs on the same machine.
//
// Start to the icon: the single-instance mutex, the settings read, the
// volume and the mute read from mixer device 0, a hidden main window with
// its label, the icon added and given its picture and tooltip; then the poll
// timer and the hook library. A poll tick: the volume and the mute read, and
// the tray touched only on a change. A wheel notification (WM_HOOKWHEEL):
// the taskbar's rectangle, the pointer, the window under it and its
// process's image name, the label; over the taskbar the mute read, the
// volume write and the tray modify (whose picture reads the mute again).
// Each notification is handled on its own, one by one: coalescing a burst
// is the program's, and the benchmark shows what it saves.
//
// Its own mutex, window class and folder (with its own copy of the hook
// library, whose shared section must not be the program's) let it run
// beside the program.
#include <windows.h>
#include <mmsystem.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/HookMessage.h"

namespace {

const char kClass[] = "PelmFloorMain";
const UINT kTrayNotify = WM_APP + 100;
const UINT kTrayId = 1006;
const UINT kPollTimer = 1;

HWND g_main;
HWND g_label;
HMIXER g_mixer;
DWORD g_volumeId;
DWORD g_muteId;
DWORD g_min;
DWORD g_max;
int g_volume;
bool g_muted;
bool g_ctrlKeyMute = true;
char g_tip[128] = "Pelmora 1.4";
HICON g_icons[11]; // the ten level pictures and the muted one, loaded when first shown
HMODULE g_hook;

// One control of the speakers line, as the program finds it on first use.
bool FindControl(DWORD type, DWORD& id, DWORD* min, DWORD* max)
{
    MIXERLINEA line = {};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(g_mixer), &line,
                          MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    MIXERCONTROLA control = {};
    MIXERLINECONTROLSA controls = {};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = type;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(g_mixer), &controls,
                              MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    id = control.dwControlID;
    if (min) *min = control.Bounds.dwMinimum;
    if (max) *max = control.Bounds.dwMaximum;
    return true;
}

bool Value(DWORD id, DWORD& value, bool write)
{
    MIXERCONTROLDETAILS details = {};
    details.cbStruct = sizeof details;
    details.dwControlID = id;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    HMIXEROBJ mixer = reinterpret_cast<HMIXEROBJ>(g_mixer);
    return (write ? mixerSetControlDetails(mixer, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE)
                  : mixerGetControlDetailsA(mixer, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE)) ==
           MMSYSERR_NOERROR;
}

bool ReadVolume(int& percent)
{
    DWORD raw = 0;
    if (!g_volumeId || !Value(g_volumeId, raw, false)) return false;
    const DWORD range = g_max - g_min;
    percent = range ? static_cast<int>(((raw - g_min) * 100 + range / 2) / range) : 0;
    return true;
}

bool ReadMute(bool& muted)
{
    DWORD raw = 0;
    if (!g_muteId || !Value(g_muteId, raw, false)) return false;
    muted = raw != 0;
    return true;
}

void WriteVolume(int percent)
{
    DWORD raw = g_min + (g_max - g_min) * static_cast<DWORD>(percent) / 100;
    if (g_volumeId) Value(g_volumeId, raw, true);
}

HICON Picture()
{
    bool muted = false;
    int index = 0; // a level outside 0..100 shows the lowest band
    if (ReadMute(muted) && muted) index = 10;
    else if (g_volume >= 90 && g_volume <= 100) index = 9;
    else if (g_volume >= 0 && g_volume < 90) index = g_volume / 10;
    if (!g_icons[index])
        g_icons[index] = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(index + 1), IMAGE_ICON, 32, 32, 0));
    return g_icons[index];
}

void Tray(DWORD operation)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = g_main;
    nid.uID = kTrayId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kTrayNotify;
    if (operation == NIM_MODIFY) {
        nid.hIcon = Picture();
        lstrcpynA(nid.szTip, g_tip, sizeof nid.szTip);
    }
    Shell_NotifyIconA(operation, &nid);
}

void SetTip()
{
    std::snprintf(g_tip, sizeof g_tip, "Pelmora 1.4 - %d%%", g_volume);
}

// The image path of the process that owns a window: the module list, or
// where that cannot be read (a 64-bit process), the kernel's record.
bool ImageName(HWND window, char* path, DWORD size)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    bool found = false;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid)) {
        HMODULE module = nullptr;
        DWORD needed = 0;
        found = EnumProcessModules(process, &module, sizeof module, &needed) &&
                GetModuleFileNameExA(process, module, path, size) != 0;
        CloseHandle(process);
    }
    if (!found) {
        if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
            found = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE;
            CloseHandle(process);
        }
    }
    return found;
}

void Wheel(WPARAM wParam)
{
    APPBARDATA bar = {};
    bar.cbSize = sizeof bar;
    SHAppBarMessage(ABM_GETTASKBARPOS, &bar);
    POINT pt = {0, 0};
    GetCursorPos(&pt);
    // The program under the pointer, by name. No program is registered with
    // the floor: the name's derivation is the cost, its lookup in an empty
    // list none.
    if (HWND window = WindowFromPoint(pt)) {
        for (HWND parent; (parent = GetParent(window)) != nullptr;) window = parent;
        char path[MAX_PATH];
        if (ImageName(window, path, MAX_PATH)) {
            char* name = std::strrchr(path, '\\');
            name = name ? name + 1 : path;
            CharLowerBuffA(name, lstrlenA(name));
        }
    }
    const short delta = static_cast<short>(HIWORD(wParam));
    char text[16];
    std::snprintf(text, sizeof text, "%d", delta);
    SetWindowTextA(g_label, text);

    const RECT& r = bar.rc;
    if (pt.x < r.left || pt.x > r.right || pt.y < r.top || pt.y > r.bottom) return;
    // Whole notches only: the benchmark sends whole ones, and marks that
    // are short of one.
    int notches = delta / 120;
    if (notches == 0) return;
    bool muted = false;
    ReadMute(muted);
    const bool modifier = (GetAsyncKeyState(VK_CONTROL) & 0x8000) || (GetAsyncKeyState(VK_MBUTTON) & 0x8000);
    // The mute gesture (modifier held) is not timed: it changes the mute
    // where a step writes the level, at the same cost.
    if (!muted && !(modifier && g_ctrlKeyMute)) {
        for (; notches != 0; notches += notches > 0 ? -1 : 1) {
            const int step = g_volume <= 20 ? 1 : g_volume <= 30 ? 2 : 5;
            g_volume += notches > 0 ? step : -step;
        }
        g_volume = g_volume > 100 ? 100 : g_volume < 0 ? 0 : g_volume;
    }
    WriteVolume(g_volume);
    SetTip();
    Tray(NIM_MODIFY);
}

void Poll()
{
    bool changed = false;
    int volume = g_volume;
    if (ReadVolume(volume) && volume != g_volume) {
        g_volume = volume;
        changed = true;
    }
    bool muted = g_muted;
    if (ReadMute(muted) && muted != g_muted) {
        g_muted = muted;
        changed = true;
    }
    if (!changed) return;
    SetTip();
    Tray(NIM_MODIFY);
}

// The hook library's exports are C functions, looked up when called.
void* Export(const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(g_hook, name));
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HOOKWHEEL:
        Wheel(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kPollTimer) Poll();
        return 0;
    case WM_DESTROY:
        Tray(NIM_DELETE);
        if (g_hook) {
            if (void* end = Export("HookEnd")) reinterpret_cast<void (*)()>(end)();
            FreeLibrary(g_hook);
        }
        mixerClose(g_mixer);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "PELM_FLOOR_MUTEX")) {
        FindWindowA(kClass, nullptr);
        CloseHandle(running);
        return 0;
    }
    if (!CreateMutexA(nullptr, FALSE, "PELM_FLOOR_MUTEX") || GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    // The settings file beside the executable: its three keys.
    char ini[MAX_PATH + 4];
    DWORD length = GetModuleFileNameA(nullptr, ini, MAX_PATH);
    char* dot = std::strrchr(ini, '.');
    std::strcpy(dot && dot > std::strrchr(ini, '\\') ? dot : ini + length, ".ini");
    char value[2048];
    GetPrivateProfileStringA("Pelmora", "StoredProgram", "-", value, sizeof value, ini);
    GetPrivateProfileStringA("Pelmora", "m_bMuteOnWinReboot", "", value, sizeof value, ini);
    GetPrivateProfileStringA("Pelmora", "m_bCtrlKeyMute", "", value, sizeof value, ini);
    if (value[0]) g_ctrlKeyMute = std::strtol(value, nullptr, 0) != 0;

    // Mixer device 0: the volume, then the mute.
    if (mixerGetNumDevs() >= 1) {
        MIXERCAPSA caps;
        mixerGetDevCapsA(0, &caps, sizeof caps);
        if (mixerOpen(&g_mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR) {
            if (!FindControl(MIXERCONTROL_CONTROLTYPE_VOLUME, g_volumeId, &g_min, &g_max)) g_volumeId = 0;
            if (!FindControl(MIXERCONTROL_CONTROLTYPE_MUTE, g_muteId, nullptr, nullptr)) g_muteId = 0;
        }
    }
    ReadVolume(g_volume);
    ReadMute(g_muted);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    g_main = CreateWindowExA(0, kClass, "Pelmora floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 333, 197,
                             nullptr, nullptr, instance, nullptr);
    g_label = CreateWindowExA(0, "STATIC", "Label1", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 73, 17, g_main, nullptr,
                              instance, nullptr);
    if (!g_main || !g_label) return 1;
    Tray(NIM_ADD);
    Tray(NIM_MODIFY);
    SetTimer(g_main, kPollTimer, 300, nullptr);

    g_hook = LoadLibraryA("hookdll.dll");
    if (g_hook) {
        if (void* set = Export("SetHWND")) reinterpret_cast<void (*)(HWND, HINSTANCE)>(set)(g_main, g_hook);
        if (void* start = Export("HookStart")) reinterpret_cast<void (*)()>(start)();
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
