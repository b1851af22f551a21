// A stream of several channels: one formula per channel, each kept by the
// engine (keepProgram), run at every frame in channel order at the same t,
// sharing the variables; then t advances one sample.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formula/formula.h"

const unsigned maxChannels = KeptProgramSlots; // formulas a stream can hold

// The channels of the stream.  All zero, as at program start, is a mono
// stream of the engine's own program.
struct ChannelSet {
    unsigned count; // the channels, 2 to maxChannels; 0: mono
    int shared;     // 1: a formula assigns t, or a variable another one reads or assigns: frames run one at a time
};

extern ChannelSet channelSet; // the stream's channels

// Compiles each of count (1 to maxChannels) formulas, in channel order, and
// keeps it for its channel; then sets t to 0 and the stream's format to
// 16-bit PCM of count channels at streamSampleRate.  One formula makes a
// mono stream of the engine's own program, as setPlaybackFormat does.
// Returns 1, or 0 with *failed the channel (from 0) whose formula does not
// compile, or count out of range (*failed = count); then neither t nor the
// format has changed.
int setChannelPlaybackFormat(const char *const *formulas, unsigned count, unsigned *failed);

// Evaluates the next frames frames of the channels: at each, every channel's
// formula in turn at the frame's t, then t advances one period.  Stores
// channel c's value of frame i (not limited; 0.0 where it failed) in
// values[i * count + c], 1 where it failed or else 0 in failed[i * count +
// c], and the frame's t in times[i].  Returns nothing.
void evaluateChannelFrames(double *values, unsigned char *failed, double *times, size_t frames);

// Writes the next frames frames of the channels to out as interleaved 16-bit
// little-endian samples, each made as generateSamples makes a mono one
// (limited, scaled by 32767, truncated), and advances t; sets
// lastSampleTime.  No countdown, capture or fade.  Returns nothing.
void generateChannelSamples(unsigned char *out, size_t frames);
