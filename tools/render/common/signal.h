// The renderer's rate and its longest span, and the played values of the
// formulas set by setChannelPlaybackFormat: what the stream's 16-bit samples are made
// from, before their rounding, with what happened at each sample.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/synthesis.h"

const uint32_t renderRate = streamSampleRate;            // samples per second
const uint64_t maxWavSamples = (0xFFFFFFFFull - 36) / 2; // the RIFF size field's bound: the longest span

// What happened at a sample, as bits.
enum SampleEvent : unsigned char {
    SampleClipped = 1,   // the value lay outside -1..1 and was limited
    SampleFailed = 2,    // the formula failed and 0 was played
    SampleNonfinite = 4, // the value was an infinity or not-a-number
};

const size_t signalChunk = 33075; // samples per step of the renderer's loops: one stream buffer

// Returns the channels of the signal: the formulas set by
// setChannelPlaybackFormat, 1 to maxChannels.
unsigned signalChannels();
// Evaluates the next count frames exactly as generateSamples does and stores
// the played value of each sample (limited to -1..1, a failure 0,
// not-a-number -1) in values and its SampleEvent bits in events, frame by
// frame with the channels interleaved (count * signalChannels() of each),
// and each frame's t in times (count).  Advances t and whatever the formulas
// assign.  Returns nothing.
void evaluateSignal(double *values, unsigned char *events, double *times, size_t count);
// Runs the formulas over the next count frames and throws them away, through
// the generator's own loop.  Advances t and the variables as evaluateSignal
// would.  Returns nothing.
void skipSignal(uint64_t count);
