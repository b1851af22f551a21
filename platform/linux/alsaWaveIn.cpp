// The wave-input operations on ALSA: the capture driver of the device core
// (platform/deviceCore.h), which owns the device thread.
//
// As for playback, every ALSA call can wait on the sound server, so all but
// wake run on the core's device thread; the driver reads without blocking
// and waits in poll on the device's descriptors and an eventfd of its own.
// A capture device must be started by hand: it starts at open, and again
// after every recovery or drop, which leave it merely prepared.
#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/deviceCore.h"
#include "platform/linux/alsaDevice.h"
#include "platform/streamFormat.h"
#include "platform/waveIn.h"

// The driver's record of an open device.
struct AlsaInput : OpenedDevice {
    snd_pcm_t *pcm;
    unsigned frameBytes;
    int wakeFd;     // an eventfd: written to end a wait
    int lastError;  // the failure of the last read, for lives
    uint64_t moved; // frames read since the open or the last drop
};

// Returns the driver's record of device.
static AlsaInput *of(OpenedDevice *device) { return static_cast<AlsaInput *>(device); }

namespace {

// The capture buffer: 2 s.  A sound server hands a record stream its data in
// bursts as long as its own latency, and the pulse plugin counts a burst
// larger than the buffer as an overrun, whose recovery throws away what the
// server holds: with 400 ms the first second of a recording was lost.
const unsigned captureBufferUs = 2000000;
// In periods of 20 ms.  The period is the latency a server's record stream
// asks for, and a server mixes a sink in blocks of the shortest latency any
// of its streams asks for, handing each block to the sink's monitor as it
// mixes it: a recording of a null sink's monitor ran 49 ms ahead of what
// the sink was said to play at 50 ms periods, 99 ms at 100 ms, 19 ms at 20.
const unsigned capturePeriods = 100;

// Returns whether the device name can record at all: 16-bit stereo at
// 48 kHz, which every input takes.  The pulse plugin opens even with no
// source behind it and fails only when it is configured, so a refused format
// says nothing by itself.
int deviceTakesAnything(const std::string &name) {
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, 0) < 0) return 0;
    snd_pcm_uframes_t periodFrames = 0;
    const int takes =
        configureDevice(pcm, SND_PCM_FORMAT_S16_LE, 2, 48000, &periodFrames, captureBufferUs, capturePeriods);
    snd_pcm_close(pcm);
    return takes;
}

WaveResult alsaCaptureOpen(uint32_t device, const StreamFormat *format, OpenedDevice **opened, uint32_t *periodBytes) {
    const snd_pcm_format_t sampleFormat = sampleFormatOf(format);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    const std::string name = deviceName(device, SND_PCM_STREAM_CAPTURE);
    if (name.empty()) return WaveErrorBadDevice;
    snd_pcm_t *pcm = nullptr;
    const int error = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, 0);
    if (error < 0) return error == -EBUSY ? WaveErrorAllocated : WaveErrorBadDevice;
    snd_pcm_uframes_t periodFrames = 0;
    if (!configureDevice(pcm, sampleFormat, format->channels, format->samplesPerSec, &periodFrames, captureBufferUs,
                         capturePeriods) ||
        snd_pcm_nonblock(pcm, 1) < 0) {
        snd_pcm_close(pcm);
        return deviceTakesAnything(name) ? WaveErrorBadFormat : WaveErrorBadDevice;
    }
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0 || snd_pcm_start(pcm) < 0) {
        if (wakeFd >= 0) close(wakeFd);
        snd_pcm_close(pcm);
        return wakeFd < 0 ? WaveErrorNoMemory : WaveErrorGeneric;
    }
    *opened = new AlsaInput{{}, pcm, format->blockAlign, wakeFd, 0, 0};
    *periodBytes = (uint32_t)(periodFrames * format->blockAlign);
    return WaveOk;
}

// Waits in poll on the wake-up descriptor and the device's; an error
// counts as ready, and the read finds out what is wrong.
int alsaCaptureWait(OpenedDevice *opened, int timeoutMs) {
    AlsaInput *device = of(opened);
    return waitForDevice(device->pcm, device->wakeFd, POLLIN, timeoutMs);
}

void alsaCaptureWake(OpenedDevice *device) { wakeDevice(of(device)->wakeFd); }

long alsaCaptureRead(OpenedDevice *opened, char *data, uint32_t bytes) {
    AlsaInput *device = of(opened);
    const snd_pcm_sframes_t result = snd_pcm_readi(device->pcm, data, bytes / device->frameBytes);
    if (result > 0) {
        device->moved += (uint64_t)result;
        return (long)result * device->frameBytes;
    }
    if (result == -EAGAIN || result == 0) return 0;
    device->lastError = (int)result;
    return -1;
}

int alsaCapturePosition(OpenedDevice *opened, uint64_t *frames) {
    AlsaInput *device = of(opened);
    return streamPosition(device->pcm, device->moved, 1, frames);
}

// An overrun (nobody read in time) or a suspend is recovered, and the
// device started again; anything else loses it.
int alsaCaptureLives(OpenedDevice *opened) {
    AlsaInput *device = of(opened);
    if (snd_pcm_recover(device->pcm, device->lastError, 1) < 0) return 0;
    return snd_pcm_start(device->pcm) >= 0 || snd_pcm_state(device->pcm) == SND_PCM_STATE_RUNNING;
}

void alsaCaptureDrop(OpenedDevice *opened) {
    AlsaInput *device = of(opened);
    snd_pcm_drop(device->pcm);
    snd_pcm_prepare(device->pcm);
    snd_pcm_start(device->pcm);
    device->moved = 0;
}

int alsaCaptureClose(OpenedDevice *opened, int) {
    AlsaInput *device = of(opened);
    snd_pcm_drop(device->pcm);
    snd_pcm_close(device->pcm);
    close(device->wakeFd);
    delete device;
    return 0;
}

const DeviceCalls alsaCapture = {
    .direction = DeviceCapture,
    .open = alsaCaptureOpen,
    .wait = alsaCaptureWait,
    .wake = alsaCaptureWake,
    .read = alsaCaptureRead,
    .drop = alsaCaptureDrop,
    .lives = alsaCaptureLives,
    .position = alsaCapturePosition,
    .close = alsaCaptureClose,
};

} // namespace

WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    if (!format || sampleFormatOf(format) == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    return deviceOpenRecording(&alsaCapture, device, format, callback, handle);
}
