// The report of --analyze for several channels: the span once, each
// channel's figures, and after them those of the channels together.
#pragma once

#include <cstddef>
#include <cstdio>

#include "tools/render/analyze/levels.h"
#include "tools/render/common/report.h"

// Writes the report of channels (2 or more) channels to out, levels[c] and
// spectra[c] being channel c's, and after them the count lines of together.
// As text: the samples and seconds, a block per channel headed "channel N
// (name)" with the rest of its lines, then together.  As JSON, one object:
// the samples and seconds, "channels", an array of an object per channel
// (its "channel" number from 1 and "name", then every key of a
// one-channel report), then together's keys.  Returns nothing.
void printChannelsReport(FILE *out, const Levels *levels, const Spectrum *spectra, unsigned channels,
                         const ReportLine *together, size_t count, int json);
