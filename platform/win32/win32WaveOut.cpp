// The wave-output operations on Windows: the device core
// (platform/deviceCore.h) with the winmm playback driver (win32WaveDevice.h).
// The device count and the capabilities are asked on a thread of the core
// too, and given up after a bound: the first waveOut call connects to the
// sound system and can wait as long.
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

// A device that does not answer the count within queryWaitMs counts as none,
// as one that does not open does on ALSA.  winmm connects to the sound
// system at its first call: under Wine, with the sound server stopped, the
// count waits for as long as the server is away, before the window exists.
uint32_t waveDeviceCount() {
    std::shared_ptr<uint32_t> count = std::make_shared<uint32_t>(0);
    if (!runBounded([count] { *count = waveOutGetNumDevs(); }, queryWaitMs)) return 0;
    return *count;
}

// Only the answer matters to the stream; the name is kept short enough for
// the record, in the system's code page.  A device that does not answer
// within queryWaitMs is a bad one.
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
