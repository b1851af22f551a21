// Streams the formula set by setStreamFormat through the default sound
// device, the way the window plays it: the wave output stream driven by a
// message loop.
#pragma once

#include <cstdint>

// Plays whole buffers of 33075 samples until at least samples have been
// played, with the countdown flag set to countdown (1: silence).  Returns 0,
// or 1 after writing a message to standard error.
int playThroughDevice(uint64_t samples, int32_t countdown);
