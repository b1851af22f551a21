// The wave-output operations on ALSA: the ALSA driver of the device core
// (platform/deviceCore.h), which owns the device thread.
//
// "Open" opens an ALSA playback device through the plug layer, which
// converts and resamples where the hardware cannot (on a desktop the default
// device usually leads to PipeWire or PulseAudio, which resample anyway);
// alsaDevice.cpp sets the device up.
//
// Through the pulse plugin almost every ALSA call can wait on the sound
// server: opening waits for the connection, configuring for the server's
// stream, a blocking write for room, and even a drop for the server's
// answer, and a server that is stopped (a suspended machine, a sink that went
// away, a server restarting) answers never.  So every call here but wake runs
// on the core's device thread, which the window thread waits for only with a
// bound.  The driver writes without blocking and waits in poll on the
// device's descriptors and on a wake-up descriptor of its own (an eventfd),
// which wake signals.
#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/deviceCore.h"
#include "platform/linux/alsaDevice.h"
#include "platform/streamFormat.h"
#include "platform/waveOut.h"

// The driver's record of an open device.
struct AlsaOutput : OpenedDevice {
    snd_pcm_t *pcm;
    unsigned frameBytes;
    int wakeFd;     // an eventfd: written to end a wait
    int lastError;  // the failure of the last write, for lives
    uint64_t moved; // frames written since the open or the last drop
};

// Returns the driver's record of device.
static AlsaOutput *of(OpenedDevice *device) { return static_cast<AlsaOutput *>(device); }

namespace {

const int countWaitMs = 2000; // the count gives up on a default device that takes longer to open

std::atomic<uint32_t> underrunCount{0}; // underruns seen by every device of the process

int defaultAnswered; // 1 when the last count found the default device

WaveResult alsaPlaybackOpen(uint32_t device, const StreamFormat *format, OpenedDevice **opened, uint32_t *periodBytes) {
    const snd_pcm_format_t sampleFormat = sampleFormatOf(format);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    const std::string name = deviceName(device, SND_PCM_STREAM_PLAYBACK);
    if (name.empty()) return WaveErrorBadDevice;
    snd_pcm_t *pcm = nullptr;
    const int error = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error < 0) return error == -EBUSY ? WaveErrorAllocated : WaveErrorBadDevice;
    snd_pcm_uframes_t periodFrames = 0;
    // Writes wait in poll, never in ALSA.
    if (!configureDevice(pcm, sampleFormat, format->channels, format->samplesPerSec, &periodFrames) ||
        snd_pcm_nonblock(pcm, 1) < 0) {
        snd_pcm_close(pcm);
        return WaveErrorBadFormat;
    }
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        snd_pcm_close(pcm);
        return WaveErrorNoMemory;
    }
    *opened = new AlsaOutput{{}, pcm, format->blockAlign, wakeFd, 0, 0};
    *periodBytes = (uint32_t)(periodFrames * format->blockAlign);
    return WaveOk;
}

// Waits in poll on the wake-up descriptor and the device's; an error
// counts as ready, and the write finds out what is wrong.
int alsaPlaybackWait(OpenedDevice *opened, int timeoutMs) {
    AlsaOutput *device = of(opened);
    return waitForDevice(device->pcm, device->wakeFd, POLLOUT, timeoutMs);
}

void alsaPlaybackWake(OpenedDevice *device) { wakeDevice(of(device)->wakeFd); }

long alsaPlaybackWrite(OpenedDevice *opened, const char *data, uint32_t bytes) {
    AlsaOutput *device = of(opened);
    const snd_pcm_sframes_t result = snd_pcm_writei(device->pcm, data, bytes / device->frameBytes);
    if (result > 0) {
        device->moved += (uint64_t)result;
        return (long)result * device->frameBytes;
    }
    if (result == -EAGAIN || result == 0) return 0;
    device->lastError = (int)result;
    return -1;
}

int alsaPlaybackPosition(OpenedDevice *opened, uint64_t *frames) {
    AlsaOutput *device = of(opened);
    return streamPosition(device->pcm, device->moved, 0, frames);
}

// An underrun (the window thread fell behind) or a suspend is recovered by
// preparing the device again; the rest of the period is then written.
// Anything recovery cannot mend loses the device.  A lost server reports
// EPIPE too, which no recovery mends, so only a mended EPIPE is an underrun.
int alsaPlaybackLives(OpenedDevice *opened) {
    AlsaOutput *device = of(opened);
    if (snd_pcm_recover(device->pcm, device->lastError, 1) < 0) return 0;
    if (device->lastError == -EPIPE) underrunCount++;
    return 1;
}

void alsaPlaybackDrop(OpenedDevice *opened) {
    AlsaOutput *device = of(opened);
    snd_pcm_drop(device->pcm); // silence at once
    snd_pcm_prepare(device->pcm);
    device->moved = 0;
}

// A lost device is closed all the same: a device thread held in ALSA harms
// nothing at the end of the process.
int alsaPlaybackClose(OpenedDevice *opened, int) {
    AlsaOutput *device = of(opened);
    snd_pcm_drop(device->pcm);
    snd_pcm_close(device->pcm);
    close(device->wakeFd);
    delete device;
    return 0;
}

const DeviceCalls alsaPlayback = {
    .direction = DevicePlayback,
    .open = alsaPlaybackOpen,
    .wait = alsaPlaybackWait,
    .wake = alsaPlaybackWake,
    .write = alsaPlaybackWrite,
    .drop = alsaPlaybackDrop,
    .lives = alsaPlaybackLives,
    .position = alsaPlaybackPosition,
    .close = alsaPlaybackClose,
};

// Returns 1 when the default device can be opened for playback right now,
// asked on a thread and given up after countWaitMs.  Each try connects to
// the sound server, so enumeration tries once.
int defaultDeviceOpens() {
    silenceAlsa();
    std::shared_ptr<int> opens = std::make_shared<int>(0);
    const int answered = runBounded(
        [opens] {
            snd_pcm_t *pcm = nullptr;
            if (snd_pcm_open(&pcm, defaultDevice, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
            snd_pcm_close(pcm);
            *opens = 1;
        },
        countWaitMs);
    return answered && *opens;
}

} // namespace

// Returns the number of playback devices, or 0 when the default device cannot
// be opened: then no device is usable.
uint32_t waveDeviceCount() {
    defaultAnswered = defaultDeviceOpens();
    if (!defaultAnswered) return 0;
    size_t count = streamDevices(SND_PCM_STREAM_PLAYBACK).size();
    return count ? (uint32_t)count : 1;
}

WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    if (!caps || size < sizeof(WaveOutCaps)) return WaveErrorGeneric;
    std::string name = deviceName(device, SND_PCM_STREAM_PLAYBACK);
    // The default device answers when the count before found it.
    if (name.empty() || (device == WAVE_MAPPER && !defaultAnswered)) return WaveErrorBadDevice;
    // Only the name is known: ALSA tells no maker, product, driver version,
    // standard formats or optional functions, and the plug layer converts the
    // channels, so the device's own count is not known either.  Every field
    // but the name stays 0, which here means "not known", not "none"; the
    // stream only asks whether the device answers.
    std::memset(caps, 0, sizeof *caps);
    std::strncpy(caps->szPname, name.c_str(), sizeof caps->szPname - 1);
    return WaveOk;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    if (!format || sampleFormatOf(format) == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    return deviceOpen(&alsaPlayback, device, format, callback, handle);
}

uint32_t waveUnderrunCount() { return underrunCount.load(); }

void *waveAllocBlock(uint32_t size) { return std::malloc(size ? size : 1); }

void *waveFreeBlock(void *block) {
    std::free(block);
    return nullptr;
}

// A device thread held in ALSA at exit harms nothing.
int waveProcessExit(int exitCode) { return exitCode; }
