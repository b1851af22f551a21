// The wave-output operations on Windows: the device core
// (platform/deviceCore.h) with the winmm playback driver (win32WaveDevice.h).
#include "platform/waveOut.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>
#include <memory>

#include "platform/deviceCore.h"
#include "platform/win32/win32WaveDevice.h"

// The core's records are the platform's, field for field.
static_assert(sizeof(WaveHeader) == sizeof(WAVEHDR), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwUser) == offsetof(WAVEHDR, dwUser), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwFlags) == offsetof(WAVEHDR, dwFlags), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, reserved) == offsetof(WAVEHDR, reserved), "WaveHeader is WAVEHDR");
static_assert(MM_WOM_DONE == 0x3BD && WAVE_MAPPER == 0xFFFFFFFFu, "the message numbers are the platform's");
static_assert(WaveErrorNoDriver == MMSYSERR_NODRIVER && WaveErrorBadDevice == MMSYSERR_BADDEVICEID,
              "the results are the platform's");

// The count and the capabilities wait this long for the sound system; its
// first answer loads the drivers.
static const int queryWaitMs = 4000;

// Asked on a thread of the core: winmm connects to the sound system at its
// first call, and under Wine with the server stopped the count waited as long
// as the server was away.  No answer within queryWaitMs counts as no device.
uint32_t waveDeviceCount() {
    std::shared_ptr<uint32_t> count = std::make_shared<uint32_t>(0);
    if (!runBounded([count] { *count = waveOutGetNumDevs(); }, queryWaitMs)) return 0;
    return *count;
}

// Asked on a thread too: no answer within queryWaitMs is a bad device.  The
// name is cut to the record, in the system's code page.
WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    struct Answer {
        WAVEOUTCAPSA caps;
        MMRESULT result;
    };
    std::shared_ptr<Answer> answer = std::make_shared<Answer>();
    if (!runBounded(
            [answer, device] { answer->result = waveOutGetDevCapsA(device, &answer->caps, sizeof answer->caps); },
            queryWaitMs))
        return WaveErrorBadDevice;
    const WAVEOUTCAPSA &platformCaps = answer->caps;
    if (answer->result == MMSYSERR_NOERROR && caps && size >= sizeof *caps) {
        *caps = WaveOutCaps{};
        caps->wMid = platformCaps.wMid;
        caps->wPid = platformCaps.wPid;
        caps->vDriverVersion = platformCaps.vDriverVersion;
        lstrcpynA(caps->szPname, platformCaps.szPname, sizeof caps->szPname);
        caps->dwFormats = platformCaps.dwFormats;
        caps->wChannels = platformCaps.wChannels;
        caps->dwSupport = platformCaps.dwSupport;
    }
    return answer->result;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    return deviceOpen(&winmmPlayback, device, format, callback, handle);
}

// waveOut does not say how often the device ran dry.
uint32_t waveUnderrunCount() { return 0; }

void *waveAllocBlock(uint32_t size) { return (void *)GlobalAlloc(GMEM_FIXED, size); }

void *waveFreeBlock(void *block) { return (void *)GlobalFree((HGLOBAL)block); }
