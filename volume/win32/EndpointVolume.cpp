#include "volume/win32/EndpointVolume.h"

#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <cstring>

#include "framework/win32/WinBound.h"
#include "framework/win32/WinHandles.h"

namespace {
// Their published values, defined here: the import libraries at hand do not
// carry them, and a DEFINE_GUID under INITGUID would define every GUID of the
// two headers in this file.
const GUID kClsidMMDeviceEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const GUID kIidIMMDeviceEnumerator = {0xa95664d2, 0x9614, 0x4f35, {0xa7, 0x46, 0xde, 0x8d, 0xb6, 0x36, 0x17, 0xe6}};
const GUID kIidIAudioEndpointVolume = {0x5cdf2c82, 0x841e, 0x4546, {0x97, 0x22, 0x0c, 0xf7, 0x40, 0x78, 0x22, 0x9a}};

typedef HRESULT(WINAPI* TCoInitializeEx)(LPVOID, DWORD);
typedef HRESULT(WINAPI* TCoCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
typedef void(WINAPI* TCoUninitialize)();
typedef void(WINAPI* TCoTaskMemFree)(LPVOID);

// Through void (*)(), which converts to and from any function pointer
// without a cast-function-type warning.
void (*Proc(const TScopedLibrary& library, const char* name))()
{
    return ProcFrom<void (*)()>(library.Get(), name);
}

template <typename T> T As(void (*proc)())
{
    return reinterpret_cast<T>(proc);
}
} // namespace

TEndpointVolume::TEndpointVolume() = default;

TEndpointVolume::~TEndpointVolume()
{
    Release();
}

bool TEndpointVolume::Acquire()
{
    if (!m_enumerator) {
        if (!m_ole32) {
            // From the system folder only: a copy beside the program is not
            // to be picked up.
            m_ole32.Reset(LoadSystemLibrary("ole32.dll"));
            if (!m_ole32)
                return false;
        }
        const auto initialize = As<TCoInitializeEx>(Proc(m_ole32, "CoInitializeEx"));
        const auto create = As<TCoCreateInstance>(Proc(m_ole32, "CoCreateInstance"));
        m_coUninitialize = Proc(m_ole32, "CoUninitialize");
        m_coTaskMemFree = Proc(m_ole32, "CoTaskMemFree");
        if (!initialize || !create || !m_coUninitialize || !m_coTaskMemFree)
            return false;
        if (!m_uninitialize) {
            // S_FALSE (already initialised) counts as well and needs its
            // CoUninitialize; a thread already in the multithreaded apartment
            // can still use the endpoint, but must not be uninitialised.
            const HRESULT hr = initialize(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(hr))
                m_uninitialize = true;
            else if (hr != RPC_E_CHANGED_MODE)
                return false;
        }
        void* enumerator = nullptr;
        if (FAILED(create(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, kIidIMMDeviceEnumerator, &enumerator)) ||
            !enumerator)
            return false;
        m_enumerator.Reset(static_cast<IMMDeviceEnumerator*>(enumerator));
    }
    return Follow();
}

// The volume of whichever endpoint is the default now: the user may switch
// to headphones, say, while the program runs, and expects the wheel to follow.
bool TEndpointVolume::Follow()
{
    if (!m_enumerator)
        return false;
    TComPtr<IMMDevice> device;
    if (FAILED(m_enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.Put())) || !device) {
        DropVolume();
        return false;
    }
    TDeviceId id;
    LPWSTR text = nullptr;
    if (SUCCEEDED(device->GetId(&text)) && text) {
        id.assign(text, text + lstrlenW(text));
        As<TCoTaskMemFree>(m_coTaskMemFree)(text);
    }
    // Without an id the endpoints cannot be told apart; activate every time.
    if (m_volume && !id.empty() && id == m_deviceId)
        return true;
    void* volume = nullptr;
    const HRESULT hr = device->Activate(kIidIAudioEndpointVolume, CLSCTX_ALL, nullptr, &volume);
    device.Reset();
    DropVolume();
    if (FAILED(hr) || !volume)
        return false;
    m_volume.Reset(static_cast<IAudioEndpointVolume*>(volume));
    m_deviceId = id;
    return true;
}

void TEndpointVolume::DropVolume()
{
    m_volume.Reset();
    m_deviceId.clear();
}

void TEndpointVolume::Drop()
{
    // After the audio service restarted, the enumerator is as dead as the
    // volume interface it gave; the library and COM stay for the next look.
    DropVolume();
    m_enumerator.Reset();
}

void TEndpointVolume::Release()
{
    Drop();
    if (m_uninitialize)
        As<TCoUninitialize>(m_coUninitialize)();
    m_uninitialize = false;
    m_coUninitialize = nullptr;
    m_coTaskMemFree = nullptr;
    m_ole32.Reset();
}

bool TEndpointVolume::ReadScalar(float& scalar)
{
    float level = 0.0f;
    if (!Follow() || FAILED(m_volume->GetMasterVolumeLevelScalar(&level)))
        return false;
    scalar = level;
    return true;
}

TEndpointResult TEndpointVolume::WriteScalar(float scalar)
{
    if (!Follow())
        return E_FAIL; // no device now: not a refusal
    return m_volume->SetMasterVolumeLevelScalar(scalar, nullptr);
}

bool TEndpointVolume::ReadMute(bool& muted)
{
    BOOL value = FALSE;
    if (!Follow() || FAILED(m_volume->GetMute(&value)))
        return false;
    muted = value != FALSE;
    return true;
}

bool TEndpointVolume::WriteMute(bool muted)
{
    return Follow() && SUCCEEDED(m_volume->SetMute(muted ? TRUE : FALSE, nullptr));
}

TWindowsVersion WindowsVersion()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return {0, 0};
    return {info.dwPlatformId, info.dwMajorVersion};
}
