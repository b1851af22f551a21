// Streams the formulas set by setChannelPlaybackFormat through the default
// sound device, the way the window plays its one: the wave output stream,
// opened with a channel per formula, driven by a message loop.
#pragma once

#include <cstdint>
#include <string>

#include "tools/render/cli/arguments.h"

// Returns how messages name the output device: "the default sound device",
// or "the sound device 'NAME'" for one that --device chose.
std::string outputDeviceText();
// Plays whole buffers of 33075 frames until at least samples have been
// played, with the countdown flag set to countdown (1: silence), then two
// buffers of silence, so that the device plays out the last of them before
// the stream stops; sets the stream's fade to a stretch of the sounding
// buffers when it has none.  Returns 0, or 1 after writing a message to standard error.
int playThroughDevice(uint64_t samples, int32_t countdown);
// --play: plays the span of options, faded as asked.  Returns what
// playThroughDevice returns.
int playSpan(const RenderOptions &options);
