// The wave-output operations on ALSA.
//
// "Open" opens an ALSA playback device through the plug layer, which
// converts and resamples where the hardware cannot (on a desktop the default
// device usually leads to PipeWire or PulseAudio, which resample anyway).  A
// device thread of the open device writes each queued buffer in order with
// blocking writes of one period at a time, and hands every finished buffer
// back to the window thread as MM_WOM_DONE, posted to the callback window.
// The device buffer is kept short (100 ms, against the stream's 250 ms
// buffers), so a buffer that has been handed back has been played, or
// nearly so.  Through PulseAudio a shorter buffer costs CPU: at 50 ms the
// server asks for data so often that playing takes about twice the CPU.
//
// ALSA calls are made by the device thread only, once it runs; the window
// thread reaches the device by queuing headers and by asking the thread to
// reset or to end.  Both threads meet in the device's lock.
#include <alsa/asoundlib.h>

#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

#include "audio/synthesis.h"
#include "platform/waveOut.h"

struct WaveDevice {
    snd_pcm_t *pcm;
    Window callback;                    // receives MM_WOM_* messages
    unsigned frameBytes;                // bytes per sample frame
    snd_pcm_uframes_t chunkFrames;      // frames per blocking write (one period)
    std::thread thread;                 // writes the queue to the device
    std::mutex lock;                    // guards the fields below and header flags
    std::condition_variable wake;       // the device thread waits here for work
    std::condition_variable settled;    // reset and close wait here for the thread
    std::deque<WaveHeader *> queue;     // written and not yet handed back, oldest first
    uint32_t written;                   // bytes of queue.front() already written
    int resetRequested;                 // 1 until the thread has emptied the queue
    int closing;                        // 1: the thread ends
    int failed;                         // 1 after the device failed: writes fail
};

namespace {

const unsigned deviceLatencyUs = 100000; // the device buffer: 100 ms
const unsigned devicePeriods = 2;       // written (and asked for by a server) 50 ms at a time
const char *const defaultDevice = "default";

// ALSA prints its own complaints on standard error; the caller reports
// failures through results instead.
void quietErrorHandler(const char *, int, const char *, int, const char *, ...) {}

// Silences ALSA's error printing, once per process.
void silenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quietErrorHandler); });
}

// Returns the names of the playback devices ALSA lists, without "null".
std::vector<std::string> playbackDevices() {
    std::vector<std::string> names;
    void **hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return names;
    for (void **hint = hints; *hint; hint++) {
        char *name = snd_device_name_get_hint(*hint, "NAME");
        char *direction = snd_device_name_get_hint(*hint, "IOID"); // null: both ways
        if (name && std::strcmp(name, "null") != 0 && (!direction || std::strcmp(direction, "Output") == 0))
            names.push_back(name);
        std::free(name);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    return names;
}

int defaultAnswered;                    // 1 when the last count found the default device

// Returns 1 when the default device can be opened for playback right now.
// Each try connects to the sound server, so enumeration tries once.
int defaultDeviceOpens() {
    silenceAlsa();
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, defaultDevice, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return 0;
    snd_pcm_close(pcm);
    return 1;
}

// Returns the ALSA device name of device (WAVE_MAPPER: the default), or an
// empty string when there is no such device.
std::string deviceName(uint32_t device) {
    if (device == WAVE_MAPPER)
        return defaultDevice;
    std::vector<std::string> names = playbackDevices();
    return device < names.size() ? names[device] : std::string();
}

// Returns the ALSA sample format of a PCM format record, or
// SND_PCM_FORMAT_UNKNOWN for one the backend does not play.
snd_pcm_format_t sampleFormatOf(const StreamFormat *format) {
    if (format->formatTag != 1 || format->channels == 0 || format->samplesPerSec == 0)
        return SND_PCM_FORMAT_UNKNOWN;
    if (format->blockAlign != format->channels * (format->bitsPerSample / 8))
        return SND_PCM_FORMAT_UNKNOWN;
    if (format->bitsPerSample == 16)
        return SND_PCM_FORMAT_S16_LE;
    if (format->bitsPerSample == 8)
        return SND_PCM_FORMAT_U8;
    return SND_PCM_FORMAT_UNKNOWN;
}

// Returns 1 after setting pcm to interleaved sampleFormat, channels and
// exactly rate frames per second, with a buffer of about deviceLatencyUs in
// devicePeriods periods, and storing the period's length in *periodFrames.
// Returns 0 when the device cannot play that.
int configureDevice(snd_pcm_t *pcm, snd_pcm_format_t sampleFormat, unsigned channels, unsigned rate,
                    snd_pcm_uframes_t *periodFrames) {
    snd_pcm_hw_params_t *params;
    snd_pcm_hw_params_alloca(&params);
    unsigned bufferUs = deviceLatencyUs, periods = devicePeriods, actualRate = rate;
    int direction = 0;
    // Resampling in the plug layer lets any device take the rate.
    if (snd_pcm_hw_params_any(pcm, params) < 0 || snd_pcm_hw_params_set_rate_resample(pcm, params, 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, params, sampleFormat) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, params, channels) < 0 ||
        snd_pcm_hw_params_set_rate_near(pcm, params, &actualRate, &direction) < 0)
        return 0;
    // A device may settle on a rate near the one asked for; that would play
    // every formula at the wrong pitch, so it is refused.
    if (actualRate != rate || direction != 0)
        return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_buffer_time_near(pcm, params, &bufferUs, &direction) < 0)
        return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_periods_near(pcm, params, &periods, &direction) < 0 || snd_pcm_hw_params(pcm, params) < 0)
        return 0;
    direction = 0;
    if (snd_pcm_hw_params_get_rate(params, &actualRate, &direction) < 0 || actualRate != rate || direction != 0 ||
        snd_pcm_hw_params_get_period_size(params, periodFrames, &direction) < 0 || *periodFrames == 0)
        return 0;
    return 1;
}

// Marks header handed back and posts its MM_WOM_DONE.  The caller holds the
// device's lock.
void handBack(WaveDevice *device, WaveHeader *header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    postMessage(device->callback, MM_WOM_DONE, (WParam)device, (LParam)header);
}

// Hands back every queued header in order.  The caller holds the lock.
void handBackAll(WaveDevice *device) {
    while (!device->queue.empty()) {
        handBack(device, device->queue.front());
        device->queue.pop_front();
    }
    device->written = 0;
}

// The device thread: writes the front header a period at a time, hands it
// back once all of it is in the device, and serves reset and close.
void deviceThread(WaveDevice *device) {
    std::unique_lock<std::mutex> guard(device->lock);
    for (;;) {
        device->wake.wait(guard, [device] {
            return device->closing || device->resetRequested || !device->queue.empty();
        });
        if (device->resetRequested || device->closing) {
            guard.unlock();
            snd_pcm_drop(device->pcm);  // silence at once
            snd_pcm_prepare(device->pcm);
            guard.lock();
            handBackAll(device);
            device->resetRequested = 0;
            device->settled.notify_all();
            if (device->closing)
                return;
            continue;
        }
        WaveHeader *header = device->queue.front();
        uint32_t left = header->dwBufferLength - device->written;
        snd_pcm_uframes_t frames = left / device->frameBytes;
        if (frames > device->chunkFrames)
            frames = device->chunkFrames;
        const char *data = header->lpData + device->written;
        snd_pcm_sframes_t result = 0;
        if (frames > 0) {
            guard.unlock();
            result = snd_pcm_writei(device->pcm, data, frames);
            // An underrun (the window thread fell behind) or a suspend is
            // recovered by preparing the device again; the rest of the same
            // buffer is then written.
            if (result < 0)
                result = snd_pcm_recover(device->pcm, (int)result, 1) < 0 ? -1 : 0;
            guard.lock();
        }
        if (device->resetRequested || device->closing)
            continue;                   // the queue is handed back above
        if (result < 0) {
            device->failed = 1;         // later writes fail; the stream drains
            handBackAll(device);
            continue;
        }
        device->written += (uint32_t)result * device->frameBytes;
        if (frames == 0 || header->dwBufferLength - device->written < device->frameBytes) {
            device->queue.pop_front();  // all of it is in the device
            device->written = 0;
            handBack(device, header);
        }
    }
}

// Asks the device thread to drop what it plays and hand every queued header
// back, and waits until it has.  Then the device is idle.
void resetDevice(WaveDevice *device, int close) {
    std::unique_lock<std::mutex> guard(device->lock);
    device->resetRequested = 1;
    device->closing = close;
    device->wake.notify_one();
    device->settled.wait(guard, [device] { return device->resetRequested == 0; });
}

} // namespace

// Returns the number of playback devices, or 0 when the default device cannot
// be opened: then no device is usable.
uint32_t waveDeviceCount() {
    defaultAnswered = defaultDeviceOpens();
    if (!defaultAnswered)
        return 0;
    size_t count = playbackDevices().size();
    return count ? (uint32_t)count : 1;
}

WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    if (!caps || size < sizeof(WaveOutCaps))
        return WaveErrorGeneric;
    std::string name = deviceName(device);
    // The default device answers when the count before found it.
    if (name.empty() || (device == WAVE_MAPPER && !defaultAnswered))
        return WaveErrorBadDevice;
    std::memset(caps, 0, sizeof *caps);
    std::strncpy(caps->szPname, name.c_str(), sizeof caps->szPname - 1);
    caps->wChannels = 2;
    return WaveOk;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    snd_pcm_format_t sampleFormat = sampleFormatOf(format);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN)
        return WaveErrorBadFormat;
    std::string name = deviceName(device);
    if (name.empty())
        return WaveErrorBadDevice;
    snd_pcm_t *pcm = nullptr;
    int error = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error < 0)
        return error == -EBUSY ? WaveErrorAllocated : WaveErrorBadDevice;
    snd_pcm_uframes_t periodFrames = 0;
    if (!configureDevice(pcm, sampleFormat, format->channels, format->samplesPerSec, &periodFrames)) {
        snd_pcm_close(pcm);
        return WaveErrorBadFormat;
    }

    WaveDevice *opened = new WaveDevice();
    opened->pcm = pcm;
    opened->callback = callback;
    opened->frameBytes = format->blockAlign;
    opened->chunkFrames = periodFrames;
    opened->thread = std::thread(deviceThread, opened);
    *handle = opened;
    postMessage(callback, MM_WOM_OPEN, (WParam)opened, 0);
    return WaveOk;
}

WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle)
        return WaveErrorInvalidHandle;
    if (!header || !header->lpData || size < sizeof(WaveHeader))
        return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    header->dwFlags |= WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle)
        return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader))
        return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    if (!(header->dwFlags & WHDR_PREPARED))
        return WaveErrorUnprepared;
    if (header->dwFlags & WHDR_INQUEUE)
        return WaveErrorStillPlaying;
    if (handle->failed)
        return WaveErrorGeneric;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    handle->queue.push_back(header);
    handle->wake.notify_one();
    return WaveOk;
}

WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle)
        return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader))
        return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    if (header->dwFlags & WHDR_INQUEUE)
        return WaveErrorStillPlaying;
    header->dwFlags &= ~WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveReset(WaveOutHandle handle) {
    if (!handle)
        return WaveErrorInvalidHandle;
    resetDevice(handle, 0);
    return WaveOk;
}

// Closes the device; buffers still queued are handed back first.
WaveResult waveClose(WaveOutHandle handle) {
    if (!handle)
        return WaveErrorInvalidHandle;
    resetDevice(handle, 1);
    handle->thread.join();
    snd_pcm_close(handle->pcm);
    postMessage(handle->callback, MM_WOM_CLOSE, (WParam)handle, 0);
    delete handle;
    return WaveOk;
}

void *waveAllocBlock(uint32_t size) { return std::malloc(size ? size : 1); }

void *waveFreeBlock(void *block) {
    std::free(block);
    return nullptr;
}

void waveYield() { sched_yield(); }
