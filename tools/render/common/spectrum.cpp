// The averaged spectrum of a span and its tone: see spectrum.h.
//
// The segments are at most a second long, so a long span costs two
// transforms per second and its memory stays that of one second.  Where the
// span is not a whole number of seconds the segments overlap a little,
// spaced evenly from its start to its end.
//
// The frequency comes from the ratio of the Hann spectrum's peak bin to its
// larger neighbour.  For a tone between bins k and k+1, at k + d, the Hann
// window's spectrum makes that ratio of magnitudes a = (1 + d) / (2 - d),
// so d = (2a - 1) / (a + 1): exact for a lone tone, whatever its phase, and
// so also for power averaged over segments.  The powers of the tone, its
// harmonics and the rest are summed from the Blackman-Harris bins, where a
// tone's leakage beyond its 8 nearest bins is negligible.
#include "tools/render/common/spectrum.h"

#include <cmath>
#include <cstdio>
#include <fftw3.h>

#include "tools/render/common/signal.h"

namespace {

// The 7-term Blackman-Harris window's coefficients: a0 - a1 cos x + a2 cos 2x - ...
const double blackmanHarris[] = {0.27105140069342, 0.43329793923448, 0.21812299954311, 0.06592544638803,
                                 0.01081174209837, 0.00077658482522, 0.00001388721735};
const double pi = 3.14159265358979323846;

const size_t hannDcBins = 3; // Hann bins 0 to 2 hold the DC's window: never the tone
const size_t halfWidth = 8;  // a tone's Blackman-Harris window spans its bin and 7 on each side; one more
const size_t wideDcBins = 9; // Blackman-Harris bins 0 to 8: the DC's, never noise
const int highestHarmonic = 10;
const double sameToneBins = 0.05; // two tones this close are one

// Copies the ring's segment (its oldest sample at oldest) under window (or
// as it is, for none) into the transform's input and transforms it.
void transformRing(Spectrum *s, size_t oldest, const std::vector<double> *window) {
    size_t n = s->length, first = n - oldest;
    for (size_t i = 0; i < n; i++) {
        double v = i < first ? s->recent[oldest + i] : s->recent[i - first];
        s->input[i] = window ? v * (*window)[i] : v;
    }
    for (size_t i = n; i < s->size; i++)
        s->input[i] = 0.0;
    fftw_execute((fftw_plan)s->plan);
}

// Adds the power of the transform's output to sums.
void addPower(const Spectrum *s, std::vector<double> *sums) {
    const fftw_complex *out = (const fftw_complex *)s->output;
    for (size_t k = 0; k < sums->size(); k++)
        (*sums)[k] += out[k][0] * out[k][0] + out[k][1] * out[k][1];
}

// Adds the segment's power under both windows to the sums.  Unpadded, the
// segment is transformed once as it is and each window applied to the bins:
// a window of cosines k cycles long multiplies the transform by a sum of
// bins k apart, X[k] = conj(X[-k]) = conj(X[n - k]).  Padded, the window
// must come first.
void transformSegment(Spectrum *s, size_t oldest) {
    const size_t reach = 6; // the window's highest cosine: 6 bins each way
    if (s->size != s->length || s->length < 4 * reach) {
        transformRing(s, oldest, &s->window);
        addPower(s, &s->power);
        if (s->hann.empty()) return;
        transformRing(s, oldest, &s->hann);
        addPower(s, &s->hannPower);
        return;
    }
    transformRing(s, oldest, nullptr);
    const fftw_complex *out = (const fftw_complex *)s->output;
    const size_t half = s->power.size() - 1, n = s->length;
    // The bins from -reach to half + reach, at reach to half + 2 reach.
    std::vector<double> &re = s->spreadRe, &im = s->spreadIm;
    re.resize(half + 1 + 2 * reach);
    im.resize(half + 1 + 2 * reach);
    for (size_t k = 0; k <= half; k++) {
        re[k + reach] = out[k][0];
        im[k + reach] = out[k][1];
    }
    for (size_t j = 1; j <= reach; j++) {
        re[reach - j] = out[j][0];
        im[reach - j] = -out[j][1];
        re[half + reach + j] = out[n - half - j][0];
        im[half + reach + j] = -out[n - half - j][1];
    }
    double taps[reach + 1];
    taps[0] = blackmanHarris[0];
    for (size_t m = 1; m <= reach; m++)
        taps[m] = (m % 2 ? -0.5 : 0.5) * blackmanHarris[m];
    for (size_t k = 0; k <= half; k++) {
        const double *r = &re[k + reach], *i = &im[k + reach];
        double wr = taps[0] * r[0], wi = taps[0] * i[0];
        for (size_t m = 1; m <= reach; m++) {
            wr += taps[m] * (r[-(long)m] + r[m]);
            wi += taps[m] * (i[-(long)m] + i[m]);
        }
        s->power[k] += wr * wr + wi * wi;
        double hr = 0.5 * r[0] - 0.25 * (r[-1] + r[1]), hi = 0.5 * i[0] - 0.25 * (i[-1] + i[1]);
        s->hannPower[k] += hr * hr + hi * hi;
    }
}

// Returns the Blackman-Harris power of the bins from center - halfWidth to
// center + halfWidth that lie in the spectrum.
double powerAround(const Spectrum &s, size_t center) {
    size_t from = center > halfWidth ? center - halfWidth : 0;
    size_t to = center + halfWidth < s.power.size() ? center + halfWidth : s.power.size() - 1;
    double sum = 0;
    for (size_t k = from; k <= to; k++)
        sum += s.power[k];
    return sum;
}

// Returns 10 log10(power / reference), -infinity for no power.
double ratioDb(double power, double reference) { return 10 * std::log10(power / reference); }

// Returns the tone whose Hann peak is bin peak (hannDcBins to the last bin
// but one of a spectrum with at least wideDcBins + 2 halfWidth of them),
// found when it stands out as estimateTone requires.
ToneEstimate toneAtPeak(const Spectrum &s, size_t peak) {
    ToneEstimate tone = {0, 0, 0, 0};
    const std::vector<double> &hann = s.hannPower;
    size_t half = hann.size() - 1;
    double left = hann[peak - 1], right = hann[peak + 1];
    double ratio = std::sqrt((right >= left ? right : left) / hann[peak]);
    double offset = (2 * ratio - 1) / (ratio + 1);
    if (right < left) offset = -offset;
    size_t center = (size_t)std::llround((double)peak + offset);

    // A tone is a peak of its own, not the slope of the DC's or of a drift's
    // spectrum, and not lost in noise.
    double total = 0;
    for (size_t k = wideDcBins; k <= half; k++)
        total += s.power[k];
    double fundamental = powerAround(s, center);
    if (peak == hannDcBins || left > hann[peak] || center < wideDcBins || !(total > 0) || fundamental < 0.01 * total ||
        binDbfs(s, center) < -150)
        return tone;
    tone.found = 1;
    tone.frequency = ((double)peak + offset) * s.binHz;
    double harmonics = 0;
    for (int h = 2; h <= highestHarmonic; h++) {
        double bin = h * ((double)peak + offset);
        if (bin + halfWidth > (double)half) break;
        harmonics += powerAround(s, (size_t)std::llround(bin));
    }
    tone.thdDb = ratioDb(harmonics, fundamental);
    // The rest, summed outside the fundamental's bins (never a difference,
    // which rounding could make negative).
    double rest = 0;
    for (size_t k = wideDcBins; k <= half; k++)
        if (k + halfWidth < center || k > center + halfWidth) rest += s.power[k];
    tone.thdnDb = ratioDb(rest, fundamental);
    return tone;
}

} // namespace

size_t segmentLength(uint64_t span) { return span < longestSegment ? (size_t)span : longestSegment; }

void segmentEnds(uint64_t span, size_t length, std::vector<uint64_t> *ends) {
    uint64_t segments = (span + length - 1) / length;
    ends->clear();
    for (uint64_t j = 0; j < segments; j++) {
        double spacing = segments == 1 ? 0 : (double)(span - length) / (double)(segments - 1);
        ends->push_back((uint64_t)std::llround((double)j * spacing) + length);
    }
}

void blackmanHarrisWindow(size_t length, std::vector<double> *window) {
    window->assign(length, 0.0);
    for (size_t i = 0; i < length; i++) {
        double x = 2 * pi * (double)i / (double)length;
        for (int k = 0; k < 7; k++)
            (*window)[i] += (k % 2 ? -1 : 1) * blackmanHarris[k] * std::cos(k * x);
    }
}

int startSpectrum(Spectrum *s, uint64_t span, int padded) {
    s->length = segmentLength(span);
    s->size = s->length;
    if (padded && s->length < longestSegment)
        s->size = s->length * 16 < longestSegment ? s->length * 16 : longestSegment;
    s->binHz = (double)renderRate / (double)s->size;
    s->power.assign(s->size / 2 + 1, 0.0);
    s->hannPower.assign(s->size == s->length ? s->size / 2 + 1 : 0, 0.0);
    segmentEnds(span, s->length, &s->ends);
    s->nextSegment = 0;
    s->position = 0;
    s->recent.assign(s->length, 0.0);
    blackmanHarrisWindow(s->length, &s->window);
    s->hann.assign(s->hannPower.empty() ? 0 : s->length, 0.0);
    for (size_t i = 0; i < s->hann.size(); i++)
        s->hann[i] = 0.5 - 0.5 * std::cos(2 * pi * (double)i / (double)s->length);
    s->input = fftw_alloc_real(s->size);
    s->output = fftw_alloc_complex(s->size / 2 + 1);
    s->plan = s->input && s->output
                  ? fftw_plan_dft_r2c_1d((int)s->size, s->input, (fftw_complex *)s->output, FFTW_ESTIMATE)
                  : nullptr;
    if (!s->plan) {
        std::fprintf(stderr, "tonalix-render: cannot prepare the spectrum of %zu samples\n", s->length);
        finishSpectrum(s);
        return 0;
    }
    return 1;
}

void addToSpectrum(Spectrum *s, const double *values, size_t count) {
    size_t n = s->length, at = (size_t)(s->position % n);
    for (size_t i = 0; i < count; i++) {
        s->recent[at] = values[i];
        if (++at == n) at = 0;
        s->position++;
        while (s->nextSegment < s->ends.size() && s->ends[s->nextSegment] == s->position) {
            transformSegment(s, at); // the oldest sample is where the next one goes
            s->nextSegment++;
        }
    }
}

void finishSpectrum(Spectrum *s) {
    for (std::vector<double> *sums : {&s->power, &s->hannPower})
        for (double &p : *sums)
            p /= s->nextSegment > 0 ? (double)s->nextSegment : 1.0;
    if (s->plan) fftw_destroy_plan((fftw_plan)s->plan);
    if (s->input) fftw_free(s->input);
    if (s->output) fftw_free(s->output);
    s->plan = s->output = nullptr;
    s->input = nullptr;
    s->recent = std::vector<double>();
    s->window = std::vector<double>();
    s->hann = std::vector<double>();
}

double binDbfs(const Spectrum &s, size_t bin) {
    double p = s.power[bin];
    if (!(p > 0)) return -1000.0;
    // A sine of amplitude A centred on a bin gives |X| = A * length * a0 / 2.
    double fullScale = (double)s.length * blackmanHarris[0] / 2;
    return 10 * std::log10(p / (fullScale * fullScale));
}

ToneEstimate estimateTone(const Spectrum &s) {
    if (s.hannPower.empty() || s.hannPower.size() - 1 < wideDcBins + 2 * halfWidth)
        return ToneEstimate{0, 0, 0, 0}; // padded (the estimate needs the plain bins), or too few
    const std::vector<double> &hann = s.hannPower;
    size_t peak = hannDcBins;
    for (size_t k = hannDcBins; k < hann.size() - 1; k++)
        if (hann[k] > hann[peak]) peak = k;
    return toneAtPeak(s, peak);
}

int holdsToneAt(const Spectrum &s, double frequency) {
    if (s.hannPower.empty() || s.hannPower.size() - 1 < wideDcBins + 2 * halfWidth) return 0;
    const std::vector<double> &hann = s.hannPower;
    const double bin = frequency / s.binHz;
    if (!(bin >= (double)hannDcBins + 1 && bin < (double)hann.size() - 3)) return 0;
    const size_t nearest = (size_t)std::llround(bin);
    size_t peak = nearest;
    for (size_t k = nearest - 1; k <= nearest + 1; k++)
        if (hann[k] > hann[peak]) peak = k;
    if (hann[peak + 1] > hann[peak]) return 0; // a slope towards a peak above
    const ToneEstimate tone = toneAtPeak(s, peak);
    return tone.found && std::fabs(tone.frequency - frequency) <= sameToneBins * s.binHz;
}
