// Sample synthesis: the formula, evaluated once per sample at the sample
// clock t, written as 16-bit mono samples into whatever buffer the stream
// hands over.
#include "audio/synthesis.h"

#include "audio/channels.h"
#include "formula/formula.h"

#include <cmath>
#include <cstring>

namespace {

const double fullScale = 32767.0; // +1.0 and -1.0 map to +32767 and -32767

// Stores value as two little-endian bytes at out: one 16-bit store on a
// little-endian machine (the byte-wise form costs a tenth of the loop).
inline void storeSample(unsigned char *out, int value) {
    uint16_t bits = (uint16_t)(int16_t)value;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(out, &bits, 2);
#else
    out[0] = (unsigned char)(bits & 0xFF);
    out[1] = (unsigned char)(bits >> 8);
#endif
}

// Scales count frames of channels 16-bit samples at out by the fade's gains,
// one gain a frame, and advances its position by count.
void applyFade(unsigned char *out, int32_t count, unsigned channels) {
    for (int32_t i = 0; i < count; i++) {
        double gain = nextFadeGain(&sampleFade);
        for (unsigned c = 0; c < channels; c++, out += 2) {
            if (gain == 1.0) continue;
            int16_t value = (int16_t)(uint16_t)(out[0] | out[1] << 8);
            storeSample(out, (int)(value * gain));
        }
    }
}

// Writes the feed's next frames of sampleCount samples to out, silence
// where it has run dry, and counts them taken.  Kept out of line: the
// window never feeds, and inlined into a caller of one sample the compiler
// took the frames of several for a write past its end.
__attribute__((noinline)) void takeFeed(unsigned char *out, int32_t sampleCount) {
    const int64_t channels = streamFormat.channels ? streamFormat.channels : 1;
    const int64_t frames = sampleCount / channels, ready = sampleFeed.written - sampleFeed.taken;
    const int64_t taken = frames < ready ? frames : ready;
    for (int64_t i = 0; i < taken; i++, sampleFeed.taken++) {
        const int16_t *frame = sampleFeed.frames + channels * (sampleFeed.taken % sampleFeed.capacity);
        for (int64_t c = 0; c < channels; c++)
            storeSample(out + 2 * (channels * i + c), frame[c]);
    }
    std::memset(out + 2 * channels * taken, 0, 2 * (size_t)(sampleCount - channels * taken));
}

} // namespace

StreamFormat streamFormat;
int32_t clockRate;
double lastSampleTime;
int32_t countdownActive;
SampleCapture sampleCapture;
SampleFade sampleFade;
SampleFeed sampleFeed;

double fadeGain(int64_t position, int64_t fadeSamples, int64_t length) {
    if (position < 0 || position >= length) return 0.0;
    int64_t fromEdge = position < length - 1 - position ? position : length - 1 - position;
    if (fromEdge >= fadeSamples) return 1.0;
    return 0.5 - 0.5 * std::cos(3.14159265358979323846 * (double)fromEdge / (double)fadeSamples);
}

void startFade(SampleFade *fade, int64_t fadeSamples, int64_t length) { *fade = SampleFade{fadeSamples, length, 0}; }

double nextFadeGain(SampleFade *fade) { return fadeGain(fade->position++, fade->fadeSamples, fade->length); }

int fadeIsFlat(const SampleFade *fade, int64_t count) {
    if (fade->position + count > fade->length) return 0;
    return fade->position >= fade->fadeSamples && fade->position + count <= fade->length - fade->fadeSamples;
}

void setStreamFade(int64_t fadeSamples, int64_t length) { startFade(&sampleFade, fadeSamples, length); }

void setCountdownActive(int32_t active) { countdownActive = active; }

// Returns 1 after compiling formula, setting t to 0 and storing the format;
// returns 0 and changes nothing when the formula does not compile.
int setStreamFormat(int32_t formatTag, int32_t channels, int32_t samplesPerSec, int32_t blockAlign,
                    int32_t avgBytesPerSec, int32_t bitsPerSample, int32_t extraSize, const char *formula) {
    if (compileFormula(formula) != 0) return 0;
    setVariable(VariableT, 0.0);
    streamFormat.formatTag = (uint16_t)formatTag;
    streamFormat.channels = (uint16_t)channels;
    streamFormat.samplesPerSec = (uint32_t)samplesPerSec;
    streamFormat.avgBytesPerSec = (uint32_t)avgBytesPerSec;
    streamFormat.blockAlign = (uint16_t)blockAlign;
    streamFormat.bitsPerSample = (uint16_t)bitsPerSample;
    streamFormat.extraSize = (uint16_t)extraSize;
    clockRate = (int32_t)streamFormat.samplesPerSec;
    return 1;
}

int setPlaybackFormat(const char *formula) {
    return setStreamFormat(1, 1, streamSampleRate, 2, 2 * streamSampleRate, 16, 0, formula);
}

void generateFormulaSamples(unsigned char *out, int32_t sampleCount) {
    const double period = 1.0 / clockRate;
    // The engine's machine code runs the whole loop below in one call when
    // it can.
    SampleRun run = {out, sampleCount, period, 0.0};
    if (runSampleLoop(&run)) {
        lastSampleTime = run.lastTime;
        return;
    }
    // t is read once per call and carried in a register: each sample writes
    // it with setVariable, and the value read back before the next sample
    // would be exactly the value just written.  The next sample's time is
    // always built from that value, so an assignment to t inside the formula
    // never carries over.  (Reading it back each time costs a quarter of the
    // loop: the load waits for the store of the call before.)
    double now = getVariable(VariableT);
    for (int32_t i = 0; i < sampleCount; i++, out += 2) {
        lastSampleTime = now;
        double v = evaluateFormula();
        now = period + now;
        setVariable(VariableT, now);
        storeSample(out, (int)(limitSample(v) * fullScale)); // truncates toward zero
    }
}

// Returns byteCount.  Writes byteCount / 2 samples into buffer: zeros while
// the countdown runs (t untouched), nothing with CaptureRead, otherwise one
// formula sample each, advancing t by one period per sample and, with
// CaptureRecord, copying samples into the capture array until it is full;
// with a fade, the samples (after their capture) are scaled by its gains.
// A stream of several channels makes whole frames of them (channels.h),
// with one gain per frame and no capture.
int32_t generateSamples(void *buffer, int32_t byteCount) {
    int32_t sampleCount = byteCount >> 1;
    if (sampleCount <= 0) return byteCount;
    unsigned char *out = (unsigned char *)buffer;
    if (countdownActive == 1) {
        std::memset(out, 0, 2 * (size_t)sampleCount);
        return byteCount;
    }
    if (sampleFeed.frames) {
        takeFeed(out, sampleCount);
        return byteCount;
    }
    if (channelSet.count > 1) {
        const int32_t frames = sampleCount / (int32_t)channelSet.count;
        generateChannelSamples(out, (size_t)frames);
        if (sampleFade.length > 0) applyFade(out, frames, channelSet.count);
        return byteCount;
    }
    if (sampleCapture.mode == CaptureRead) return byteCount; // the buffer keeps what it held

    generateFormulaSamples(out, sampleCount);
    if (sampleCapture.mode == CaptureRecord)
        for (int32_t i = 0; i < sampleCount && sampleCapture.index < sampleCapture.count; i++)
            sampleCapture.samples[sampleCapture.index++] = (int16_t)(uint16_t)(out[2 * i] | out[2 * i + 1] << 8);
    if (sampleFade.length > 0) applyFade(out, sampleCount, 1);
    return byteCount;
}
