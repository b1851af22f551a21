// Sample synthesis: fills byte buffers with 16-bit mono samples of the
// compiled formula, with the sample clock t running on across buffers,
// silence while the start countdown runs, and capture of the first samples.
#pragma once

#include <cstdint>

#include "platform/streamFormat.h" // StreamFormat, the format every stream is opened in

const int32_t streamSampleRate = 132300; // samples per second of every stream

// The sample limit of every output (the stream, the renderer's files and its
// measures): v limited to -1..1, not-a-number to -1.  Exactly 1.0 and -1.0
// pass unchanged.  The engine's machine-code loop emits the same rule
// (formula/machineEmitter.cpp), tested against this one
// (tests/audio/machineCodeSynthesisTest.cpp).
inline double limitSample(double v) {
    if (v > 1.0) return 1.0;
    if (!(v >= -1.0)) // below -1, or unordered (NaN)
        return -1.0;
    return v;
}

enum CaptureMode : int32_t {
    CaptureOff = 0,    // samples go to the buffer only
    CaptureRead = 1,   // samples hold a file that was read; nothing is generated
    CaptureRecord = 2, // each formula sample is also stored into samples
};

// The capture record, shared with the waveform data-file code.
struct SampleCapture {
    CaptureMode mode; // what the generator does with samples
    int32_t count;    // number of samples to capture
    int32_t index;    // where the next captured sample goes
    int16_t *samples; // count values, owned by the data-file code
};

// A raised-cosine fade-in and fade-out over a stretch of generated samples
// (tonalix-render --play --fade), silence after it; all zero, as at program
// start, is neither.
struct SampleFade {
    int64_t fadeSamples; // the length of each ramp; 0: no fade
    int64_t length;      // samples in the stretch; those after it are silent; 0: no stretch
    int64_t position;    // formula samples generated since the stretch began
};

// Frames made elsewhere that the stream plays instead of the formula's
// (tonalix-render --play --rate: resampled): a ring of 16-bit frames of the
// stream's channels.  All zero, as at program start, is none.
struct SampleFeed {
    int16_t *frames;  // capacity frames of streamFormat.channels samples; null: no feed
    int64_t capacity; // frames the ring holds
    int64_t written;  // frames put in since the feed began
    int64_t taken;    // frames taken out by the stream
};

extern StreamFormat streamFormat;   // set by setStreamFormat, read by the stream
extern int32_t clockRate;           // samples per second of the sample clock
extern double lastSampleTime;       // t of the latest formula sample
extern int32_t countdownActive;     // 1: generate silence (owned by playback control)
extern SampleCapture sampleCapture; // the capture record
extern SampleFade sampleFade;       // the fade record
extern SampleFeed sampleFeed;       // the feed record

// Compiles formula, sets t to 0 and stores the format.  The 16-bit fields
// take the low 16 bits of their arguments; note blockAlign comes before
// avgBytesPerSec.  Returns 1, or 0 when the formula does not compile (then
// nothing changes).
int setStreamFormat(int32_t formatTag, int32_t channels, int32_t samplesPerSec, int32_t blockAlign,
                    int32_t avgBytesPerSec, int32_t bitsPerSample, int32_t extraSize, const char *formula);
// setStreamFormat with the one format that is played: linear PCM, mono,
// 16 bits at streamSampleRate.  Returns what setStreamFormat returns.
int setPlaybackFormat(const char *formula);
// Returns the gain of sample position of a stretch of length samples faded in
// and out over fadeSamples each: 0 at the first and the last sample, rising
// and falling as half a cosine, exactly 1 between the ramps and 0 outside the
// stretch.  Changes nothing.
double fadeGain(int64_t position, int64_t fadeSamples, int64_t length);
// Sets fade to a stretch of length samples with ramps of fadeSamples, at its
// first sample.  Returns nothing.
void startFade(SampleFade *fade, int64_t fadeSamples, int64_t length);
// Returns the gain (fadeGain) of fade's next sample and advances its
// position by one.
double nextFadeGain(SampleFade *fade);
// Returns 1 when each of fade's next count samples has a gain of exactly 1
// (none lies in a ramp or past the stretch).  Changes nothing.
int fadeIsFlat(const SampleFade *fade, int64_t count);
// Sets the stream's fade record (sampleFade) to a stretch of length samples
// with ramps of fadeSamples, at its first sample.  Returns nothing.
void setStreamFade(int64_t fadeSamples, int64_t length);
// Sets countdownActive: 1 makes the stream generate silence.  Returns
// nothing.
void setCountdownActive(int32_t active);
// Fills buffer with byteCount / 2 samples (silence during the countdown) and
// advances t; with CaptureRead writes nothing.  With a fade, scales each
// formula sample by its gain (truncating toward zero) and advances the fade's
// position.  A stream of several channels (channels.h) gets whole frames,
// one fade gain a frame, and no capture.  With a feed (sampleFeed), the
// buffer gets the feed's next frames as they are, and silence where it has
// run dry; t stays.  Returns byteCount.
int32_t generateSamples(void *buffer, int32_t byteCount);
// Writes sampleCount 16-bit samples of the engine's program to out, one per
// period of t, which it advances; sets lastSampleTime.  No countdown,
// capture or fade.  Returns nothing.
void generateFormulaSamples(unsigned char *out, int32_t sampleCount);
