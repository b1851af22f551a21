// The wave-output operations on Windows: each is the waveOut call of its
// name.  The device is opened with CALLBACK_WINDOW, so MM_WOM_OPEN,
// MM_WOM_CLOSE and every MM_WOM_DONE arrive as messages of the callback
// window, on the thread that runs it; no thread of the program's own is
// involved.
#include "platform/waveOut.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>

#include "audio/synthesis.h"

// The core's records are the platform's, field for field, so they are handed
// over as they are.
static_assert(sizeof(WaveHeader) == sizeof(WAVEHDR), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwUser) == offsetof(WAVEHDR, dwUser), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwFlags) == offsetof(WAVEHDR, dwFlags), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, reserved) == offsetof(WAVEHDR, reserved), "WaveHeader is WAVEHDR");
static_assert(offsetof(StreamFormat, avgBytesPerSec) == offsetof(WAVEFORMATEX, nAvgBytesPerSec),
              "StreamFormat is WAVEFORMATEX");
static_assert(offsetof(StreamFormat, extraSize) == offsetof(WAVEFORMATEX, cbSize), "StreamFormat is WAVEFORMATEX");
static_assert(MM_WOM_DONE == 0x3BD && WAVE_MAPPER == 0xFFFFFFFFu, "the message numbers are the platform's");

namespace {

// The open device and the window its messages go to: a lost device is told
// to that window.
struct Win32Device {
    HWAVEOUT handle;
    HWND callback;
};
Win32Device openDevice;

HWAVEOUT handleOf(WaveOutHandle handle) { return (HWAVEOUT)handle; }
LPWAVEHDR headerOf(WaveHeader *header) { return (LPWAVEHDR)header; }

// A device unplugged or gone with its driver answers every call with
// MMSYSERR_NODRIVER (or MMSYSERR_NODRIVERCB).  The owner learns it as the
// contract says: MM_WOM_LOST first, then every queued header back through
// waveOutReset's MM_WOM_DONE.  Returns result.
MMRESULT noticeLoss(HWAVEOUT handle, MMRESULT result) {
    if ((result == MMSYSERR_NODRIVER || result == MMSYSERR_NODRIVERCB) && handle == openDevice.handle &&
        openDevice.callback) {
        PostMessageW(openDevice.callback, MM_WOM_LOST, (WPARAM)handle, 0);
        openDevice.callback = nullptr; // once
        waveOutReset(handle);
    }
    return result;
}

} // namespace

uint32_t waveDeviceCount() { return waveOutGetNumDevs(); }

// Only the answer matters to the stream; the name is kept short enough for
// the record, in the system's code page.
WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    WAVEOUTCAPSA platformCaps;
    const MMRESULT result = waveOutGetDevCapsA((UINT_PTR)device, &platformCaps, sizeof platformCaps);
    if (result == MMSYSERR_NOERROR && caps && size >= sizeof *caps) {
        *caps = WaveOutCaps{};
        caps->wMid = platformCaps.wMid;
        caps->wPid = platformCaps.wPid;
        caps->vDriverVersion = platformCaps.vDriverVersion;
        lstrcpynA(caps->szPname, platformCaps.szPname, sizeof caps->szPname);
        caps->dwFormats = platformCaps.dwFormats;
        caps->wChannels = platformCaps.wChannels;
        caps->dwSupport = platformCaps.dwSupport;
    }
    return result;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    HWAVEOUT opened = nullptr;
    const MMRESULT result =
        waveOutOpen(&opened, (UINT)device, (const WAVEFORMATEX *)format, (DWORD_PTR)callback, 0, CALLBACK_WINDOW);
    *handle = result == MMSYSERR_NOERROR ? (WaveOutHandle)opened : nullptr;
    if (result == MMSYSERR_NOERROR) openDevice = {opened, (HWND)callback};
    return result;
}

WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    return noticeLoss(handleOf(handle), waveOutPrepareHeader(handleOf(handle), headerOf(header), size));
}

WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    return noticeLoss(handleOf(handle), waveOutWrite(handleOf(handle), headerOf(header), size));
}

WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    return waveOutUnprepareHeader(handleOf(handle), headerOf(header), size);
}

WaveResult waveReset(WaveOutHandle handle) { return waveOutReset(handleOf(handle)); }

WaveResult waveClose(WaveOutHandle handle) {
    if (handleOf(handle) == openDevice.handle) openDevice = {};
    return waveOutClose(handleOf(handle));
}

// waveOut does not say how often the device ran dry.
uint32_t waveUnderrunCount() { return 0; }

void *waveAllocBlock(uint32_t size) { return (void *)GlobalAlloc(GMEM_FIXED, size); }

void *waveFreeBlock(void *block) { return (void *)GlobalFree((HGLOBAL)block); }
