// --measure: plays the formula through the default output device while the
// default input device records, then says what the sound path did to it.
#pragma once

#include <string>
#include <vector>

#include "tools/render/cli/arguments.h"
#include "tools/render/measure/path.h"

// Writes the report to out: lines of text, or one JSON object when json.
// Returns nothing.
void printPathReport(FILE *out, const PathReport &report, int json);
// Runs --measure for the formula set by setPlaybackFormat.  Returns 0, 3
// when a limit fails or the played signal is not found in the input, 1
// after a failure message (no device, a refused format, a device lost), 2
// when the picture's file cannot be made.
int measureSoundPath(const RenderOptions &options);
