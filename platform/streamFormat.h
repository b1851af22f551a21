// The PCM format a device is opened in.
#pragma once

#include <cstdint>

// The PCM format of a stream, field for field the platform's wave format
// record.
struct StreamFormat {
    uint16_t formatTag;      // 1: linear PCM
    uint16_t channels;       // samples in a frame
    uint32_t samplesPerSec;  // frames per second
    uint32_t avgBytesPerSec; // samplesPerSec * blockAlign
    uint16_t blockAlign;     // bytes in a frame
    uint16_t bitsPerSample;  // bits in a sample
    uint16_t extraSize;      // bytes of extra format data: 0 for PCM
};

// The speaker of each channel of a stream of several, in the order of the
// channels of a frame: front left, front right, front centre, LFE, back
// left, back right, side left, side right, as bits of a wave format's
// channel mask.
const uint32_t channelSpeakers[] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x200, 0x400};
const unsigned maxStreamChannels = sizeof channelSpeakers / sizeof channelSpeakers[0];

// Returns the channel mask of the first channels speakers.
inline uint32_t speakerMask(unsigned channels) {
    uint32_t mask = 0;
    for (unsigned c = 0; c < channels && c < maxStreamChannels; c++)
        mask |= channelSpeakers[c];
    return mask;
}
