// The channels of a render, in WAV's speaker order: their names and the
// speaker each one feeds.
#pragma once

#include <cstdint>
#include <string>

#include "audio/channels.h"

struct ChannelRow {
    const char *name;    // as messages and reports name it in a render of three or more
    const char *label;   // in a picture's legend
    uint32_t speakerBit; // its bit of a WAV file's channel mask
};

// clang-format off
static const ChannelRow channelRows[] = {
    {"front left",   "FL",  0x1},
    {"front right",  "FR",  0x2},
    {"front centre", "FC",  0x4},
    {"LFE",          "LFE", 0x8},
    {"back left",    "BL",  0x10},
    {"back right",   "BR",  0x20},
    {"side left",    "SL",  0x200},
    {"side right",   "SR",  0x400},
};
// clang-format on
static_assert(sizeof channelRows / sizeof channelRows[0] == maxChannels, "a row for every channel a stream holds");

// Returns the name of channel (from 0) of a render of count channels: "left"
// and "right" of two, else its row's name; "" for a mono render.
inline std::string channelName(unsigned channel, unsigned count) {
    if (count < 2 || channel >= count) return "";
    if (count == 2) return channel == 0 ? "left" : "right";
    return channelRows[channel].name;
}

// Returns the WAV channel mask of the first count channels.
inline uint32_t speakerMask(unsigned count) {
    uint32_t mask = 0;
    for (unsigned c = 0; c < count && c < maxChannels; c++)
        mask |= channelRows[c].speakerBit;
    return mask;
}
