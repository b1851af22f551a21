// The channels of a render, in WAV's speaker order: their names and the
// speaker each one feeds.
#pragma once

#include <cstdint>
#include <string>

#include "audio/channels.h"
#include "platform/streamFormat.h"

// A channel, in the order of channelSpeakers (platform/streamFormat.h), whose
// speaker it names.
struct ChannelRow {
    const char *name;  // as messages and reports name it in a render of three or more
    const char *label; // in a picture's legend
};

// clang-format off
static const ChannelRow channelRows[] = {
    {"front left",   "FL"},
    {"front right",  "FR"},
    {"front centre", "FC"},
    {"LFE",          "LFE"},
    {"back left",    "BL"},
    {"back right",   "BR"},
    {"side left",    "SL"},
    {"side right",   "SR"},
};
// clang-format on
static_assert(sizeof channelRows / sizeof channelRows[0] == maxChannels, "a row for every channel a stream holds");
static_assert(maxStreamChannels == maxChannels, "a speaker for every channel a stream holds");

// Returns the name of channel (from 0) of a render of count channels: "left"
// and "right" of two, else its row's name; "" for a mono render.
inline std::string channelName(unsigned channel, unsigned count) {
    if (count < 2 || channel >= count) return "";
    if (count == 2) return channel == 0 ? "left" : "right";
    return channelRows[channel].name;
}
