// The feed of --play --rate: see feed.h.
//
// The formulas run at the renderer's rate, as for a file; libsoxr makes the
// device's rate of them, the fade is applied at that rate, and the frames
// wait in the ring until the stream takes them.  The ring holds four of the
// stream's buffers: the stream primes three, and takes one more each time
// the device hands one back, before the play loop tops the ring up on the
// notice of it.
#include "tools/render/play/feed.h"

#include <vector>

#include "audio/synthesis.h"
#include "tools/render/common/signal.h"
#include "tools/render/write/resample.h"

namespace {

const int64_t ringBuffers = 4; // of 250 ms

// What the feed keeps between top-ups.
struct Feed {
    std::vector<int16_t> ring;
    Resampler resampler;
    SampleFade fade;
    unsigned channels;
    uint64_t spanLeft;          // frames of the span not yet evaluated
    std::vector<double> values; // the resampler's output not yet in the ring
    size_t valuesAt;            // frames of values already put in
    int drained;                // 1 once the resampler has given its last frames
};

Feed feed;

// Puts the waiting values into the ring as far as it has room.  Returns
// nothing.
void pour() {
    const size_t waiting = feed.values.size() / feed.channels;
    while (feed.valuesAt < waiting && sampleFeed.written - sampleFeed.taken < sampleFeed.capacity) {
        int16_t *frame = sampleFeed.frames + feed.channels * (sampleFeed.written % sampleFeed.capacity);
        const double gain = nextFadeGain(&feed.fade);
        for (unsigned c = 0; c < feed.channels; c++)
            frame[c] = (int16_t)(limitSample(feed.values[feed.valuesAt * feed.channels + c] * gain) * 32767.0);
        feed.valuesAt++;
        sampleFeed.written++;
    }
}

} // namespace

int startFeed(const RenderOptions &options) {
    feed.channels = options.channels;
    feed.spanLeft = spanSamples(options);
    feed.values.clear();
    feed.valuesAt = 0;
    feed.drained = 0;
    feed.resampler = Resampler{nullptr, 0, 0, {}, feed.channels};
    if (!openResampler(&feed.resampler, writtenSamples(options), options.rate, feed.channels)) return 0;
    startFade(&feed.fade, (int64_t)fadeSamples(options), (int64_t)writtenSamples(options));
    const int64_t capacity = ringBuffers * options.rate / 4;
    feed.ring.assign((size_t)capacity * feed.channels, 0);
    sampleFeed = SampleFeed{feed.ring.data(), capacity, 0, 0};
    return topUpFeed();
}

int topUpFeed() {
    std::vector<double> values, times;
    std::vector<unsigned char> events;
    for (;;) {
        pour();
        if (feed.valuesAt < feed.values.size() / feed.channels || feed.drained) return 1;
        const size_t step = feed.spanLeft < signalChunk / 8 ? (size_t)feed.spanLeft : signalChunk / 8;
        int ok;
        if (step > 0) {
            values.resize(step * feed.channels);
            events.resize(step * feed.channels);
            times.resize(step);
            evaluateSignal(values.data(), events.data(), times.data(), step);
            feed.spanLeft -= step;
            ok = resampleValues(&feed.resampler, values.data(), step);
        } else {
            ok = resampleValues(&feed.resampler, nullptr, 0);
            feed.drained = 1;
        }
        if (!ok) return 0;
        feed.values.swap(feed.resampler.ready);
        feed.valuesAt = 0;
    }
}

void endFeed() {
    sampleFeed = SampleFeed{};
    closeResampler(&feed.resampler);
    feed.ring.clear();
    feed.values.clear();
}
