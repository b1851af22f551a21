// The renderer's rate and its longest span, and the played values of the
// formula set by setPlaybackFormat: what the stream's 16-bit samples are made
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

// Evaluates the next count samples exactly as generateSamples does and stores
// the played value of each (limited to -1..1, a failure 0, not-a-number -1)
// in values, its SampleEvent bits in events and its t in times.  Advances t
// and whatever the formula assigns.  Returns nothing.
void evaluateSignal(double *values, unsigned char *events, double *times, size_t count);
// Runs the formula over the next count samples and throws them away, through
// the generator's own loop.  Advances t and the variables as evaluateSignal
// would.  Returns nothing.
void skipSignal(uint64_t count);
