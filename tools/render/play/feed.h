// --play --rate: the span resampled to the device's rate and faded, fed to
// the stream (sampleFeed) a little ahead of the device.
#pragma once

#include "tools/render/cli/arguments.h"

// Starts the feed of options' span at options.rate and fills its ring.
// Returns 1, or 0 after a message (nothing is fed then).
int startFeed(const RenderOptions &options);
// Tops the ring up as far as the span goes.  Returns 1, or 0 after a
// message.
int topUpFeed();
// Ends the feed: the stream makes the formula's samples again.  Returns
// nothing.
void endFeed();
