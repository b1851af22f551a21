// The run of --measure's devices: the default output plays a stimulus while
// the default input records.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/render/measure/stimulus.h"

// The channels of a run: those the output opens with, the one of them that
// plays the stimulus (the others play silence), and those the input records.
struct ListenChannels {
    unsigned outputs, played, inputs;
};

// Plays the stimulus in channel played of an output of channels.outputs and
// records meanwhile channels.inputs channels, their samples interleaved,
// into *recorded.  Returns 0, or 1 after a message (no device, a refused
// format, a device lost).  *skewMs: how much later the stimulus began to
// play than the recording kept began to be recorded, so that the lag of the
// one behind the other, less the skew, is the latency of the path between
// the devices.  It comes from the devices' clocks where both tell them;
// otherwise it is the silence queued ahead of the stimulus, which leaves out
// how long each device (and a sound server) holds the samples.
int playAndRecord(Stimulus *stimulus, const ListenChannels &channels, std::vector<int16_t> *recorded, double *skewMs);
