#include "volume/win32/WinMixer.h"

#include "volume/WaveformVolume.h"
#include "volume/win32/EndpointVolume.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "framework/win32/WinBound.h"

static_assert(sizeof(MIXERCAPSA) == 48, "MIXERCAPSA");
static_assert(sizeof(MIXERLINEA) == 168, "MIXERLINEA");
static_assert(sizeof(MIXERLINECONTROLSA) == 24, "MIXERLINECONTROLSA");
static_assert(sizeof(MIXERCONTROLA) == 148, "MIXERCONTROLA");
static_assert(sizeof(MIXERCONTROLDETAILS) == 24, "MIXERCONTROLDETAILS");

namespace {
HMIXEROBJ Obj(uint32_t handle)
{
    return reinterpret_cast<HMIXEROBJ>(static_cast<uintptr_t>(handle));
}
} // namespace

uint32_t TWinMixer::GetNumDevs()
{
    // No winmm in the system folder: no mixer, as on a machine without a sound card.
    const auto getNumDevs = Bound().mixerGetNumDevs;
    return getNumDevs ? getNumDevs() : 0;
}

bool TWinMixer::GetDevCaps(uint32_t device, TMixerCaps& caps)
{
    MIXERCAPSA mc;
    std::memset(&mc, 0, sizeof mc);
    const auto getDevCaps = Bound().mixerGetDevCapsA;
    if (!getDevCaps || getDevCaps(device, &mc, sizeof mc) != MMSYSERR_NOERROR)
        return false;
    std::memcpy(&caps, &mc, sizeof caps);
    return true;
}

bool TWinMixer::Open(uint32_t device, uint32_t& handle)
{
    HMIXER h = nullptr;
    const auto open = Bound().mixerOpen;
    if (!open || open(&h, device, 0, 0, CALLBACK_NULL | MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR)
        return false;
    handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
    return true;
}

bool TWinMixer::GetSpeakersLine(uint32_t handle, uint32_t& lineId)
{
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    const auto getLineInfo = Bound().mixerGetLineInfoA;
    if (!getLineInfo || getLineInfo(Obj(handle), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    lineId = line.dwLineID;
    return true;
}

bool TWinMixer::GetLineControl(uint32_t handle, uint32_t lineId, uint32_t controlType, uint32_t& controlId,
                               uint32_t& minimum, uint32_t& maximum)
{
    MIXERCONTROLA control;
    std::memset(&control, 0, sizeof control);
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA lc;
    std::memset(&lc, 0, sizeof lc);
    lc.cbStruct = sizeof lc;
    lc.dwLineID = lineId;
    lc.dwControlType = controlType;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof control;
    lc.pamxctrl = &control;
    const auto getLineControls = Bound().mixerGetLineControlsA;
    if (!getLineControls ||
        getLineControls(Obj(handle), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    controlId = control.dwControlID;
    minimum = control.Bounds.dwMinimum;
    maximum = control.Bounds.dwMaximum;
    return true;
}

namespace {
MIXERCONTROLDETAILS Details(uint32_t controlId, DWORD* value)
{
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = controlId;
    d.cChannels = 1; // one value for all channels
    d.cMultipleItems = 0;
    d.cbDetails = sizeof(DWORD);
    d.paDetails = value;
    return d;
}
} // namespace

bool TWinMixer::GetControlValue(uint32_t handle, uint32_t controlId, uint32_t& value)
{
    DWORD v = 0;
    MIXERCONTROLDETAILS d = Details(controlId, &v);
    const auto getDetails = Bound().mixerGetControlDetailsA;
    if (!getDetails || getDetails(Obj(handle), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return false;
    value = v;
    return true;
}

bool TWinMixer::SetControlValue(uint32_t handle, uint32_t controlId, uint32_t value)
{
    DWORD v = value;
    MIXERCONTROLDETAILS d = Details(controlId, &v);
    const auto setDetails = Bound().mixerSetControlDetails;
    return setDetails && setDetails(Obj(handle), &d, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

void TWinMixer::Close(uint32_t handle)
{
    if (const auto close = Bound().mixerClose)
        close(reinterpret_cast<HMIXER>(static_cast<uintptr_t>(handle)));
}

// From Windows Vista on, the waveform mixer's volume and mute are the
// program's own audio session, which changes nothing the user hears; there
// the default playback endpoint is driven instead, where it works.
IVolumeDevice& VolumeProvider()
{
    static TWinMixer winmm;
    static TWaveformVolume waveform(winmm);
    static TEndpointVolume endpoint;
    static TChoosingVolume volume(waveform, endpoint, &WindowsVersion, [] { return endpoint.Probe(); });
    return volume;
}
