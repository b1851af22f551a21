// The wave-input operations on Windows: the waveIn driver of the device
// core (platform/deviceCore.h), which owns the device thread.
//
// As for output, any waveIn call may wait as long as the sound server is
// away, so every call here but wake runs on the core's device thread.  The
// device is opened with CALLBACK_EVENT and given periodCount buffers of its
// own, periodMs each, which it fills in order; a read copies the next full
// one out and gives it straight back to the driver.  A reset returns every
// buffer to the driver's owner, so a drop adds them all again and starts
// recording anew.
#include "platform/waveIn.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstring>

#include "platform/deviceCore.h"
#include "platform/streamFormat.h"

static_assert(MM_WIM_DATA == 0x3C0, "the message numbers are the platform's");

namespace {

const int periodCount = 4;
const uint32_t periodMs = 100;

} // namespace

// The driver's record of an open device.
struct WinmmCapture : OpenedDevice {
    HWAVEIN driver;
    HANDLE wake;       // an auto-reset event: set to end a wait
    HANDLE driverDone; // the driver's event: set when it fills a buffer
    WAVEHDR buffers[periodCount];
    uint32_t bytes; // of each buffer
    int next;       // the buffer filled next; they come back in order
};

// Returns the driver's record of device.
static WinmmCapture *of(OpenedDevice *device) { return static_cast<WinmmCapture *>(device); }

namespace {

// Gives buffer i to the driver to fill.  Returns the driver's result.
MMRESULT addBuffer(WinmmCapture *device, int i) {
    WAVEHDR *buffer = &device->buffers[i];
    buffer->dwBufferLength = device->bytes;
    buffer->dwBytesRecorded = 0;
    buffer->dwFlags = 0;
    MMRESULT result = waveInPrepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) result = waveInAddBuffer(device->driver, buffer, sizeof(WAVEHDR));
    return result;
}

// Gives every buffer to the driver and starts it.  Returns the first failure.
MMRESULT startRecording(WinmmCapture *device) {
    device->next = 0;
    for (int i = 0; i < periodCount; i++)
        if (MMRESULT result = addBuffer(device, i)) return result;
    return waveInStart(device->driver);
}

void freeDevice(WinmmCapture *device) {
    for (WAVEHDR &buffer : device->buffers)
        delete[] buffer.lpData;
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

WaveResult winmmCaptureOpen(uint32_t deviceId, const StreamFormat *format, OpenedDevice **opened,
                            uint32_t *periodBytes) {
    WinmmCapture *device = new WinmmCapture();
    device->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    device->driverDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const uint32_t frameBytes = format->blockAlign ? format->blockAlign : 1;
    device->bytes = (format->avgBytesPerSec * periodMs / 1000 + frameBytes - 1) / frameBytes * frameBytes;
    for (WAVEHDR &buffer : device->buffers)
        buffer.lpData = new char[device->bytes];
    WAVEFORMATEX platformFormat;
    std::memcpy(&platformFormat, format, sizeof platformFormat);
    MMRESULT result = !device->wake || !device->driverDone
                          ? MMSYSERR_NOMEM
                          : waveInOpen(&device->driver, (UINT)deviceId, &platformFormat, (DWORD_PTR)device->driverDone,
                                       0, CALLBACK_EVENT);
    if (result == MMSYSERR_NOERROR) {
        result = startRecording(device);
        if (result != MMSYSERR_NOERROR) waveInClose(device->driver);
    }
    if (result != MMSYSERR_NOERROR) {
        freeDevice(device);
        return result;
    }
    *opened = device;
    *periodBytes = device->bytes;
    return WaveOk;
}

int winmmCaptureWait(OpenedDevice *opened, int timeoutMs) {
    WinmmCapture *device = of(opened);
    if (device->buffers[device->next].dwFlags & WHDR_DONE) return 1;
    HANDLE events[2] = {device->wake, device->driverDone};
    WaitForMultipleObjects(2, events, FALSE, timeoutMs < 0 ? INFINITE : (DWORD)timeoutMs);
    return (device->buffers[device->next].dwFlags & WHDR_DONE) != 0;
}

void winmmCaptureWake(OpenedDevice *device) { SetEvent(of(device)->wake); }

// Copies the next full buffer out and gives it back to the driver; any
// failure loses the device.
long winmmCaptureRead(OpenedDevice *opened, char *data, uint32_t bytes) {
    WinmmCapture *device = of(opened);
    WAVEHDR *buffer = &device->buffers[device->next];
    if (!(buffer->dwFlags & WHDR_DONE)) return 0;
    const uint32_t recorded = buffer->dwBytesRecorded < bytes ? buffer->dwBytesRecorded : bytes;
    std::memcpy(data, buffer->lpData, recorded);
    waveInUnprepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    if (addBuffer(device, device->next) != MMSYSERR_NOERROR) return -1;
    device->next = (device->next + 1) % periodCount;
    return (long)recorded;
}

int winmmCaptureLives(OpenedDevice *) { return 0; }

// The driver counts the samples recorded since the open or the last reset,
// those still in its buffers included.
int winmmCapturePosition(OpenedDevice *opened, uint64_t *frames) {
    WinmmCapture *device = of(opened);
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (waveInGetPosition(device->driver, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_SAMPLES)
        return 0;
    *frames = time.u.sample;
    return 1;
}

void winmmCaptureDrop(OpenedDevice *opened) {
    WinmmCapture *device = of(opened);
    waveInReset(device->driver);
    for (WAVEHDR &buffer : device->buffers)
        waveInUnprepareHeader(device->driver, &buffer, sizeof(WAVEHDR));
    startRecording(device);
}

// A lost driver stays open: closing it may hang.
int winmmCaptureClose(OpenedDevice *opened, int lost) {
    WinmmCapture *device = of(opened);
    if (lost) return 1;
    waveInReset(device->driver);
    for (WAVEHDR &buffer : device->buffers)
        waveInUnprepareHeader(device->driver, &buffer, sizeof(WAVEHDR));
    waveInClose(device->driver);
    freeDevice(device);
    return 0;
}

const DeviceCalls winmmCapture = {
    .direction = DeviceCapture,
    .open = winmmCaptureOpen,
    .wait = winmmCaptureWait,
    .wake = winmmCaptureWake,
    .read = winmmCaptureRead,
    .drop = winmmCaptureDrop,
    .lives = winmmCaptureLives,
    .position = winmmCapturePosition,
    .close = winmmCaptureClose,
};

} // namespace

WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    return deviceOpenRecording(&winmmCapture, device, format, callback, handle);
}
