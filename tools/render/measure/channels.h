// The report of --measure for several channels, or for an input of several:
// today's figures of each played channel, measured on the input that
// carries it, then the crosstalk between every channel and every input.
#pragma once

#include <cstdio>
#include <vector>

#include "tools/render/measure/path.h"

// Writes the report of reports (one a played channel, in order; each with
// the crosstalk of every input) to out: as text, a block for each channel
// and the crosstalk's table; or, when json, one JSON object on a line, with
// "channels" (an object a channel: "channel" and "input_channel", counted
// from 1, then the keys of one channel's report) and "crosstalk_db" (a row
// a channel, a column an input; null for digital silence, and for a channel
// not found).  Returns nothing.
void printChannelsReport(FILE *out, const std::vector<PathReport> &reports, int json);
