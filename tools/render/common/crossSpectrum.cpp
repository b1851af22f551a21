// The cross spectrum of two channels: see crossSpectrum.h.
//
// Under a window whose leakage lies below -180 dB beyond 7 bins, a tone's
// bins in either channel are its amplitude and phase times one and the same
// window's transform; their product with the other's conjugate keeps only
// the difference of the phases, exactly, for a tone well clear of the DC.
#include "tools/render/common/crossSpectrum.h"

#include <cmath>
#include <cstdio>
#include <fftw3.h>

#include "tools/render/common/signal.h"
#include "tools/render/common/spectrum.h"

namespace {

// Copies ring's segment (its oldest sample at oldest) under the window into
// the transform's input and transforms it.
void transformRing(CrossSpectrum *x, const std::vector<double> &ring, size_t oldest) {
    const size_t n = x->length, first = n - oldest;
    for (size_t i = 0; i < n; i++)
        x->input[i] = (i < first ? ring[oldest + i] : ring[i - first]) * x->window[i];
    fftw_execute((fftw_plan)x->plan);
}

// Adds the segment's product of bins to the sums.
void transformSegment(CrossSpectrum *x, size_t oldest) {
    const fftw_complex *out = (const fftw_complex *)x->output;
    const size_t bins = x->re.size();
    transformRing(x, x->ringFirst, oldest);
    for (size_t k = 0; k < bins; k++) {
        x->firstRe[k] = out[k][0];
        x->firstIm[k] = out[k][1];
    }
    transformRing(x, x->ringSecond, oldest);
    for (size_t k = 0; k < bins; k++) {
        const double r = out[k][0], i = out[k][1], fr = x->firstRe[k], fi = x->firstIm[k];
        x->re[k] += r * fr + i * fi;
        x->im[k] += i * fr - r * fi;
    }
}

} // namespace

int startCrossSpectrum(CrossSpectrum *x, uint64_t span) {
    x->length = segmentLength(span);
    x->binHz = (double)renderRate / (double)x->length;
    const size_t bins = x->length / 2 + 1;
    x->re.assign(bins, 0.0);
    x->im.assign(bins, 0.0);
    x->firstRe.assign(bins, 0.0);
    x->firstIm.assign(bins, 0.0);
    segmentEnds(span, x->length, &x->ends);
    x->nextSegment = 0;
    x->position = 0;
    x->ringFirst.assign(x->length, 0.0);
    x->ringSecond.assign(x->length, 0.0);
    blackmanHarrisWindow(x->length, &x->window);
    x->input = fftw_alloc_real(x->length);
    x->output = fftw_alloc_complex(bins);
    x->plan = x->input && x->output
                  ? fftw_plan_dft_r2c_1d((int)x->length, x->input, (fftw_complex *)x->output, FFTW_ESTIMATE)
                  : nullptr;
    if (!x->plan) {
        std::fprintf(stderr, "tonalix-render: cannot prepare the cross spectrum of %zu samples\n", x->length);
        finishCrossSpectrum(x);
        return 0;
    }
    return 1;
}

void addToCrossSpectrum(CrossSpectrum *x, const double *first, const double *second, size_t count) {
    const size_t n = x->length;
    size_t at = (size_t)(x->position % n);
    for (size_t i = 0; i < count; i++) {
        x->ringFirst[at] = first[i];
        x->ringSecond[at] = second[i];
        if (++at == n) at = 0;
        x->position++;
        while (x->nextSegment < x->ends.size() && x->ends[x->nextSegment] == x->position) {
            transformSegment(x, at); // the oldest sample is where the next one goes
            x->nextSegment++;
        }
    }
}

void finishCrossSpectrum(CrossSpectrum *x) {
    if (x->plan) fftw_destroy_plan((fftw_plan)x->plan);
    if (x->input) fftw_free(x->input);
    if (x->output) fftw_free(x->output);
    x->plan = x->output = nullptr;
    x->input = nullptr;
    x->ringFirst = std::vector<double>();
    x->ringSecond = std::vector<double>();
    x->window = std::vector<double>();
    x->firstRe = std::vector<double>();
    x->firstIm = std::vector<double>();
}

double crossPhase(const CrossSpectrum &x, double frequency) {
    const double bin = std::round(frequency / x.binHz);
    if (!(bin >= 0 && bin < (double)x.re.size())) return NAN;
    const double re = x.re[(size_t)bin], im = x.im[(size_t)bin];
    if (re == 0 && im == 0) return NAN;
    const double degrees = std::atan2(im, re) * (180 / 3.14159265358979323846);
    return degrees <= -180 ? degrees + 360 : degrees;
}
