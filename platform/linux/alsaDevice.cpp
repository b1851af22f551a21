// The ALSA side of the wave-output backend: see alsaDevice.h.
//
// The device buffer is 400 ms in two periods, against the stream's three
// buffers of 250 ms: a buffer that the backend has handed back is played
// within that.  Through PulseAudio the period sets how often the server asks
// for data, and each request wakes the device thread and libpulse's own: at
// 50 ms periods they woke 64 and 34 times a second, at 200 ms 13 and 11.
// Stop is not delayed by it: the device is dropped, not drained.
#include "platform/linux/alsaDevice.h"

#include <poll.h>
#include <unistd.h>

#include <cstdint>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/streamFormat.h"
#include "platform/waveOut.h"

const char *const defaultDevice = "default";

namespace {

const unsigned deviceLatencyUs = 400000; // the device buffer: 400 ms
const unsigned devicePeriods = 2;        // written (and asked for by a server) 200 ms at a time

// ALSA prints its own complaints on standard error; the caller reports
// failures through results instead.
void quietErrorHandler(const char *, int, const char *, int, const char *, ...) {}

} // namespace

// Silences ALSA's error printing, once per process.
void silenceAlsa() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quietErrorHandler); });
}

// Returns the names of the devices ALSA lists for stream (playback or
// capture), without "null".
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

// Returns the ALSA device name of device (WAVE_MAPPER: the default) among
// those of stream, or an empty string when there is no such device.
std::string deviceName(uint32_t device, snd_pcm_stream_t stream) {
    if (device == WAVE_MAPPER) return defaultDevice;
    std::vector<std::string> names = streamDevices(stream);
    return device < names.size() ? names[device] : std::string();
}

// Returns the ALSA sample format of a PCM format record, or
// SND_PCM_FORMAT_UNKNOWN for one the backend does not play.
snd_pcm_format_t sampleFormatOf(const StreamFormat *format) {
    if (format->formatTag != 1 || format->channels == 0 || format->samplesPerSec == 0) return SND_PCM_FORMAT_UNKNOWN;
    if (format->blockAlign != format->channels * (format->bitsPerSample / 8)) return SND_PCM_FORMAT_UNKNOWN;
    if (format->bitsPerSample == 16) return SND_PCM_FORMAT_S16_LE;
    if (format->bitsPerSample == 8) return SND_PCM_FORMAT_U8;
    return SND_PCM_FORMAT_UNKNOWN;
}

// Returns 1 after setting pcm to interleaved sampleFormat, channels and
// exactly rate frames per second, with a buffer of about bufferUs
// (deviceLatencyUs when 0) in about periods periods (devicePeriods when 0),
// and storing the period's length in *periodFrames.  Returns 0 when the
// device cannot play that.
int configureDevice(snd_pcm_t *pcm, snd_pcm_format_t sampleFormat, unsigned channels, unsigned rate,
                    snd_pcm_uframes_t *periodFrames, unsigned bufferUs, unsigned periods) {
    snd_pcm_hw_params_t *params;
    snd_pcm_hw_params_alloca(&params);
    unsigned actualRate = rate;
    if (bufferUs == 0) bufferUs = deviceLatencyUs;
    if (periods == 0) periods = devicePeriods;
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
    if (actualRate != rate || direction != 0) return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_buffer_time_near(pcm, params, &bufferUs, &direction) < 0) return 0;
    direction = 0;
    if (snd_pcm_hw_params_set_periods_near(pcm, params, &periods, &direction) < 0 || snd_pcm_hw_params(pcm, params) < 0)
        return 0;
    direction = 0;
    if (snd_pcm_hw_params_get_rate(params, &actualRate, &direction) < 0 || actualRate != rate || direction != 0 ||
        snd_pcm_hw_params_get_period_size(params, periodFrames, &direction) < 0 || *periodFrames == 0)
        return 0;
    return 1;
}

int waitForDevice(snd_pcm_t *pcm, int wakeFd, short ready, int timeoutMs) {
    std::vector<struct pollfd> fds(1);
    fds[0] = {wakeFd, POLLIN, 0};
    int deviceFds = snd_pcm_poll_descriptors_count(pcm);
    if (deviceFds > 0) {
        fds.resize(1 + (size_t)deviceFds);
        deviceFds = snd_pcm_poll_descriptors(pcm, fds.data() + 1, (unsigned)deviceFds);
    }
    if (poll(fds.data(), 1 + (nfds_t)(deviceFds > 0 ? deviceFds : 0), timeoutMs) <= 0) return 0;
    if (fds[0].revents) {
        uint64_t count;
        ssize_t got = read(wakeFd, &count, sizeof count);
        (void)got;
    }
    if (deviceFds <= 0) return 0;
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(pcm, fds.data() + 1, (unsigned)deviceFds, &events) < 0) return 1;
    return (events & (ready | POLLERR | POLLHUP)) != 0;
}

void wakeDevice(int wakeFd) {
    uint64_t one = 1;
    ssize_t written = write(wakeFd, &one, sizeof one);
    (void)written; // a counter that is already set wakes all the same
}

// The delay is what lies between the application and the listener (or the
// microphone): for playback the frames written and not yet heard, for
// capture those captured and not yet read.  Through the pulse plugin it
// includes the server's own latency, which is what a measurement wants.
int streamPosition(snd_pcm_t *pcm, uint64_t moved, int capture, uint64_t *frames) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0) return 0;
    if (capture) {
        *frames = moved + (uint64_t)(delay > 0 ? delay : 0);
        return 1;
    }
    if (delay < 0 || (uint64_t)delay > moved) return 0; // ran dry, or not yet started
    *frames = moved - (uint64_t)delay;
    return 1;
}
