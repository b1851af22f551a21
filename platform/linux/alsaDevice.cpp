// The ALSA driver: see alsaDevice.h.
//
// Through the pulse plugin almost any ALSA call (open, configure, read,
// write, even drop) can wait on the sound server, and a stopped server (a
// suspended machine, a sink gone, a restart) answers never: every call but
// wake runs on the core's device thread.  A stream moves without blocking and
// waits in poll on its descriptors and an eventfd of its own, which wake
// signals.  A capture stream must be started by hand: at open, and again
// after every drop or recovery, which leave it merely prepared.
#include "platform/linux/alsaDevice.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/streamFormat.h"
#include "platform/waveOut.h"

const char *const defaultDevice = "default";

// An open stream, playback or capture: the driver's record of a device.
struct AlsaStream : OpenedDevice {
    snd_pcm_t *pcm;
    int capture; // 1: a capture stream
    unsigned frameBytes;
    int wakeFd;     // an eventfd: written to end a wait
    int lastError;  // the failure of the last write or read, for lives
    uint64_t moved; // frames written (or read) since the open or the last drop
    // Where each channel of a frame lies in the device's frame, when the
    // device orders them otherwise; empty when they lie as they are.
    std::vector<unsigned> order;
    std::vector<char> reordered; // a write's or read's frames in the device's order
};

namespace {

// Playback: 400 ms in two periods, so a buffer handed back (of the stream's
// three of 250 ms) is played within that.  Through PulseAudio each period
// wakes the device thread and libpulse's own: at 50 ms 64 and 34 times a
// second, at 200 ms 13 and 11.  A stop drops the device: it waits for none.
const unsigned playbackBufferUs = 400000, playbackPeriods = 2;
// Capture: 2 s.  A server hands a record stream bursts as long as its
// latency, and the pulse plugin takes one larger than the buffer for an
// overrun, whose recovery drops what the server holds (with 400 ms the first
// second was lost).  In periods of 20 ms: a server mixes a sink in blocks of
// the shortest latency its streams ask for, so a recording of a null sink's
// monitor ran a period ahead of the sink's clock (49 ms at 50 ms, 19 at 20).
const unsigned captureBufferUs = 2000000, capturePeriods = 100;

std::atomic<uint32_t> underrunCount{0}; // underruns seen by every device of the process

AlsaStream *streamOf(OpenedDevice *device) { return static_cast<AlsaStream *>(device); }

// ALSA's position of each channel of a frame, in the order of
// channelSpeakers (platform/streamFormat.h).
const unsigned alsaPositions[] = {SND_CHMAP_FL, SND_CHMAP_FR, SND_CHMAP_FC, SND_CHMAP_LFE,
                                  SND_CHMAP_RL, SND_CHMAP_RR, SND_CHMAP_SL, SND_CHMAP_SR};
static_assert(sizeof alsaPositions / sizeof alsaPositions[0] == maxStreamChannels, "a position for every speaker");

// ALSA's own order of the speakers of 4, 5, 6 and 8 channels, where a
// device cannot tell its map: its 5.1 is FL FR RL RR FC LFE.
const unsigned alsaDefaultPositions[] = {SND_CHMAP_FL, SND_CHMAP_FR,  SND_CHMAP_RL, SND_CHMAP_RR,
                                         SND_CHMAP_FC, SND_CHMAP_LFE, SND_CHMAP_SL, SND_CHMAP_SR};

// Returns where each of channels channels of a frame lies in the frames of
// pcm (configured), or an empty order when they lie as they are or no place
// is known for every one.  A device that takes a channel map is given the
// frame's own; one that tells its map is taken at its word; the pulse
// plugin does neither and orders 5.1 and 7.1 as ALSA does (without the
// order the front centre played on the back left).
std::vector<unsigned> channelOrder(snd_pcm_t *pcm, unsigned channels) {
    if (channels < 2 || channels > maxStreamChannels) return {};
    std::vector<unsigned> wanted(1 + channels);
    wanted[0] = channels;
    std::memcpy(wanted.data() + 1, alsaPositions, channels * sizeof(unsigned));
    if (snd_pcm_set_chmap(pcm, (const snd_pcm_chmap_t *)(const void *)wanted.data()) == 0) return {};
    snd_pcm_chmap_t *map = snd_pcm_get_chmap(pcm);
    const unsigned *device = map ? map->pos : alsaDefaultPositions;
    const int known = map ? map->channels == channels : channels == 4 || channels == 5 || channels >= 6;
    std::vector<unsigned> order;
    for (unsigned c = 0; known && c < channels; c++)
        for (unsigned d = 0; d < channels; d++)
            if (device[d] == alsaPositions[c]) {
                order.push_back(d);
                break;
            }
    std::free(map);
    int moved = 0;
    for (unsigned c = 0; c < order.size(); c++)
        moved |= order[c] != c;
    return order.size() == channels && moved ? order : std::vector<unsigned>();
}

// Copies frames frames of stream's channels from `from` to `to`, each
// sample of channel c to place order[c] (toDevice) or back from it.
void reorderFrames(const AlsaStream *stream, char *to, const char *from, size_t frames, int toDevice) {
    const size_t channels = stream->order.size(), sampleBytes = stream->frameBytes / channels;
    for (size_t i = 0; i < frames; i++, to += stream->frameBytes, from += stream->frameBytes)
        for (size_t c = 0; c < channels; c++) {
            const size_t d = stream->order[c];
            std::memcpy(to + (toDevice ? d : c) * sampleBytes, from + (toDevice ? c : d) * sampleBytes, sampleBytes);
        }
}

// Keeps ALSA's complaints off standard error: results report the failures.
void quietErrorHandler(const char *, int, const char *, int, const char *, ...) {}

// Returns 1 after setting pcm to interleaved sampleFormat, channels and
// exactly rate frames per second, with a buffer of about bufferUs in about
// periods periods, storing the period's length in *periodFrames; else 0.
int configureDevice(snd_pcm_t *pcm, snd_pcm_format_t sampleFormat, unsigned channels, unsigned rate,
                    snd_pcm_uframes_t *periodFrames, unsigned bufferUs, unsigned periods) {
    snd_pcm_hw_params_t *params;
    snd_pcm_hw_params_alloca(&params);
    unsigned actualRate = rate;
    int direction = 0;
    // Resampling in the plug layer lets any device take the rate.
    if (snd_pcm_hw_params_any(pcm, params) < 0 || snd_pcm_hw_params_set_rate_resample(pcm, params, 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, params, sampleFormat) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, params, channels) < 0 ||
        snd_pcm_hw_params_set_rate_near(pcm, params, &actualRate, &direction) < 0)
        return 0;
    // A rate near the one asked for would play every formula at the wrong
    // pitch, so it is refused.
    if (actualRate != rate || direction != 0) return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_buffer_time_near(pcm, params, &bufferUs, &direction) < 0) return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_periods_near(pcm, params, &periods, &direction) < 0 || snd_pcm_hw_params(pcm, params) < 0)
        return 0;
    direction = 0;
    return snd_pcm_hw_params_get_rate(params, &actualRate, &direction) >= 0 && actualRate == rate && direction == 0 &&
           snd_pcm_hw_params_get_period_size(params, periodFrames, &direction) >= 0 && *periodFrames != 0;
}

// Returns whether the capture device name records 16-bit stereo at 48 kHz,
// which every input takes.  The pulse plugin opens with no source behind it
// and fails only when configured, so a refused format says nothing alone.
int recordsAnything(const std::string &name) {
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, 0) < 0) return 0;
    snd_pcm_uframes_t periodFrames = 0;
    const int takes =
        configureDevice(pcm, SND_PCM_FORMAT_S16_LE, 2, 48000, &periodFrames, captureBufferUs, capturePeriods);
    snd_pcm_close(pcm);
    return takes;
}

// Opens device in format for direction.  Returns WaveOk with *opened and
// *periodBytes set, or WaveErrorBadFormat, WaveErrorBadDevice (none, or no
// source), WaveErrorAllocated (busy), WaveErrorNoMemory or WaveErrorGeneric.
WaveResult alsaOpen(DeviceDirection direction, uint32_t device, const StreamFormat *format, OpenedDevice **opened,
                    uint32_t *periodBytes) {
    const int capture = direction == DeviceCapture;
    const snd_pcm_stream_t stream = capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    const unsigned bufferUs = capture ? captureBufferUs : playbackBufferUs;
    const unsigned periods = capture ? capturePeriods : playbackPeriods;
    const snd_pcm_format_t sampleFormat = sampleFormatOf(format);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    const std::string name = deviceName(device, stream);
    if (name.empty()) return WaveErrorBadDevice;
    snd_pcm_t *pcm = nullptr;
    const int error = snd_pcm_open(&pcm, name.c_str(), stream, 0);
    if (error < 0) return error == -EBUSY ? WaveErrorAllocated : WaveErrorBadDevice;
    snd_pcm_uframes_t periodFrames = 0;
    if (!configureDevice(pcm, sampleFormat, format->channels, format->samplesPerSec, &periodFrames, bufferUs,
                         periods) ||
        snd_pcm_nonblock(pcm, 1) < 0) {
        snd_pcm_close(pcm);
        return capture && !recordsAnything(name) ? WaveErrorBadDevice : WaveErrorBadFormat;
    }
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0 || (capture && snd_pcm_start(pcm) < 0)) {
        if (wakeFd >= 0) close(wakeFd);
        snd_pcm_close(pcm);
        return wakeFd < 0 ? WaveErrorNoMemory : WaveErrorGeneric;
    }
    *opened =
        new AlsaStream{{}, pcm, capture, format->blockAlign, wakeFd, 0, 0, channelOrder(pcm, format->channels), {}};
    *periodBytes = (uint32_t)(periodFrames * format->blockAlign);
    return WaveOk;
}

// An error counts as ready: the read or write that follows finds it out.
int alsaWait(OpenedDevice *device, int timeoutMs) {
    AlsaStream *stream = streamOf(device);
    const int listed = snd_pcm_poll_descriptors_count(stream->pcm);
    std::vector<struct pollfd> fds(1 + (size_t)(listed > 0 ? listed : 0), {stream->wakeFd, POLLIN, 0});
    const int deviceFds = listed > 0 ? snd_pcm_poll_descriptors(stream->pcm, fds.data() + 1, (unsigned)listed) : 0;
    if (poll(fds.data(), 1 + (nfds_t)(deviceFds > 0 ? deviceFds : 0), timeoutMs) <= 0) return 0;
    if (fds[0].revents) {
        uint64_t count;
        ssize_t got = read(stream->wakeFd, &count, sizeof count); // empties it
        (void)got;
    }
    if (deviceFds <= 0) return 0;
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(stream->pcm, fds.data() + 1, (unsigned)deviceFds, &events) < 0) return 1;
    return (events & ((stream->capture ? POLLIN : POLLOUT) | POLLERR | POLLHUP)) != 0;
}

void alsaWake(OpenedDevice *device) {
    uint64_t one = 1;
    ssize_t written = write(streamOf(device)->wakeFd, &one, sizeof one);
    (void)written; // a counter that is already set wakes all the same
}

// Returns the bytes a write or read that returned result moved (counted in
// stream->moved), 0 for none now, or -1 with stream->lastError set.
long framesMoved(AlsaStream *stream, snd_pcm_sframes_t result) {
    if (result > 0) stream->moved += (uint64_t)result;
    if (result >= 0 || result == -EAGAIN) return result > 0 ? (long)result * stream->frameBytes : 0;
    stream->lastError = (int)result;
    return -1;
}

long alsaPlaybackWrite(OpenedDevice *device, const char *data, uint32_t bytes) {
    AlsaStream *stream = streamOf(device);
    const size_t frames = bytes / stream->frameBytes;
    if (!stream->order.empty()) {
        stream->reordered.resize(frames * stream->frameBytes);
        reorderFrames(stream, stream->reordered.data(), data, frames, 1);
        data = stream->reordered.data();
    }
    return framesMoved(stream, snd_pcm_writei(stream->pcm, data, frames));
}

long alsaCaptureRead(OpenedDevice *device, char *data, uint32_t bytes) {
    AlsaStream *stream = streamOf(device);
    const size_t frames = bytes / stream->frameBytes;
    if (stream->order.empty()) return framesMoved(stream, snd_pcm_readi(stream->pcm, data, frames));
    stream->reordered.resize(frames * stream->frameBytes);
    const snd_pcm_sframes_t read = snd_pcm_readi(stream->pcm, stream->reordered.data(), frames);
    if (read > 0) reorderFrames(stream, data, stream->reordered.data(), (size_t)read, 0);
    return framesMoved(stream, read);
}

// An underrun (the window thread fell behind), an overrun or a suspend is
// recovered, a capture stream started again; anything else loses the device.
// A lost server reports EPIPE too, so only a mended EPIPE is an underrun.
int alsaLives(OpenedDevice *device) {
    AlsaStream *stream = streamOf(device);
    if (snd_pcm_recover(stream->pcm, stream->lastError, 1) < 0) return 0;
    if (stream->capture) return snd_pcm_start(stream->pcm) >= 0 || snd_pcm_state(stream->pcm) == SND_PCM_STATE_RUNNING;
    if (stream->lastError == -EPIPE) underrunCount++;
    return 1;
}

// The delay lies between the application and the listener (or microphone):
// the frames written and not yet heard, or captured and not yet read.  Through
// the pulse plugin it includes the server's latency, as a measurement wants.
int alsaPosition(OpenedDevice *device, uint64_t *frames) {
    AlsaStream *stream = streamOf(device);
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(stream->pcm, &delay) < 0) return 0;
    if (stream->capture) {
        *frames = stream->moved + (uint64_t)(delay > 0 ? delay : 0);
        return 1;
    }
    if (delay < 0 || (uint64_t)delay > stream->moved) return 0; // ran dry, or not yet started
    *frames = stream->moved - (uint64_t)delay;
    return 1;
}

void alsaDrop(OpenedDevice *device) {
    AlsaStream *stream = streamOf(device);
    snd_pcm_drop(stream->pcm); // silence at once
    snd_pcm_prepare(stream->pcm);
    if (stream->capture) snd_pcm_start(stream->pcm);
    stream->moved = 0;
}

// Closes a lost stream too: a thread held in ALSA harms no process exit.
int alsaClose(OpenedDevice *device, int) {
    AlsaStream *stream = streamOf(device);
    snd_pcm_drop(stream->pcm);
    snd_pcm_close(stream->pcm);
    close(stream->wakeFd);
    delete stream;
    return 0;
}

} // namespace

const DeviceCalls alsaPlayback = {.direction = DevicePlayback,
                                  .open = alsaOpen,
                                  .wait = alsaWait,
                                  .wake = alsaWake,
                                  .write = alsaPlaybackWrite,
                                  .drop = alsaDrop,
                                  .lives = alsaLives,
                                  .position = alsaPosition,
                                  .close = alsaClose};
const DeviceCalls alsaCapture = {.direction = DeviceCapture,
                                 .open = alsaOpen,
                                 .wait = alsaWait,
                                 .wake = alsaWake,
                                 .read = alsaCaptureRead,
                                 .drop = alsaDrop,
                                 .lives = alsaLives,
                                 .position = alsaPosition,
                                 .close = alsaClose};

void silenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quietErrorHandler); });
}

std::vector<std::string> streamDevices(snd_pcm_stream_t stream) {
    const char *const wanted = stream == SND_PCM_STREAM_CAPTURE ? "Input" : "Output";
    std::vector<std::string> names;
    void **hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) return names;
    for (void **hint = hints; *hint; hint++) {
        char *name = snd_device_name_get_hint(*hint, "NAME");
        char *direction = snd_device_name_get_hint(*hint, "IOID"); // null: both ways
        if (name && std::strcmp(name, "null") != 0 && (!direction || std::strcmp(direction, wanted) == 0))
            names.push_back(name);
        std::free(name);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    return names;
}

namespace {
// The devices WAVE_MAPPER opens instead of the default, by stream; empty: the default.
std::string chosenDevices[2];
} // namespace

void chooseAlsaDevice(snd_pcm_stream_t stream, const std::string &name) {
    chosenDevices[stream == SND_PCM_STREAM_CAPTURE] = name;
}

std::string deviceName(uint32_t device, snd_pcm_stream_t stream) {
    if (device == WAVE_MAPPER) {
        const std::string &chosen = chosenDevices[stream == SND_PCM_STREAM_CAPTURE];
        return chosen.empty() ? defaultDevice : chosen;
    }
    std::vector<std::string> names = streamDevices(stream);
    return device < names.size() ? names[device] : std::string();
}

snd_pcm_format_t sampleFormatOf(const StreamFormat *format) {
    if (format->formatTag != 1 || format->channels == 0 || format->samplesPerSec == 0) return SND_PCM_FORMAT_UNKNOWN;
    if (format->blockAlign != format->channels * (format->bitsPerSample / 8)) return SND_PCM_FORMAT_UNKNOWN;
    if (format->bitsPerSample == 16) return SND_PCM_FORMAT_S16_LE;
    if (format->bitsPerSample == 8) return SND_PCM_FORMAT_U8;
    return SND_PCM_FORMAT_UNKNOWN;
}

// The driver sees the underruns, so it keeps their count.
uint32_t waveUnderrunCount() { return underrunCount.load(); }
