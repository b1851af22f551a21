// Resampling of the played values to another rate through libsoxr, at its
// very high quality setting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Resampler {
    void *soxr;                // the libsoxr handle
    uint64_t wanted;           // output samples the whole input makes
    uint64_t produced;         // output samples handed out so far
    std::vector<double> ready; // the output of the last step
};

// Starts resampling values at the renderer's rate to rate, wanted samples in
// all.  Returns 1, or 0 after a message on standard error.
int openResampler(Resampler *resampler, uint64_t wanted, uint32_t rate);
// Takes count more values (none, with values null, at the end: the rest of
// the output then comes out) and stores in resampler->ready the output they
// complete, never more than resampler->wanted in all and, at the end,
// exactly that many.  Returns 1, or 0 after a message.
int resampleValues(Resampler *resampler, const double *values, size_t count);
// Ends the resampler.
void closeResampler(Resampler *resampler);
