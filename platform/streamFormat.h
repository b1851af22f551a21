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
