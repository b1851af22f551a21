// The picture of --measure --plot: the played and the returned waveform,
// lined up, over each other, and the path's response against frequency.
#pragma once

#include <string>
#include <vector>

#include "tools/render/common/output.h"
#include "tools/render/measure/path.h"

// Returns the pixel columns the waveform panel of a width x height picture
// has.  Changes nothing.
int pathPlotColumns(int width, int height);
// Draws reports (with their columns; one a played channel, in order) as
// PNG, or SVG when svg, of width x height pixels under title, to output,
// which it then finishes.  Returns 1, or 0 after a message (the output is
// abandoned).
int drawPathPlot(RenderOutput *output, const std::vector<PathReport> &reports, const std::string &title, int width,
                 int height, int svg);
