// An ALSA playback device of the tests' own that takes one rate only, as a
// card's hw device does, and passes what it is given to another PCM:
//   pcm_type.tonalixfixed { lib "/path/libasound_module_pcm_tonalixfixed.so" }
//   pcm.fixed { type tonalixfixed slave "some PCM" rate 48000 }
// None of ALSA's own plugins does this: a slave's rate is a field of the
// converting ones only (plug, rate), and share, which takes one, corrupts
// its heap when it closes.
//
// Every write is passed on at once and blocks in the slave, which paces the
// stream; the device's own buffer is therefore always empty and always
// ready for more.
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

struct FixedRatePcm {
    snd_pcm_ioplug_t io;
    std::string slaveName;
    snd_pcm_t *slave = nullptr;
    int readyFd = -1;             // always writable: the device is always ready
    snd_pcm_uframes_t passed = 0; // frames passed on since the last prepare
};

FixedRatePcm *fixedOf(snd_pcm_ioplug_t *io) { return (FixedRatePcm *)io->private_data; }

int fixedStart(snd_pcm_ioplug_t *) { return 0; }
int fixedStop(snd_pcm_ioplug_t *io) {
    FixedRatePcm *fixed = fixedOf(io);
    if (fixed->slave) snd_pcm_drop(fixed->slave);
    return 0;
}

// Returns the frames passed on, within the buffer: as many as were written.
snd_pcm_sframes_t fixedPointer(snd_pcm_ioplug_t *io) {
    return (snd_pcm_sframes_t)(fixedOf(io)->passed % io->buffer_size);
}

// Passes size frames of interleaved 16-bit samples on to the slave.  Returns
// the frames passed, or the slave's error.
snd_pcm_sframes_t fixedTransfer(snd_pcm_ioplug_t *io, const snd_pcm_channel_area_t *areas, snd_pcm_uframes_t offset,
                                snd_pcm_uframes_t size) {
    FixedRatePcm *fixed = fixedOf(io);
    const char *from = (const char *)areas[0].addr + (areas[0].first + areas[0].step * offset) / 8;
    snd_pcm_uframes_t done = 0;
    while (done < size) {
        const snd_pcm_sframes_t written = snd_pcm_writei(fixed->slave, from + done * io->channels * 2, size - done);
        if (written < 0 && snd_pcm_recover(fixed->slave, (int)written, 1) < 0) return written;
        if (written > 0) done += (snd_pcm_uframes_t)written;
    }
    fixed->passed += size;
    return (snd_pcm_sframes_t)size;
}

// Opens the slave in the stream's format.  Returns 0 or its error.
int fixedPrepare(snd_pcm_ioplug_t *io) {
    FixedRatePcm *fixed = fixedOf(io);
    fixed->passed = 0;
    if (fixed->slave) return snd_pcm_prepare(fixed->slave);
    int error = snd_pcm_open(&fixed->slave, fixed->slaveName.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error < 0) return error;
    error = snd_pcm_set_params(fixed->slave, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, io->channels,
                               io->rate, 1, 100000);
    if (error < 0) {
        snd_pcm_close(fixed->slave);
        fixed->slave = nullptr;
    }
    return error;
}

int fixedClose(snd_pcm_ioplug_t *io) {
    FixedRatePcm *fixed = fixedOf(io);
    if (fixed->slave) {
        snd_pcm_drain(fixed->slave);
        snd_pcm_close(fixed->slave);
    }
    close(fixed->readyFd);
    delete fixed;
    return 0;
}

// Returns the device's calls; those left out are ALSA's defaults.
snd_pcm_ioplug_callback_t fixedCallsOf() {
    snd_pcm_ioplug_callback_t calls = {};
    calls.start = fixedStart;
    calls.stop = fixedStop;
    calls.pointer = fixedPointer;
    calls.transfer = fixedTransfer;
    calls.close = fixedClose;
    calls.prepare = fixedPrepare;
    return calls;
}

const snd_pcm_ioplug_callback_t fixedCalls = fixedCallsOf();

} // namespace

extern "C" SND_PCM_PLUGIN_DEFINE_FUNC(tonalixfixed) {
    (void)root;
    const char *slaveName = nullptr;
    long rate = 0;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf) {
        snd_config_t *entry = snd_config_iterator_entry(i);
        const char *id;
        if (snd_config_get_id(entry, &id) < 0) continue;
        if (!std::strcmp(id, "comment") || !std::strcmp(id, "type") || !std::strcmp(id, "hint")) continue;
        if (!std::strcmp(id, "slave") && snd_config_get_string(entry, &slaveName) >= 0) continue;
        if (!std::strcmp(id, "rate") && snd_config_get_integer(entry, &rate) >= 0) continue;
        return -EINVAL;
    }
    if (!slaveName || rate <= 0 || stream != SND_PCM_STREAM_PLAYBACK) return -EINVAL;
    FixedRatePcm *fixed = new FixedRatePcm();
    fixed->slaveName = slaveName;
    fixed->readyFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    fixed->io.version = SND_PCM_IOPLUG_VERSION;
    fixed->io.name = "a device of one rate";
    fixed->io.poll_fd = fixed->readyFd;
    fixed->io.poll_events = POLLOUT;
    fixed->io.mmap_rw = 0;
    fixed->io.callback = &fixedCalls;
    fixed->io.private_data = fixed;
    int error = snd_pcm_ioplug_create(&fixed->io, name, stream, mode);
    if (error < 0) {
        close(fixed->readyFd);
        delete fixed;
        return error;
    }
    static const unsigned accesses[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    static const unsigned formats[] = {SND_PCM_FORMAT_S16_LE};
    if ((error = snd_pcm_ioplug_set_param_list(&fixed->io, SND_PCM_IOPLUG_HW_ACCESS, 1, accesses)) < 0 ||
        (error = snd_pcm_ioplug_set_param_list(&fixed->io, SND_PCM_IOPLUG_HW_FORMAT, 1, formats)) < 0 ||
        (error = snd_pcm_ioplug_set_param_minmax(&fixed->io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 8)) < 0 ||
        (error = snd_pcm_ioplug_set_param_minmax(&fixed->io, SND_PCM_IOPLUG_HW_RATE, (unsigned)rate, (unsigned)rate)) <
            0 ||
        (error = snd_pcm_ioplug_set_param_minmax(&fixed->io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 256, 1 << 20)) < 0 ||
        (error = snd_pcm_ioplug_set_param_minmax(&fixed->io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0) {
        snd_pcm_ioplug_delete(&fixed->io);
        return error;
    }
    *pcmp = fixed->io.pcm;
    return 0;
}

SND_PCM_PLUGIN_SYMBOL(tonalixfixed);
