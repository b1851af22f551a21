// The winmm driver: see win32WaveDevice.h.
//
// A driver whose sound server is stopped (a suspended machine, a remote
// session, a Bluetooth sink that hangs) can keep any winmm call waiting as
// long as the server is away: every call but wake runs on the core's device
// thread, and a lost device, which may hang in reset and close too, is left
// open with its buffers (the process then ends without the sound system's
// clean-up: win32ProcessExit.cpp).  The buffers are the device's own, so a
// header the core handed back is never touched again.  No winmm result tells
// of a driver that just stops calling back: the core's watchdog sees a
// device that moves no data.
#include "platform/win32/win32WaveDevice.h"

#include <windows.h>

#include <mmreg.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstring>

#include "platform/streamFormat.h"

// The format is the platform's, field for field.
static_assert(offsetof(StreamFormat, avgBytesPerSec) == offsetof(WAVEFORMATEX, nAvgBytesPerSec),
              "StreamFormat is WAVEFORMATEX");
static_assert(offsetof(StreamFormat, extraSize) == offsetof(WAVEFORMATEX, cbSize), "StreamFormat is WAVEFORMATEX");

const int periodCount = 4;     // buffers the driver may hold
const uint32_t periodMs = 100; // each: 400 ms in the driver, as on ALSA

// An open waveOut or waveIn device: the driver's record of it.
struct WinmmDevice : OpenedDevice {
    int playback;      // 1: waveOut, 0: waveIn
    HWAVEOUT output;   // the driver, for playback
    HWAVEIN input;     // the driver, for capture
    HANDLE wake;       // an auto-reset event: set to end a wait
    HANDLE driverDone; // the driver's event: set when it hands a buffer back
    WAVEHDR buffers[periodCount];
    int held[periodCount]; // 1 while the driver holds the buffer
    uint32_t bytes;        // of each buffer
    int next;              // the buffer that comes back next
};

namespace {

WinmmDevice *deviceOf(OpenedDevice *device) { return static_cast<WinmmDevice *>(device); }

// Gives buffer i, bytes long, to the driver to play (or fill); marks it held.
// Returns the driver's result.
MMRESULT give(WinmmDevice *device, int i, uint32_t bytes) {
    WAVEHDR *buffer = &device->buffers[i];
    buffer->dwBufferLength = bytes;
    buffer->dwBytesRecorded = 0;
    buffer->dwFlags = 0;
    device->held[i] = 1;
    MMRESULT result = device->playback ? waveOutPrepareHeader(device->output, buffer, sizeof *buffer)
                                       : waveInPrepareHeader(device->input, buffer, sizeof *buffer);
    if (result == MMSYSERR_NOERROR)
        result = device->playback ? waveOutWrite(device->output, buffer, sizeof *buffer)
                                  : waveInAddBuffer(device->input, buffer, sizeof *buffer);
    return result;
}

// Takes buffer i back when the driver is done with it.  Returns 1 when the
// buffer is free: to be written, or read (full).
int takeBack(WinmmDevice *device, int i) {
    WAVEHDR *buffer = &device->buffers[i];
    if (device->held[i] && (buffer->dwFlags & WHDR_DONE)) {
        device->playback ? waveOutUnprepareHeader(device->output, buffer, sizeof *buffer)
                         : waveInUnprepareHeader(device->input, buffer, sizeof *buffer);
        device->held[i] = 0;
    }
    return !device->held[i];
}

// Gives every buffer to a capture driver and starts it.  Returns the first failure.
MMRESULT startRecording(WinmmDevice *device) {
    device->next = 0;
    for (int i = 0; i < periodCount; i++)
        if (MMRESULT result = give(device, i, device->bytes)) return result;
    return waveInStart(device->input);
}

// Stops the driver, which hands every buffer back, and takes them.
void reset(WinmmDevice *device) {
    device->playback ? waveOutReset(device->output) : waveInReset(device->input);
    for (int i = 0; i < periodCount; i++)
        takeBack(device, i);
}

void freeDevice(WinmmDevice *device) {
    for (WAVEHDR &buffer : device->buffers)
        delete[] buffer.lpData;
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

// A lost driver stays open: closing it may hang.
int winmmClose(OpenedDevice *opened, int lost) {
    WinmmDevice *device = deviceOf(opened);
    if (lost) return 1;
    reset(device);
    device->playback ? waveOutClose(device->output) : waveInClose(device->input);
    freeDevice(device);
    return 0;
}

// Fills platform with format: the plain wave format, or for more than two
// channels the extensible one with their speakers, which winmm needs to
// tell which channel feeds which speaker.  Returns nothing.
void platformFormatOf(const StreamFormat *format, WAVEFORMATEXTENSIBLE *platform) {
    std::memset(platform, 0, sizeof *platform);
    std::memcpy(&platform->Format, format, sizeof platform->Format);
    if (format->channels <= 2) return;
    platform->Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    platform->Format.cbSize = sizeof *platform - sizeof platform->Format;
    platform->Samples.wValidBitsPerSample = format->bitsPerSample;
    platform->dwChannelMask = speakerMask(format->channels);
    // KSDATAFORMAT_SUBTYPE_PCM, spelled out: the header's constant needs a
    // library of GUIDs at link time.
    platform->SubFormat = GUID{0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

// The devices WAVE_MAPPER opens, playback's and capture's.
uint32_t chosenDevices[2] = {WAVE_MAPPER, WAVE_MAPPER};

// Opens deviceId in format for direction (waveOut or waveIn, which records
// at once).  Returns WaveOk with *opened and *periodBytes set, or the
// driver's failure.
WaveResult winmmOpen(DeviceDirection direction, uint32_t deviceId, const StreamFormat *format, OpenedDevice **opened,
                     uint32_t *periodBytes) {
    const int playback = direction == DevicePlayback;
    if (deviceId == WAVE_MAPPER) deviceId = chosenDevices[!playback];
    WinmmDevice *device = new WinmmDevice();
    device->playback = playback;
    device->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    device->driverDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const uint32_t frameBytes = format->blockAlign ? format->blockAlign : 1;
    device->bytes = (format->avgBytesPerSec * periodMs / 1000 + frameBytes - 1) / frameBytes * frameBytes;
    for (WAVEHDR &buffer : device->buffers)
        buffer.lpData = new char[device->bytes];
    WAVEFORMATEXTENSIBLE platformFormat;
    platformFormatOf(format, &platformFormat);
    WAVEFORMATEX *const given = &platformFormat.Format;
    const DWORD_PTR event = (DWORD_PTR)device->driverDone;
    MMRESULT result = MMSYSERR_NOMEM;
    if (device->wake && device->driverDone)
        result = playback ? waveOutOpen(&device->output, (UINT)deviceId, given, event, 0, CALLBACK_EVENT)
                          : waveInOpen(&device->input, (UINT)deviceId, given, event, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        freeDevice(device);
        return result;
    }
    if (!playback && (result = startRecording(device)) != MMSYSERR_NOERROR) {
        winmmClose(device, 0);
        return result;
    }
    *opened = device;
    *periodBytes = device->bytes;
    return WaveOk;
}

int winmmWait(OpenedDevice *opened, int timeoutMs) {
    WinmmDevice *device = deviceOf(opened);
    if (takeBack(device, device->next)) return 1;
    HANDLE events[2] = {device->wake, device->driverDone};
    WaitForMultipleObjects(2, events, FALSE, timeoutMs < 0 ? INFINITE : (DWORD)timeoutMs);
    return takeBack(device, device->next);
}

void winmmWake(OpenedDevice *device) { SetEvent(deviceOf(device)->wake); }

// Copies the period into the next free buffer.  Any failed write (or read)
// loses the device: the calls name no lives.
long winmmPlaybackWrite(OpenedDevice *opened, const char *data, uint32_t bytes) {
    WinmmDevice *device = deviceOf(opened);
    if (!takeBack(device, device->next)) return 0;
    std::memcpy(device->buffers[device->next].lpData, data, bytes);
    if (give(device, device->next, bytes) != MMSYSERR_NOERROR) return -1;
    device->next = (device->next + 1) % periodCount;
    return (long)bytes;
}

// Copies the next full buffer out and gives it back to the driver.
long winmmCaptureRead(OpenedDevice *opened, char *data, uint32_t bytes) {
    WinmmDevice *device = deviceOf(opened);
    if (!takeBack(device, device->next)) return 0;
    const WAVEHDR *buffer = &device->buffers[device->next];
    const uint32_t recorded = buffer->dwBytesRecorded < bytes ? buffer->dwBytesRecorded : bytes;
    std::memcpy(data, buffer->lpData, recorded);
    if (give(device, device->next, device->bytes) != MMSYSERR_NOERROR) return -1;
    device->next = (device->next + 1) % periodCount;
    return (long)recorded;
}

// A capture driver records again after its reset.
void winmmDrop(OpenedDevice *opened) {
    WinmmDevice *device = deviceOf(opened);
    reset(device);
    if (!device->playback) startRecording(device);
}

// The driver counts the samples played (or recorded, those in its buffers
// too) since the open or the last reset.
int winmmPosition(OpenedDevice *opened, uint64_t *frames) {
    WinmmDevice *device = deviceOf(opened);
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    const MMRESULT result = device->playback ? waveOutGetPosition(device->output, &time, sizeof time)
                                             : waveInGetPosition(device->input, &time, sizeof time);
    if (result != MMSYSERR_NOERROR || time.wType != TIME_SAMPLES) return 0;
    *frames = time.u.sample;
    return 1;
}

} // namespace

const DeviceCalls winmmPlayback = {.direction = DevicePlayback,
                                   .open = winmmOpen,
                                   .wait = winmmWait,
                                   .wake = winmmWake,
                                   .write = winmmPlaybackWrite,
                                   .drop = winmmDrop,
                                   .position = winmmPosition,
                                   .close = winmmClose};
const DeviceCalls winmmCapture = {.direction = DeviceCapture,
                                  .open = winmmOpen,
                                  .wait = winmmWait,
                                  .wake = winmmWake,
                                  .read = winmmCaptureRead,
                                  .drop = winmmDrop,
                                  .position = winmmPosition,
                                  .close = winmmClose};

void chooseWinmmDevice(DeviceDirection direction, uint32_t deviceId) {
    chosenDevices[direction != DevicePlayback] = deviceId;
}

int winmmTakes(DeviceDirection direction, const StreamFormat *format) {
    WAVEFORMATEXTENSIBLE platformFormat;
    platformFormatOf(format, &platformFormat);
    const UINT id = (UINT)chosenDevices[direction != DevicePlayback];
    const MMRESULT result = direction == DevicePlayback
                                ? waveOutOpen(nullptr, id, &platformFormat.Format, 0, 0, WAVE_FORMAT_QUERY)
                                : waveInOpen(nullptr, id, &platformFormat.Format, 0, 0, WAVE_FORMAT_QUERY);
    return result == MMSYSERR_NOERROR;
}
