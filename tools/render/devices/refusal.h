// What a sound device that refuses the stream takes instead, as messages say it.
#pragma once

#include <string>

#include "platform/deviceCore.h"

// Returns why the device opened for direction refuses 16-bit samples of
// channels channels at rate, with what it takes and what to give instead
// ("hw:1,0 does not take 132300 Hz; it takes 44100 to 96000 Hz: use --rate
// 48000, or plughw:1,0 to convert"); rateOption: 1 when the mode takes
// --rate.  Empty when the device cannot be asked or takes all of them.
// Changes nothing.
std::string refusalText(DeviceDirection direction, unsigned rate, unsigned channels, int rateOption);
