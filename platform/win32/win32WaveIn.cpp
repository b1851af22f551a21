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
struct WaveInDriver : DriverDevice {
    HWAVEIN driver;
    HANDLE wake;       // an auto-reset event: set to end a wait
    HANDLE driverDone; // the driver's event: set when it fills a buffer
    WAVEHDR buffers[periodCount];
    uint32_t bytes; // of each buffer
    int next;       // the buffer filled next; they come back in order
};

// Returns the driver's record of device.
static WaveInDriver *of(DriverDevice *device) { return static_cast<WaveInDriver *>(device); }

namespace {

// Gives buffer i to the driver to fill.  Returns the driver's result.
MMRESULT addBuffer(WaveInDriver *device, int i) {
    WAVEHDR *buffer = &device->buffers[i];
    buffer->dwBufferLength = device->bytes;
    buffer->dwBytesRecorded = 0;
    buffer->dwFlags = 0;
    MMRESULT result = waveInPrepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) result = waveInAddBuffer(device->driver, buffer, sizeof(WAVEHDR));
    return result;
}

// Gives every buffer to the driver and starts it.  Returns the first failure.
MMRESULT startRecording(WaveInDriver *device) {
    device->next = 0;
    for (int i = 0; i < periodCount; i++)
        if (MMRESULT result = addBuffer(device, i)) return result;
    return waveInStart(device->driver);
}

void freeDevice(WaveInDriver *device) {
    for (WAVEHDR &buffer : device->buffers)
        delete[] buffer.lpData;
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

WaveResult waveInDriverOpen(uint32_t deviceId, const StreamFormat *format, DriverDevice **opened,
                            uint32_t *periodBytes) {
    WaveInDriver *device = new WaveInDriver();
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

int waveInDriverWait(DriverDevice *opened, int timeoutMs) {
    WaveInDriver *device = of(opened);
    if (device->buffers[device->next].dwFlags & WHDR_DONE) return 1;
    HANDLE events[2] = {device->wake, device->driverDone};
    WaitForMultipleObjects(2, events, FALSE, timeoutMs < 0 ? INFINITE : (DWORD)timeoutMs);
    return (device->buffers[device->next].dwFlags & WHDR_DONE) != 0;
}

void waveInDriverWake(DriverDevice *device) { SetEvent(of(device)->wake); }

// Copies the next full buffer out and gives it back to the driver; any
// failure loses the device.
long waveInDriverRead(DriverDevice *opened, char *data, uint32_t bytes) {
    WaveInDriver *device = of(opened);
    WAVEHDR *buffer = &device->buffers[device->next];
    if (!(buffer->dwFlags & WHDR_DONE)) return 0;
    const uint32_t recorded = buffer->dwBytesRecorded < bytes ? buffer->dwBytesRecorded : bytes;
    std::memcpy(data, buffer->lpData, recorded);
    waveInUnprepareHeader(device->driver, buffer, sizeof(WAVEHDR));
    if (addBuffer(device, device->next) != MMSYSERR_NOERROR) return -1;
    device->next = (device->next + 1) % periodCount;
    return (long)recorded;
}

int waveInDriverLives(DriverDevice *) { return 0; }

// The driver counts the samples recorded since the open or the last reset,
// those still in its buffers included.
int waveInDriverPosition(DriverDevice *opened, uint64_t *frames) {
    WaveInDriver *device = of(opened);
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (waveInGetPosition(device->driver, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_SAMPLES)
        return 0;
    *frames = time.u.sample;
    return 1;
}

void waveInDriverDrop(DriverDevice *opened) {
    WaveInDriver *device = of(opened);
    waveInReset(device->driver);
    for (WAVEHDR &buffer : device->buffers)
        waveInUnprepareHeader(device->driver, &buffer, sizeof(WAVEHDR));
    startRecording(device);
}

// A lost driver stays open: closing it may hang.
int waveInDriverClose(DriverDevice *opened, int lost) {
    WaveInDriver *device = of(opened);
    if (lost) return 1;
    waveInReset(device->driver);
    for (WAVEHDR &buffer : device->buffers)
        waveInUnprepareHeader(device->driver, &buffer, sizeof(WAVEHDR));
    waveInClose(device->driver);
    freeDevice(device);
    return 0;
}

const DeviceDriver waveInCapture = {waveInDriverOpen,  waveInDriverWait,     waveInDriverWake,
                                    nullptr,           waveInDriverRead,     waveInDriverDrop,
                                    waveInDriverLives, waveInDriverPosition, waveInDriverClose};

} // namespace

WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    return deviceOpenRecording(&waveInCapture, device, format, callback, handle);
}
