// Writing samples, tonalix-render's first mode: the span of the formulas set
// by setChannelPlaybackFormat written to a file or to standard output.
#pragma once

#include "tools/render/cli/arguments.h"

// Writes the span of options' formula to options.output (standard output
// when empty or "-"), in its kind, format and rate, faded as asked.  Returns
// 0, or 1 after a failure message (no file is left behind).
int writeSamples(const RenderOptions &options);
