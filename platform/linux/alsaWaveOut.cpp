// The wave-output operations on ALSA: the device core (platform/deviceCore.h)
// with the ALSA playback driver (alsaDevice.h).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/deviceCore.h"
#include "platform/linux/alsaDevice.h"
#include "platform/waveOut.h"

namespace {

const int countWaitMs = 2000; // the count gives up on a default device that takes longer to open

int defaultAnswered; // 1 when the last count found the default device

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
    // ALSA tells only the name (the plug layer converts the channels, so even
    // their count is not known): every other field stays 0, "not known", not
    // "none".  The stream only asks whether the device answers.
    std::memset(caps, 0, sizeof *caps);
    std::strncpy(caps->szPname, name.c_str(), sizeof caps->szPname - 1);
    return WaveOk;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    if (!format || sampleFormatOf(format) == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    return deviceOpen(&alsaPlayback, device, format, callback, handle);
}

void *waveAllocBlock(uint32_t size) { return std::malloc(size ? size : 1); }

void *waveFreeBlock(void *block) {
    std::free(block);
    return nullptr;
}

// A device thread held in ALSA at exit harms nothing.
int waveProcessExit(int exitCode) { return exitCode; }
