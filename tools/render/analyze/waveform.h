// The waveform panel's data: the played values of a span reduced to what
// the panel's pixel columns can show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A span with no more samples than this many per column keeps every sample
// and is drawn as a line through them; a longer one keeps, per column, the
// lowest and the highest value (its envelope).
const double samplesPerColumnForLines = 2.0;

struct Waveform {
    int columns;                       // the panel's pixel columns
    uint64_t span;                     // samples in the span
    uint64_t position;                 // samples taken so far
    int lines;                         // 1: every sample is kept
    int column;                        // envelope: the column the next sample falls in
    uint64_t nextColumnStart;          // envelope: the first sample of the column after it
    std::vector<double> values;        // lines: the samples
    std::vector<float> low, high;      // envelope: per column
    std::vector<unsigned char> events; // SampleEvent bits per sample (lines) or per column (envelope)
};

// Prepares waveform for span samples shown on columns pixel columns.
// Returns nothing.
void startWaveform(Waveform *waveform, uint64_t span, int columns);
// Takes the span's next count values and their SampleEvent bits.  Returns
// nothing.
void addToWaveform(Waveform *waveform, const double *values, const unsigned char *events, size_t count);
// Returns how many points the waveform holds: samples for lines, columns
// for an envelope.  Changes nothing.
size_t waveformPoints(const Waveform &waveform);
