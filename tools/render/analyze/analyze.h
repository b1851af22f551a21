// --analyze and --plot: the span's played values measured and drawn.
#pragma once

#include "tools/render/cli/arguments.h"

// Runs the formula set by setPlaybackFormat over the span of options,
// prints the report of --analyze on standard output and draws the picture
// of --plot.  Returns 0, 1 after a failure message, or 2 when the picture's
// file cannot be made (then nothing is rendered).
int measureSpan(const RenderOptions &options);
