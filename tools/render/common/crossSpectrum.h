// The cross spectrum of two channels of a span, summed over its segments
// (FFTW): what gives the phase of one channel's tone against the other's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The cross spectrum of a span's two channels, a first and a second: over the
// same segments as their spectra (spectrum.h), each segment of each channel
// transformed under the Blackman-Harris window, and the second's bins times
// the conjugates of the first's summed bin by bin.  A tone that both
// channels carry sums at one angle, the second's phase less the first's,
// however its phase moves from segment to segment.
struct CrossSpectrum {
    size_t length;                        // samples per segment
    double binHz;                         // the bins' spacing
    std::vector<double> re, im;           // length / 2 + 1 bins: the sum of Y conj(X)
    std::vector<uint64_t> ends;           // where each segment ends, in samples from the span's start
    size_t nextSegment;                   // the next segment to complete
    uint64_t position;                    // frames taken so far
    std::vector<double> ringFirst;        // the latest length samples of the first, as a ring
    std::vector<double> ringSecond;       // and of the second
    std::vector<double> window;           // the Blackman-Harris window
    std::vector<double> firstRe, firstIm; // a segment's bins of the first channel
    double *input;                        // FFTW's arrays and plan
    void *output;
    void *plan;
};

// Prepares cross for a span of span samples (1 or more).  Returns 1, or 0
// after a message on standard error when FFTW cannot plan it.
int startCrossSpectrum(CrossSpectrum *cross, uint64_t span);
// Takes the span's next count samples of the first channel and of the
// second, transforming each segment they complete.  Returns nothing.
void addToCrossSpectrum(CrossSpectrum *cross, const double *first, const double *second, size_t count);
// Frees FFTW's arrays; the sums stay.  Returns nothing.
void finishCrossSpectrum(CrossSpectrum *cross);
// Returns the second channel's phase against the first's, in degrees from
// above -180 to 180 (positive: the second leads), at the bin nearest
// frequency; NAN where that bin is out of range or holds nothing.  Changes
// nothing.
double crossPhase(const CrossSpectrum &cross, double frequency);
