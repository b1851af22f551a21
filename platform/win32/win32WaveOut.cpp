// The wave-output operations on Windows: the waveOut driver of the device
// core (platform/deviceCore.h), which owns the device thread.
//
// A driver whose sound server is stopped (a suspended machine, a remote
// session or a Bluetooth sink that hangs) can keep waveOutOpen,
// waveOutReset, waveOutClose and waveOutWrite waiting for as long as the
// server is away, so every call here but wake runs on the core's device
// thread, which the window thread waits for only with a bound.
//
// The device is opened with CALLBACK_EVENT and given periodCount buffers of
// its own, periodMs each: a period written is a copy in one of them, so a
// header the core has handed back is never read again, however long the
// driver keeps its copy.  A period can be written while one of the buffers
// is free; the driver's event says when it hands one back.  No waveOut
// result reports a driver that simply stops calling back: the core's
// watchdog sees that as a device that takes no data.
//
// A lost device is called no more: a driver that has stopped answering may
// hang in any call, reset and close among them.  It stays open with the
// buffers it holds, which are never freed, and the process ends without
// the sound system's clean-up (win32ProcessExit.cpp).
//
// The device count and the capabilities are asked on a thread too, and
// given up after a bound: the first waveOut call connects to the sound
// system and can wait as long.
#include "platform/waveOut.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>
#include <cstring>
#include <memory>

#include "platform/deviceCore.h"
#include "platform/streamFormat.h"

// The core's records are the platform's, field for field.
static_assert(sizeof(WaveHeader) == sizeof(WAVEHDR), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwUser) == offsetof(WAVEHDR, dwUser), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwFlags) == offsetof(WAVEHDR, dwFlags), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, reserved) == offsetof(WAVEHDR, reserved), "WaveHeader is WAVEHDR");
static_assert(offsetof(StreamFormat, avgBytesPerSec) == offsetof(WAVEFORMATEX, nAvgBytesPerSec),
              "StreamFormat is WAVEFORMATEX");
static_assert(offsetof(StreamFormat, extraSize) == offsetof(WAVEFORMATEX, cbSize), "StreamFormat is WAVEFORMATEX");
static_assert(MM_WOM_DONE == 0x3BD && WAVE_MAPPER == 0xFFFFFFFFu, "the message numbers are the platform's");
static_assert(WaveErrorNoDriver == MMSYSERR_NODRIVER && WaveErrorBadDevice == MMSYSERR_BADDEVICEID,
              "the results are the platform's");

namespace {

const int periodCount = 4;     // buffers the driver may hold
const uint32_t periodMs = 100; // 400 ms in the driver, as on ALSA
// The count and the capabilities wait this long for the sound system; its
// first answer loads the drivers.
const int queryWaitMs = 4000;

} // namespace

// The driver's record of an open device.
struct WinmmPlayback : OpenedDevice {
    HWAVEOUT driver;
    HANDLE wake;       // an auto-reset event: set to end a wait
    HANDLE driverDone; // the driver's event: set when it hands a buffer back
    WAVEHDR buffers[periodCount];
    int held[periodCount]; // 1 while the driver holds the buffer
    int next;              // the buffer written next; they come back in order
};

// Returns the driver's record of device.
static WinmmPlayback *of(OpenedDevice *device) { return static_cast<WinmmPlayback *>(device); }

namespace {

// Takes back the buffer the driver is done with next.  Returns 1 when the
// next buffer is free.
int nextFree(WinmmPlayback *device) {
    WAVEHDR *buffer = &device->buffers[device->next];
    if (device->held[device->next] && (buffer->dwFlags & WHDR_DONE)) {
        waveOutUnprepareHeader(device->driver, buffer, sizeof(WAVEHDR));
        device->held[device->next] = 0;
    }
    return !device->held[device->next];
}

void freeDevice(WinmmPlayback *device) {
    for (WAVEHDR &buffer : device->buffers)
        delete[] buffer.lpData;
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

WaveResult winmmPlaybackOpen(uint32_t deviceId, const StreamFormat *format, OpenedDevice **opened,
                             uint32_t *periodBytes) {
    WinmmPlayback *device = new WinmmPlayback();
    device->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    device->driverDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const uint32_t frameBytes = format->blockAlign ? format->blockAlign : 1;
    const uint32_t bytes = (format->avgBytesPerSec * periodMs / 1000 + frameBytes - 1) / frameBytes * frameBytes;
    for (WAVEHDR &buffer : device->buffers)
        buffer.lpData = new char[bytes];
    WAVEFORMATEX platformFormat;
    std::memcpy(&platformFormat, format, sizeof platformFormat);
    const MMRESULT result = !device->wake || !device->driverDone
                                ? MMSYSERR_NOMEM
                                : waveOutOpen(&device->driver, (UINT)deviceId, &platformFormat,
                                              (DWORD_PTR)device->driverDone, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        freeDevice(device);
        return result;
    }
    *opened = device;
    *periodBytes = bytes;
    return WaveOk;
}

int winmmPlaybackWait(OpenedDevice *opened, int timeoutMs) {
    WinmmPlayback *device = of(opened);
    if (nextFree(device)) return 1;
    HANDLE events[2] = {device->wake, device->driverDone};
    WaitForMultipleObjects(2, events, FALSE, timeoutMs < 0 ? INFINITE : (DWORD)timeoutMs);
    return nextFree(device);
}

void winmmPlaybackWake(OpenedDevice *device) { SetEvent(of(device)->wake); }

// Any failed write loses the device.
long winmmPlaybackWrite(OpenedDevice *opened, const char *data, uint32_t bytes) {
    WinmmPlayback *device = of(opened);
    if (!nextFree(device)) return 0;
    WAVEHDR *buffer = &device->buffers[device->next];
    std::memcpy(buffer->lpData, data, bytes);
    buffer->dwBufferLength = bytes;
    buffer->dwFlags = 0;
    MMRESULT result = waveOutPrepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) {
        result = waveOutWrite(device->driver, buffer, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) waveOutUnprepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    }
    if (result != MMSYSERR_NOERROR) return -1;
    device->held[device->next] = 1;
    device->next = (device->next + 1) % periodCount;
    return (long)bytes;
}

int winmmPlaybackLives(OpenedDevice *) { return 0; }

// The driver counts the samples played since the open or the last reset.
int winmmPlaybackPosition(OpenedDevice *opened, uint64_t *frames) {
    WinmmPlayback *device = of(opened);
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device->driver, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_SAMPLES)
        return 0;
    *frames = time.u.sample;
    return 1;
}

// After a reset the driver has handed every buffer back.
void winmmPlaybackDrop(OpenedDevice *opened) {
    WinmmPlayback *device = of(opened);
    waveOutReset(device->driver);
    for (int i = 0; i < periodCount; i++) {
        nextFree(device);
        device->next = (device->next + 1) % periodCount;
    }
}

// A lost driver stays open: closing it may hang.
int winmmPlaybackClose(OpenedDevice *opened, int lost) {
    WinmmPlayback *device = of(opened);
    if (lost) return 1;
    winmmPlaybackDrop(device);
    waveOutClose(device->driver);
    freeDevice(device);
    return 0;
}

const DeviceCalls winmmPlayback = {
    .direction = DevicePlayback,
    .open = winmmPlaybackOpen,
    .wait = winmmPlaybackWait,
    .wake = winmmPlaybackWake,
    .write = winmmPlaybackWrite,
    .drop = winmmPlaybackDrop,
    .lives = winmmPlaybackLives,
    .position = winmmPlaybackPosition,
    .close = winmmPlaybackClose,
};

} // namespace

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
