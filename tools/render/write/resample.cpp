// Resampling through libsoxr: see resample.h.
//
// libsoxr keeps the filter's delay to itself: what it hands out lines up
// with the input from the first sample on, and the end of the input is
// drained by calls without input.  Its total may differ from the nearest
// whole number by a sample, so the output is cut there, or padded with
// silence.
#include "tools/render/write/resample.h"

#include <cstdio>
#include <soxr.h>

#include "tools/render/common/signal.h"

namespace {

// Feeds count frames (none, with values null, at the end) and appends all
// the output they give to ready.  Returns 1, or 0 after a message.
int runSoxr(Resampler *resampler, const double *values, size_t count) {
    soxr_t soxr = (soxr_t)resampler->soxr;
    const unsigned channels = resampler->channels;
    size_t taken = 0;
    for (;;) {
        size_t room = (size_t)((double)count * 192000.0 / renderRate) + 1024; // frames
        size_t at = resampler->ready.size();
        resampler->ready.resize(at + room * channels);
        size_t used = 0, made = 0;
        soxr_error_t error = soxr_process(soxr, values ? values + taken * channels : nullptr,
                                          values ? count - taken : 0, &used, resampler->ready.data() + at, room, &made);
        if (error) {
            std::fprintf(stderr, "tonalix-render: the resampler failed: %s\n", error);
            return 0;
        }
        resampler->ready.resize(at + made * channels);
        taken += used;
        if (values ? taken >= count && made < room : made == 0) return 1;
    }
}

} // namespace

int openResampler(Resampler *resampler, uint64_t wanted, uint32_t rate, unsigned channels) {
    resampler->channels = channels;
    resampler->wanted = wanted;
    resampler->produced = 0;
    resampler->ready.clear();
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    resampler->soxr = soxr_create(renderRate, rate, channels, &error, &io, &quality, nullptr);
    if (!resampler->soxr || error) {
        std::fprintf(stderr, "tonalix-render: cannot start the resampler: %s\n", error ? error : "no reason given");
        resampler->soxr = nullptr;
        return 0;
    }
    return 1;
}

int resampleValues(Resampler *resampler, const double *values, size_t count) {
    resampler->ready.clear();
    if (!runSoxr(resampler, values, count)) return 0;
    const unsigned channels = resampler->channels;
    uint64_t left = resampler->wanted - resampler->produced;
    if (resampler->ready.size() > left * channels) resampler->ready.resize((size_t)left * channels);
    if (!values && resampler->ready.size() < left * channels) resampler->ready.resize((size_t)left * channels, 0.0);
    resampler->produced += resampler->ready.size() / channels;
    return 1;
}

void closeResampler(Resampler *resampler) {
    if (resampler->soxr) soxr_delete((soxr_t)resampler->soxr);
    resampler->soxr = nullptr;
}
