// A stand-in for the system's audio endpoint library, for the scenarios only:
// the device enumerator, up to two playback devices and their endpoint
// volume, over the state that endpoint_ctl shows and changes. Loaded in place
// of Wine's, whose endpoint volume refuses writes, so that the program's
// endpoint path runs end to end. Every call is counted.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include "endpoint_standin.h"

namespace {
const GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIidIClassFactory = {0x00000001, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kClsidEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const GUID kIidEnumerator = {0xa95664d2, 0x9614, 0x4f35, {0xa7, 0x46, 0xde, 0x8d, 0xb6, 0x36, 0x17, 0xe6}};
const GUID kIidDevice = {0xd666063f, 0x1587, 0x4e43, {0x81, 0xf1, 0xb9, 0x48, 0xe8, 0x07, 0x36, 0x3f}};
const GUID kIidCollection = {0x0bd7a1be, 0x7a1a, 0x44db, {0x83, 0x97, 0xcc, 0x53, 0x92, 0x38, 0x7b, 0x5e}};
const GUID kIidEndpointVolume = {0x5cdf2c82, 0x841e, 0x4546, {0x97, 0x22, 0x0c, 0xf7, 0x40, 0x78, 0x22, 0x9a}};
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
const HRESULT kInvalidated = static_cast<HRESULT>(0x88890004); // AUDCLNT_E_DEVICE_INVALIDATED

HMODULE g_module;
TStandinState* g_state;

TStandinState* State()
{
    // Mapped on first use: not in DllMain, under the loader lock.
    if (!g_state)
        g_state = MapStandinState(g_module);
    return g_state;
}

void Count(TStandinCall call)
{
    if (TStandinState* s = State())
        InterlockedIncrement(&s->Calls[call]);
}

bool Present()
{
    TStandinState* s = State();
    return s && s->Magic == kStandinMagic && s->Present;
}

// Reference counting and QueryInterface for an object of one interface.
template <typename Base> class TObject : public Base {
public:
    explicit TObject(const GUID& iid) : m_iid(iid) {}
    virtual ~TObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualGUID(iid, kIidIUnknown) || IsEqualGUID(iid, m_iid)) {
            this->AddRef();
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return left;
    }

private:
    const GUID& m_iid;
    LONG m_refs = 1;
};

class TVolume : public TObject<IAudioEndpointVolume> {
public:
    explicit TVolume(int device) : TObject(kIidEndpointVolume), m_device(device) {}

    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* level) override
    {
        Count(kCallGetLevel);
        if (!level)
            return E_POINTER;
        if (!Present())
            return kInvalidated;
        *level = State()->Level[m_device];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float level, LPCGUID) override
    {
        Count(kCallSetLevel);
        if (!(level >= 0.0f && level <= 1.0f))
            return E_INVALIDARG;
        if (!Present())
            return kInvalidated;
        State()->Level[m_device] = level;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMute(BOOL* muted) override
    {
        Count(kCallGetMute);
        if (!muted)
            return E_POINTER;
        if (!Present())
            return kInvalidated;
        *muted = State()->Muted[m_device] ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMute(BOOL muted, LPCGUID) override
    {
        Count(kCallSetMute);
        if (!Present())
            return kInvalidated;
        State()->Muted[m_device] = muted ? 1 : 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float, LPCGUID) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, float, LPCGUID) override { return Other(); }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, float, LPCGUID) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, float*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, float*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return Other(); }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return Other(); }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override { return Other(); }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(float*, float*, float*) override { return Other(); }

private:
    static HRESULT Other()
    {
        Count(kCallOther);
        return E_NOTIMPL;
    }
    int m_device;
};

class TDevice : public TObject<IMMDevice> {
public:
    explicit TDevice(int device) : TObject(kIidDevice), m_device(device) {}

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** out) override
    {
        Count(kCallActivate);
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(iid, kIidEndpointVolume))
            return E_NOINTERFACE;
        if (!Present())
            return kInvalidated;
        *out = static_cast<IAudioEndpointVolume*>(new TVolume(m_device));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override
    {
        Count(kCallOther);
        if (!id)
            return E_POINTER;
        static const wchar_t* const names[] = {L"{pelm-standin}.speakers", L"{pelm-standin}.headphones"};
        const int bytes = (lstrlenW(names[m_device]) + 1) * sizeof(wchar_t);
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!*id)
            return E_OUTOFMEMORY;
        CopyMemory(*id, names[m_device], bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore** store) override
    {
        Count(kCallOther);
        if (store)
            *store = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override
    {
        Count(kCallOther);
        if (!state)
            return E_POINTER;
        *state = Present() ? DEVICE_STATE_ACTIVE : DEVICE_STATE_NOTPRESENT;
        return S_OK;
    }

private:
    int m_device;
};

// Lists no device: Wine's own waveform mixer, which enumerates endpoints,
// then has none, as on a system whose devices are not up yet.
class TEmptyCollection : public TObject<IMMDeviceCollection> {
public:
    TEmptyCollection() : TObject(kIidCollection) {}
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT, IMMDevice** device) override
    {
        if (device)
            *device = nullptr;
        return E_INVALIDARG;
    }
};

class TEnumerator : public TObject<IMMDeviceEnumerator> {
public:
    TEnumerator() : TObject(kIidEnumerator) {}

    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole, IMMDevice** device) override
    {
        if (!device)
            return E_POINTER;
        *device = nullptr;
        if (flow != eRender) {
            Count(kCallOther);
            return kNotFound;
        }
        Count(kCallGetDefault);
        if (!Present())
            return kNotFound;
        *device = new TDevice(State()->Default == 1 ? 1 : 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection** devices) override
    {
        Count(kCallOther);
        if (!devices)
            return E_POINTER;
        *devices = new TEmptyCollection;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice** device) override
    {
        Count(kCallOther);
        if (device)
            *device = nullptr;
        return kNotFound;
    }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override
    {
        Count(kCallOther);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override
    {
        Count(kCallOther);
        return S_OK;
    }
};

class TFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualGUID(iid, kIidIUnknown) || IsEqualGUID(iid, kIidIClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // One static object for the life of the module.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Count(kCallCreate);
        TEnumerator* enumerator = new TEnumerator;
        const HRESULT hr = enumerator->QueryInterface(iid, out);
        enumerator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TFactory g_factory;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(clsid, kClsidEnumerator))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

// Never unloaded: the objects handed out may outlive any count kept here.
extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}
