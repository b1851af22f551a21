// Resampling of the played values to another rate through libsoxr, at its
// very high quality setting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Resampler {
    void *soxr;                // the libsoxr handle
    uint64_t wanted;           // output frames the whole input makes
    uint64_t produced;         // output frames handed out so far
    std::vector<double> ready; // the output of the last step, its channels interleaved
    unsigned channels;         // samples in a frame
};

// Starts resampling frames of channels interleaved values at the renderer's
// rate to rate, wanted frames in all.  Returns 1, or 0 after a message on
// standard error.
int openResampler(Resampler *resampler, uint64_t wanted, uint32_t rate, unsigned channels);
// Takes count more frames of values (none, with values null, at the end:
// the rest of the output then comes out) and stores in resampler->ready the
// output frames they complete, never more than resampler->wanted in all
// and, at the end, exactly that many.  Returns 1, or 0 after a message.
int resampleValues(Resampler *resampler, const double *values, size_t count);
// Ends the resampler.
void closeResampler(Resampler *resampler);
