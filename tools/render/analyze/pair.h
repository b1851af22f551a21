// The figures of a stereo render's two channels together: how alike their
// played values are, their balance, and the right's phase against the left's
// at the left's tone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/render/analyze/levels.h"
#include "tools/render/common/crossSpectrum.h"
#include "tools/render/common/report.h"
#include "tools/render/common/spectrum.h"

// Sums of the played values less each channel's first, which keeps them
// small beside a large DC, and tells a constant channel exactly.
struct PairSums {
    uint64_t samples;
    double firstLeft, firstRight; // each channel's first value
    int leftVaries, rightVaries;  // 1: a value differs from the first
    double left, right, leftSquares, rightSquares, products;
};

struct ChannelPair {
    PairSums sums;
    CrossSpectrum cross;
};

// Prepares pair for a span of span samples.  Returns 1, or 0 after a message
// on standard error.
int startPair(ChannelPair *pair, uint64_t span);
// Takes the span's next count values of the left channel and of the right.
// Returns nothing.
void addToPair(ChannelPair *pair, const double *left, const double *right, size_t count);
// Frees what the sums no longer need.  Returns nothing.
void finishPair(ChannelPair *pair);
// Returns the lines of a finished pair, given the left's and the right's
// levels and spectra: correlation (null when a channel is constant),
// balance_db (20 log10 of the left's RMS over the right's; null when one is
// silent) and phase_deg (the right's phase less the left's at the left's
// tone, from above -180 to 180; null unless the right holds that tone too).
// Changes nothing.
std::vector<ReportLine> pairLines(const ChannelPair &pair, const Levels levels[2], const Spectrum spectra[2]);
