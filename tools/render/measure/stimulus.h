// The signal --measure plays: half a second of silence, the span of one
// channel of the formulas set by setChannelPlaybackFormat as 16-bit samples
// at the measuring rate, then silence.  It can be made again from its start,
// sample for sample, for the analysis.  Every channel's formula runs at each
// frame, as the stream runs them (they may share variables); the stimulus
// keeps the column of its own channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formula/formula.h"
#include "tools/render/write/resample.h"

struct Stimulus {
    uint32_t rate;
    uint64_t skip;                   // samples of the formula before the span (--start), at the renderer's rate
    uint64_t formulaSpan;            // the span's samples at the renderer's rate
    uint64_t lead, span;             // at the measuring rate
    unsigned column;                 // the channel kept, from 0 (0 of a mono signal)
    uint64_t position;               // samples handed out so far
    double variables[VariableCount]; // the variables as the run found them, to start again
    Resampler resampler;
    std::vector<int16_t> ready; // samples made but not yet handed out
    size_t readyAt;
    uint64_t formulaDone; // formula samples evaluated
};

// Sets stimulus up for the span of the signal's channel 0 (skip and
// formulaSpan samples at the renderer's rate) at rate, noting the variables
// so that restartStimulus can make it again, or another channel of it.
// Returns 1, or 0 after a message.
int startStimulus(Stimulus *stimulus, uint64_t skip, uint64_t formulaSpan, uint32_t rate);
// Writes the next count samples.  Advances the formula.  Returns 1, or 0
// after a message (the resampler failed).
int nextStimulus(Stimulus *stimulus, int16_t *out, size_t count);
// Starts stimulus again from its first sample, with the formulas' variables
// and t as they were, keeping channel stimulus->column.  Returns 1, or 0
// after a message.
int restartStimulus(Stimulus *stimulus);
// Frees what stimulus holds.
void endStimulus(Stimulus *stimulus);
