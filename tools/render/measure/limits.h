// The limits of --measure: KEY<=NUMBER or KEY>=NUMBER on a number of the
// report, checked for scripts that want a pass or a fail.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/measure/path.h"

// Returns "" when condition is a limit --measure can check (KEY<=NUMBER or
// KEY>=NUMBER for a number of the report: samples, seconds, rate,
// latency_ms, drift_ppm, gain_db, frequency_hz, thd_db, thdn_db,
// noise_dbfs, snr_db, gaps (how many), clipped_input or crosstalk_db), else
// why not.  Changes nothing.
std::string checkLimit(const std::string &condition);
// Writes each limit that report (of one channel recorded in one input)
// fails, on a line of its own, to out; a value with no meaning fails every
// limit, and crosstalk_db holds of one input.  Returns how many failed.
int printFailedLimits(FILE *out, const PathReport &report, const std::vector<std::string> &limits);
// Writes each limit that a channel of reports (one a played channel, in
// order) fails, a line for each channel that fails it, naming the channel,
// to out.  A limit on crosstalk_db holds for every input of a channel but
// the one that carries it; digital silence there (-INFINITY) is below
// every bound, and a value with no meaning fails every limit.  Returns how
// many lines it wrote.
int printFailedChannelLimits(FILE *out, const std::vector<PathReport> &reports, const std::vector<std::string> &limits);
// Returns "channel N (name)" for channel (from 0) of count channels, or
// "channel 1" of one.
std::string channelTitle(unsigned channel, unsigned count);
