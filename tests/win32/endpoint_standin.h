#pragma once
// The state the stand-in playback endpoint (mmdevapi_standin.cpp) shares with
// its control program (endpoint_ctl.cpp): a file beside the module that maps
// it, so that it outlives each control run and the scenario can set it up
// before the program starts.
#include <windows.h>

#include <cstdint>

enum TStandinCall {
    kCallCreate,       // enumerators handed out
    kCallGetDefault,   // GetDefaultAudioEndpoint for playback
    kCallActivate,     // IMMDevice::Activate
    kCallGetLevel,     // GetMasterVolumeLevelScalar
    kCallSetLevel,     // SetMasterVolumeLevelScalar
    kCallGetMute,
    kCallSetMute,
    kCallOther,        // anything else of the three interfaces
    kCallKinds
};

struct TStandinState {
    uint32_t Magic;
    LONG Present; // a playback device exists
    LONG Default; // which of the two devices is the default, 0 or 1
    float Level[2];
    LONG Muted[2];
    LONG Calls[kCallKinds];
};

constexpr uint32_t kStandinMagic = 0x5044454d; // set by the control program's "reset"
constexpr const char* kStandinFile = "endpoint_standin.dat";
constexpr const char* kStandinCallNames[kCallKinds] = {"create", "get_default", "activate", "get_level",
                                                       "set_level", "get_mute", "set_mute", "other"};

// Maps the state file in the folder of the given module; null if it cannot.
inline TStandinState* MapStandinState(HMODULE module)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return nullptr;
    while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/')
        --n;
    if (n + lstrlenA(kStandinFile) >= MAX_PATH)
        return nullptr;
    lstrcpyA(path + n, kStandinFile);
    const HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, sizeof(TStandinState), nullptr);
    CloseHandle(file);
    if (!mapping)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(TStandinState));
    CloseHandle(mapping); // the view keeps it
    return static_cast<TStandinState*>(view);
}
