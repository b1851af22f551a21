// The averaged magnitude spectrum of a span of played values (FFTW), and
// the tone it holds: its frequency, its harmonic distortion and its
// distortion plus noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

const size_t longestSegment = 132300; // one second: bins 1 Hz apart

// The spectrum of a span: windowed segments of one length, spread evenly
// over the span so that every sample is in one, and their power averaged
// bin by bin.  Each segment is transformed under two windows: a 7-term
// Blackman-Harris window, whose leakage lies below -180 dB beyond 7 bins,
// for levels, and a Hann window, whose shape gives a tone's frequency.
struct Spectrum {
    size_t length;                          // samples per segment: the span, or one second of a longer one
    size_t size;                            // the transform's size: length, or more with zeros after the segment
    double binHz;                           // the bins' spacing
    std::vector<double> power;              // size / 2 + 1 bins: the average |X|^2 under the Blackman-Harris window
    std::vector<double> hannPower;          // the same under the Hann window; empty when padded
    std::vector<uint64_t> ends;             // where each segment ends, in samples from the span's start
    size_t nextSegment;                     // the next segment to complete
    uint64_t position;                      // samples taken so far
    std::vector<double> recent;             // the latest length samples, as a ring
    std::vector<double> window;             // the Blackman-Harris window
    std::vector<double> hann;               // the Hann window, unless padded
    std::vector<double> spreadRe, spreadIm; // a segment's bins, extended past both ends
    double *input;                          // FFTW's arrays and plan
    void *output;
    void *plan;
};

// What estimateTone finds.
struct ToneEstimate {
    int found;        // 1: a tone stands out (the rest is meaningless otherwise)
    double frequency; // Hz, interpolated between bins
    double thdDb;     // harmonics 2 to 10 against the fundamental, dB
    double thdnDb;    // all but the fundamental and the DC against the fundamental, dB
};

// Returns the samples of each segment of a span of span samples: the span,
// or one second of a longer one.
size_t segmentLength(uint64_t span);
// Sets *ends to where each segment of length samples ends, in samples from
// the span's start, spread evenly over a span of span samples.  Returns
// nothing.
void segmentEnds(uint64_t span, size_t length, std::vector<uint64_t> *ends);
// Sets *window to the 7-term Blackman-Harris window of length samples.
// Returns nothing.
void blackmanHarrisWindow(size_t length, std::vector<double> *window);
// Prepares spectrum for a span of span samples (1 or more); a span shorter
// than a second with padded 1 gets zeros after its samples up to the size of
// a second's transform (at most 16 times its length), for bins closer
// together than its length gives: a smooth curve to draw, but no tone to
// estimate.  Returns 1, or 0 after a message on standard error when FFTW
// cannot plan it.
int startSpectrum(Spectrum *spectrum, uint64_t span, int padded);
// Takes the span's next count values, transforming each segment they
// complete.  Returns nothing.
void addToSpectrum(Spectrum *spectrum, const double *values, size_t count);
// Turns the sums into averages and frees FFTW's arrays; power stays.
// Returns nothing.
void finishSpectrum(Spectrum *spectrum);
// Returns the level of bin in dBFS under the Blackman-Harris window, where
// a full-scale sine centred on a bin reads 0; -1000 for an empty bin.
// Changes nothing.
double binDbfs(const Spectrum &spectrum, size_t bin);
// Returns the tone of a finished spectrum without padding: the strongest
// peak above the DC, when it holds at least 1% of the power and lies above
// -150 dBFS, with its frequency interpolated from its neighbours by the Hann
// window's shape, and its distortion from the Blackman-Harris bins.
// Changes nothing.
ToneEstimate estimateTone(const Spectrum &spectrum);
// Returns 1 when a finished spectrum without padding holds a tone at
// frequency: a peak of the Hann bins within a bin of it that stands out as
// estimateTone's must, and whose frequency is within a twentieth of a bin of
// frequency; else 0.  Changes nothing.
int holdsToneAt(const Spectrum &spectrum, double frequency);
