// The report of --analyze: the levels of the played values of a span, where
// the formula clipped or failed, and the tone its spectrum holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/render/common/report.h"
#include "tools/render/common/spectrum.h"

const int levelLabelWidth = 19;  // the text report's labels, padded
const size_t levelSpanLines = 2; // levelLines' first: the samples and the seconds, alike in every channel

// A count of samples with one kind of event, and the t of the first.
struct EventCount {
    uint64_t count;
    double firstT;
};

struct Levels {
    uint64_t samples;
    double sum, sumOfSquares; // of the played values
    double peak, peakT;       // the largest magnitude, and the t where it first appears
    EventCount clipped, failed, nonfinite;
};

// Sets levels to an empty span.  Returns nothing.
void startLevels(Levels *levels);
// Takes count played values with their SampleEvent bits and times.  Returns
// nothing.
void addToLevels(Levels *levels, const double *values, const unsigned char *events, const double *times, size_t count);
// Returns the lines of the report of levels and the tone of spectrum: the
// samples and seconds, then the levels, the tone and the events.  Changes
// nothing.
std::vector<ReportLine> levelLines(const Levels &levels, const Spectrum &spectrum);
// Writes the report of levels and the tone of spectrum to out: lines of text,
// or one JSON object when json.  Returns nothing.
void printReport(FILE *out, const Levels &levels, const Spectrum &spectrum, int json);
