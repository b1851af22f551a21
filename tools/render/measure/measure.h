// --measure: plays the formula through the default output device while the
// default input device records, then says what the sound path did to it.
#pragma once

#include <string>
#include <vector>

#include "tools/render/cli/arguments.h"
#include "tools/render/common/report.h"
#include "tools/render/measure/path.h"

// The labels of a report's text are padded to this.
const int pathLabelWidth = 15;

// Returns the lines of report, from samples to clipped_input.  Changes
// nothing.
std::vector<ReportLine> pathReportLines(const PathReport &report);
// Writes the report of one channel recorded in one input to out: lines of
// text, or one JSON object when json.  Returns nothing.
void printPathReport(FILE *out, const PathReport &report, int json);
// Runs --measure for the formulas set by setChannelPlaybackFormat: one run
// for each channel, the others silent, recorded in as many input channels
// (or --input-channels).  Returns 0, 3 when a limit fails or the played
// signal of a channel is not found in the input, 1 after a failure message
// (no device, a refused format, a device lost), 2 when the picture's file
// cannot be made.
int measureSoundPath(const RenderOptions &options);
