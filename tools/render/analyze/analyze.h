// --analyze and --plot: the span's played values measured and drawn.
#pragma once

#include "tools/render/cli/arguments.h"

// --analyze: runs the formula set by setPlaybackFormat over the span of
// options, prints the report on standard output and, with --plot, draws the
// picture.  Returns 0, 1 after a failure message, or 2 when the picture's
// file cannot be made (then nothing is rendered).
int analyzeSpan(const RenderOptions &options);
// --plot without --analyze: draws the picture alone.  Returns as
// analyzeSpan does.
int plotSpan(const RenderOptions &options);
