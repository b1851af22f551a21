// The limits of --measure: KEY<=NUMBER or KEY>=NUMBER on a number of the
// report, checked for scripts that want a pass or a fail.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/measure/path.h"

// Returns "" when condition is a limit --measure can check (KEY<=NUMBER or
// KEY>=NUMBER for a number of the report: samples, seconds, rate,
// latency_ms, gain_db, frequency_hz, thd_db, thdn_db, noise_dbfs, snr_db,
// gaps (how many) or clipped_input), else why not.  Changes nothing.
std::string checkLimit(const std::string &condition);
// Writes each limit that report fails, on a line of its own, to out; a
// value with no meaning fails every limit.  Returns how many failed.
int printFailedLimits(FILE *out, const PathReport &report, const std::vector<std::string> &limits);
