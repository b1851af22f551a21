// Streams the formulas through the default sound device: see play.h.
//
// A message-only window stands in for the main window: every message goes to
// the stream first, the stream's notices count the buffers the device has
// played, and when enough have come back the stream is stopped and, on its
// end notice, closed.
#include "tools/render/play/play.h"

#include <cstdio>

#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "platform/deviceList.h"
#include "platform/window.h"
#include "tools/render/cli/printable.h"
#include "tools/render/common/signal.h"
#include "tools/render/devices/refusal.h"
#include "tools/render/play/feed.h"

namespace {

// Returns the frames of one buffer of the stream as Play fills it: 33075 at
// the stream's own rate.
uint64_t framesPerBuffer() { return (uint64_t)streamFormat.samplesPerSec * playBufferMilliseconds / 1000; }
const unsigned watchdogTimer = 1; // checks that buffers keep coming back
const unsigned watchdogPeriodMs = 1000;
const int stalledTicks = 5; // ticks without a returned buffer: give up
// Silent buffers played after the span.  A device may hand a buffer back as
// soon as it holds all of it (the ALSA backend's holds 400 ms), and the stop
// at the end drops what it holds: without them the span's last 350 ms were
// never heard.
const uint64_t silentBuffers = 2;

// What the play loop keeps between messages.
struct PlayRecord {
    uint64_t buffersWanted; // returned buffers that make the time asked for
    uint64_t buffersReturned;
    int ticksSinceReturn;
    int stopped;         // 1 after stopStream was called by us
    const char *failure; // why the playback ended early, or null
};

PlayRecord play;

// Stops the stream once, noting why when it is a failure.
void stopPlaying(const char *failure) {
    if (play.stopped) return;
    play.stopped = 1;
    play.failure = failure;
    stopStream();
}

// The window procedure: the stream sees every message first.
intptr_t playProc(Window window, unsigned message, WParam wParam, LParam lParam) {
    (void)window;
    onDeviceMessage(message, wParam, lParam);
    if (message == WM_USER) {
        if (wParam == NoticeDeviceLost) {
            stopPlaying("the sound device was lost during playback");
        } else if (wParam == NoticeBufferDone) {
            play.ticksSinceReturn = 0;
            if (++play.buffersReturned >= play.buffersWanted) stopPlaying(nullptr);
            if (sampleFeed.frames && !topUpFeed()) stopPlaying("the samples could not be resampled");
        } else if (wParam == NoticeEnded) {
            closeStream();
            if (!play.stopped) play.failure = "the sound device failed during playback";
            postQuitMessage(play.failure ? 1 : 0);
        }
    } else if (message == WM_TIMER && wParam == watchdogTimer) {
        if (++play.ticksSinceReturn >= stalledTicks) stopPlaying("the sound device stopped taking samples");
    }
    return 0;
}

} // namespace

std::string outputDeviceText() {
    const std::string named = chosenDevice(DevicePlayback);
    return named.empty() ? "the default sound device" : "the sound device '" + printableText(named) + "'";
}

int playThroughDevice(uint64_t samples, int32_t countdown) {
    play = PlayRecord();
    const uint64_t perBuffer = framesPerBuffer();
    const uint64_t soundingBuffers = (samples + perBuffer - 1) / perBuffer;
    play.buffersWanted = soundingBuffers + silentBuffers;
    // Everything after the sounding buffers is silent; a fade's stretch
    // already ends within them.
    if (sampleFade.length == 0) setStreamFade(0, (int64_t)(soundingBuffers * perBuffer));
    Window window = createMessageWindow(playProc);
    if (!window) {
        std::fprintf(stderr, "tonalix-render: cannot create the message window\n");
        return 1;
    }
    if (!enumerateDevices(window, WM_USER)) {
        std::fprintf(stderr, "tonalix-render: No waveform-audio devices.\n");
        destroyMessageWindow(window);
        return 1;
    }
    setCountdownActive(countdown);
    if (!openStream(0, playBufferCount, playBufferMilliseconds)) {
        const std::string device = outputDeviceText();
        const std::string refused = refusalText(DevicePlayback, streamFormat.samplesPerSec, streamFormat.channels, 1);
        if (!refused.empty())
            std::fprintf(stderr, "tonalix-render: %s\n", refused.c_str());
        else if (streamFormat.channels > 1)
            std::fprintf(stderr, "tonalix-render: %s does not take %u channels of 16-bit at %u Hz\n", device.c_str(),
                         (unsigned)streamFormat.channels, (unsigned)streamFormat.samplesPerSec);
        else
            std::fprintf(stderr, "tonalix-render: cannot open %s for %u Hz 16-bit mono\n", device.c_str(),
                         (unsigned)streamFormat.samplesPerSec);
        destroyMessageWindow(window);
        return 1;
    }
    startTimer(window, watchdogTimer, watchdogPeriodMs);
    startStream();
    int result = runMessageLoop();
    stopTimer(window, watchdogTimer);
    destroyMessageWindow(window);
    if (play.failure) std::fprintf(stderr, "tonalix-render: %s\n", play.failure);
    std::fprintf(stderr, "tonalix-render: %u underruns\n", (unsigned)waveUnderrunCount());
    return result;
}

int playSpan(const RenderOptions &options) {
    skipSignal(options.start);
    if (options.rate == renderRate) {
        setStreamFade((int64_t)fadeSamples(options), (int64_t)spanSamples(options));
        return playThroughDevice(spanSamples(options), 0);
    }
    // The device runs at the rate asked for and the stream plays the feed;
    // the formulas' clock keeps the renderer's rate.
    streamFormat.samplesPerSec = options.rate;
    streamFormat.avgBytesPerSec = options.rate * streamFormat.blockAlign;
    if (!startFeed(options)) return 1;
    const int result = playThroughDevice(writtenSamples(options), 0);
    endFeed();
    return result;
}
