// The winmm driver of the device core (platform/deviceCore.h): waveOut for
// playback and waveIn for capture, on one device record.
#pragma once

#include "platform/deviceCore.h"

extern const DeviceCalls winmmPlayback; // writes through waveOut
extern const DeviceCalls winmmCapture;  // reads through waveIn

// Makes deviceId (WAVE_MAPPER: the mapper) the device that opening
// WAVE_MAPPER opens for direction.  Returns nothing.
void chooseWinmmDevice(DeviceDirection direction, uint32_t deviceId);
// Returns 1 when the device that opening WAVE_MAPPER opens for direction
// takes format (asked with WAVE_FORMAT_QUERY, nothing opened), else 0.
int winmmTakes(DeviceDirection direction, const StreamFormat *format);
