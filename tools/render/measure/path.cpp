// The analysis of --measure: see path.h.
//
// The latency comes from the first seconds: the played signal's lead of
// silence and up to two seconds of the span, cross-correlated with the
// recording (through FFTW) over lags up to a second.  The rest streams: the
// played signal is read again once, sample for sample beside the recording
// shifted by the latency, into the levels, the tone's spectrum (as
// --analyze measures), the response's averaged spectra and the gaps' blocks,
// so that the memory beyond the recording stays small.  The recording is
// read along the lag as drift.cpp follows it, so that an input clocked apart
// from the output stays lined up with the played signal to the span's end.
#include "tools/render/measure/path.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/render/common/spectrum.h"
#include "tools/render/measure/drift.h"

namespace {

const double fullScale = 32767.0;
const double headSeconds = 2.0;       // of the span, for the latency
const double longestLagSeconds = 2.5; // the latency searched for (through a sound server, well over a second)
const double leastCorrelation = 0.3;  // below this there is no trace of the played signal
const double gapBlockMs = 0.5;        // the gaps' blocks
const double gapShortestMs = 2.0;
const double gapDepth = 0.01;  // -40 dB: a block this far below its signal's RMS is silent
const double bandFloor = 1e-6; // -60 dB: bands the played signal has energy in, against the strongest
const size_t longestResponseSegment = 32768;
const double pi = 3.14159265358979323846;

// Returns 10 log10(ratio), NAN where it has no meaning.
double powerDb(double ratio) { return ratio > 0 && std::isfinite(ratio) ? 10.0 * std::log10(ratio) : NAN; }

// Where the played signal lines up with one input of the recording.
struct InputLag {
    long lag;           // in samples, -earliest to longest
    double coefficient; // the correlation coefficient there
    double strength;    // the correlation itself there: the played signal's amount in the input
};

// Returns where input (of inputs interleaved) of recorded best lines up with
// head; *planned is 0 when FFTW cannot plan the transform.  A negative lag
// means the recording began after the playback: through a sound server, a
// monitor records only once something plays.
InputLag bestLag(const std::vector<int16_t> &head, const std::vector<int16_t> &recorded, unsigned inputs,
                 unsigned input, size_t earliest, size_t longest, int *planned) {
    // The recording stands earliest samples into b, so that lag k is index
    // k + earliest of the correlation.
    const size_t n = head.size(), m = earliest + std::min(recorded.size() / inputs, n + longest);
    size_t size = 1;
    while (size < n + m)
        size <<= 1;
    double *a = fftw_alloc_real(size), *b = fftw_alloc_real(size);
    fftw_complex *fa = fftw_alloc_complex(size / 2 + 1), *fb = fftw_alloc_complex(size / 2 + 1);
    fftw_plan forwardA = fftw_plan_dft_r2c_1d((int)size, a, fa, FFTW_ESTIMATE);
    fftw_plan forwardB = fftw_plan_dft_r2c_1d((int)size, b, fb, FFTW_ESTIMATE);
    fftw_plan backward = fftw_plan_dft_c2r_1d((int)size, fa, a, FFTW_ESTIMATE);
    InputLag found = {0, 0, 0};
    *planned = a && b && fa && fb && forwardA && forwardB && backward;
    if (*planned) {
        std::fill(a, a + size, 0.0);
        std::fill(b, b + size, 0.0);
        for (size_t i = 0; i < n; i++)
            a[i] = head[i];
        for (size_t i = earliest; i < m; i++)
            b[i] = recorded[(i - earliest) * inputs + input];
        fftw_execute(forwardA);
        fftw_execute(forwardB);
        for (size_t k = 0; k <= size / 2; k++) { // conj(A) * B: the correlation of b against a
            const double re = fa[k][0] * fb[k][0] + fa[k][1] * fb[k][1];
            const double im = fa[k][0] * fb[k][1] - fa[k][1] * fb[k][0];
            fa[k][0] = re;
            fa[k][1] = im;
        }
        fftw_execute(backward);
        // The energies of head and of each window of the recording it meets.
        double headEnergy = 0;
        for (int16_t v : head)
            headEnergy += (double)v * v;
        std::vector<double> prefix(m + 1, 0.0);
        for (size_t i = 0; i < m; i++)
            prefix[i + 1] = prefix[i] + b[i] * b[i];
        double best = -1;
        const size_t lags = m > n ? std::min(earliest + longest, m - n) + 1 : 1;
        for (size_t k = 0; k < lags; k++) {
            const double energy = prefix[std::min(m, k + n)] - prefix[k];
            if (headEnergy <= 0 || energy <= 0) continue;
            const double r = a[k] / (double)size / std::sqrt(headEnergy * energy);
            if (r > best) {
                best = r;
                found = InputLag{(long)k - (long)earliest, r, a[k] / (double)size};
            }
        }
    }
    fftw_destroy_plan(forwardA);
    fftw_destroy_plan(forwardB);
    fftw_destroy_plan(backward);
    fftw_free(a);
    fftw_free(b);
    fftw_free(fa);
    fftw_free(fb);
    return found;
}

// The averaged power spectra of the played and the returned span under a
// Hann window, half-overlapping segments: the response's data.
struct ResponseSpectra {
    size_t length;
    std::vector<double> window, played, returned; // window, then the bins' sums
    std::vector<double> segmentPlayed, segmentReturned;
    size_t filled;
    double *input;
    fftw_complex *output;
    fftw_plan plan;
};

// Transforms one segment and adds its power to sums.  Returns nothing.
void addSegment(ResponseSpectra *r, const std::vector<double> &segment, std::vector<double> *sums) {
    for (size_t i = 0; i < r->length; i++)
        r->input[i] = segment[i] * r->window[i];
    fftw_execute(r->plan);
    for (size_t k = 0; k <= r->length / 2; k++)
        (*sums)[k] += r->output[k][0] * r->output[k][0] + r->output[k][1] * r->output[k][1];
}

// Takes one played and one returned sample.  Returns nothing.
void addToResponse(ResponseSpectra *r, double played, double returned) {
    if (r->length == 0) return;
    r->segmentPlayed[r->filled] = played;
    r->segmentReturned[r->filled] = returned;
    if (++r->filled < r->length) return;
    addSegment(r, r->segmentPlayed, &r->played);
    addSegment(r, r->segmentReturned, &r->returned);
    const size_t half = r->length / 2; // the next segment begins half way
    std::copy(r->segmentPlayed.begin() + (long)half, r->segmentPlayed.end(), r->segmentPlayed.begin());
    std::copy(r->segmentReturned.begin() + (long)half, r->segmentReturned.end(), r->segmentReturned.begin());
    r->filled = r->length - half;
}

} // namespace

std::vector<double> thirdOctaveCentres(double nyquist) {
    std::vector<double> centres;
    for (int k = -17;; k++) { // 1000 * 2^(-17/3) is 19.7 Hz, the band of 20 Hz
        const double centre = 1000.0 * std::pow(2.0, k / 3.0);
        if (centre > nyquist) break;
        centres.push_back(centre);
    }
    return centres;
}

int analysePath(const PathRun &run, PathReport *report) {
    const double rate = run.rate;
    const std::vector<int16_t> &recorded = *run.recorded;
    const unsigned inputs = run.inputs;
    const size_t frames = recorded.size() / inputs;
    *report =
        PathReport{run.span, run.rate, 0, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, {}, {}, 0, {}, {}, {}, {}, 0, {}};
    report->crosstalkDb.assign(inputs, NAN);

    // The latency, from the first seconds, in each input; the input that
    // carries the played signal is the one it is strongest in, of those it
    // is found in.
    const uint64_t headLength = run.lead + std::min<uint64_t>(run.span, (uint64_t)(headSeconds * rate));
    std::vector<int16_t> head(headLength);
    run.nextPlayed(head.data(), head.size());
    InputLag best = {0, -2, 0}, closest = {0, -2, 0};
    unsigned carrying = inputs, likeliest = 0;
    for (unsigned input = 0; input < inputs; input++) {
        int planned = 0;
        const InputLag found =
            bestLag(head, recorded, inputs, input, (size_t)run.lead, (size_t)(longestLagSeconds * rate), &planned);
        if (!planned) {
            std::fprintf(stderr, "tonalix-render: FFTW cannot plan the cross-correlation\n");
            return -1;
        }
        if (found.coefficient > closest.coefficient) {
            closest = found;
            likeliest = input;
        }
        if (found.coefficient >= leastCorrelation && (carrying == inputs || found.strength > best.strength)) {
            best = found;
            carrying = input;
        }
    }
    if (carrying == inputs) { // not found: the figures of the input where it comes closest
        best = closest;
        carrying = likeliest;
    }
    const long lag = best.lag;
    const double coefficient = best.coefficient;
    report->inputChannel = carrying;
    for (size_t i = 0; i < frames; i++) {
        const int16_t v = recorded[i * inputs + carrying];
        report->clippedInput += v == 32767 || v == -32768;
    }

    // The leading silence: what the input holds before the played signal
    // returns (a millisecond short of it, for the path's own smear).
    const long quietEnd = lag + (long)run.lead - (long)(rate / 1000);
    double noiseEnergy = 0;
    const uint64_t quiet = quietEnd > 0 ? std::min<uint64_t>((uint64_t)quietEnd, frames) : 0;
    for (uint64_t i = 0; i < quiet; i++)
        noiseEnergy += (double)recorded[i * inputs + carrying] * recorded[i * inputs + carrying];
    const double noiseMs = quiet ? noiseEnergy / (double)quiet / (fullScale * fullScale) : 0;
    report->noiseDbfs = powerDb(noiseMs);
    if (!(coefficient >= leastCorrelation)) return 0;
    report->found = 1;
    report->latencyMs = (double)lag / rate * 1000.0 - run.startSkewMs;

    // The span, streamed: played from head, then read on; returned from the
    // recording shifted by the lag (silence past its end).
    Spectrum tone;
    if (!startSpectrum(&tone, run.span, 0)) return -1;
    ResponseSpectra response = {};
    size_t length = longestResponseSegment;
    while (length > run.span)
        length >>= 1;
    if (length >= 256) {
        response.length = length;
        response.window.resize(length);
        for (size_t i = 0; i < length; i++)
            response.window[i] = 0.5 - 0.5 * std::cos(2 * pi * (double)i / (double)length);
        response.played.assign(length / 2 + 1, 0.0);
        response.returned.assign(length / 2 + 1, 0.0);
        response.segmentPlayed.resize(length);
        response.segmentReturned.resize(length);
        response.input = fftw_alloc_real(length);
        response.output = fftw_alloc_complex(length / 2 + 1);
        response.plan = fftw_plan_dft_r2c_1d((int)length, response.input, response.output, FFTW_ESTIMATE);
    }

    // The gaps are judged against the span's RMS, known only at its end, so
    // the stream keeps the energy of each half-millisecond block.
    const size_t chunk = 16384;
    const size_t blockLength = std::max<size_t>(1, (size_t)(rate * gapBlockMs / 1000.0));
    std::vector<int16_t> played(chunk);
    std::vector<double> returnedValues(chunk);
    std::vector<float> blockPlayed((size_t)(run.span / blockLength) + 1), blockReturned(blockPlayed.size());
    double playedEnergy = 0, returnedEnergy = 0;
    std::vector<double> inputEnergy(inputs, 0.0); // of every input, over the lined-up span, in samples squared
    uint64_t fromHead = run.lead;
    DriftTrack track;
    startDriftTrack(&track, recorded, inputs, carrying, lag, run.lead, rate);
    primeDriftTrack(&track, head.data() + run.lead, head.size() - (size_t)run.lead);
    if (run.columns > 0) {
        report->playedLow.assign((size_t)run.columns, 2.0f);
        report->playedHigh.assign((size_t)run.columns, -2.0f);
        report->returnedLow = report->playedLow;
        report->returnedHigh = report->playedHigh;
    }
    for (uint64_t done = 0; done < run.span;) {
        const size_t step = (size_t)std::min<uint64_t>(chunk, run.span - done);
        size_t taken = 0;
        for (; taken < step && fromHead < head.size(); taken++)
            played[taken] = head[fromHead++];
        if (taken < step) run.nextPlayed(played.data() + taken, step - taken);
        followDrift(&track, played.data(), step, returnedValues.data());
        for (size_t i = 0; i < step; i++) {
            const long long at = (long long)lag + (long long)(run.lead + done + i);
            const double p = played[i] / fullScale;
            const int within = at >= 0 && (uint64_t)at < frames;
            const double q = returnedValues[i];
            for (unsigned input = 0; within && inputs > 1 && input < inputs; input++) {
                const double v = recorded[(size_t)at * inputs + input];
                inputEnergy[input] += v * v;
            }
            playedEnergy += p * p;
            returnedEnergy += q * q;
            addToResponse(&response, p, q);
            if (run.columns > 0) {
                const size_t c = (size_t)((done + i) * (uint64_t)run.columns / run.span);
                report->playedLow[c] = std::min(report->playedLow[c], (float)p);
                report->playedHigh[c] = std::max(report->playedHigh[c], (float)p);
                report->returnedLow[c] = std::min(report->returnedLow[c], (float)q);
                report->returnedHigh[c] = std::max(report->returnedHigh[c], (float)q);
            }
            const size_t block = (size_t)((done + i) / blockLength);
            blockPlayed[block] += (float)(p * p);
            blockReturned[block] += (float)(q * q);
        }
        addToSpectrum(&tone, returnedValues.data(), step);
        done += step;
    }
    finishSpectrum(&tone);
    report->driftPpm = driftPpm(track);
    tone.binHz = rate / (double)tone.size;
    const ToneEstimate estimate = estimateTone(tone);
    if (estimate.found) {
        report->frequencyHz = estimate.frequency;
        report->thdDb = estimate.thdDb;
        report->thdnDb = estimate.thdnDb;
    }
    const double playedMs = playedEnergy / (double)run.span, returnedMs = returnedEnergy / (double)run.span;
    report->gainDb = powerDb(returnedMs / playedMs);
    report->snrDb = powerDb(returnedMs / noiseMs);
    for (unsigned input = 0; input < inputs; input++)
        report->crosstalkDb[input] = input == carrying         ? 0.0
                                     : inputEnergy[input] == 0 ? -INFINITY
                                                               : powerDb(inputEnergy[input] / inputEnergy[carrying]);

    // The response, band by band where the played signal has energy.
    if (response.length) {
        const double binHz = rate / (double)response.length;
        const std::vector<double> centres = thirdOctaveCentres(rate / 2);
        std::vector<double> bandPlayed(centres.size(), 0.0), bandReturned(centres.size(), 0.0);
        std::vector<int> bins(centres.size(), 0);
        double strongest = 0;
        for (size_t b = 0; b < centres.size(); b++) {
            const double low = centres[b] / std::pow(2.0, 1.0 / 6.0), high = centres[b] * std::pow(2.0, 1.0 / 6.0);
            for (size_t k = (size_t)std::ceil(low / binHz); k <= response.length / 2 && k * binHz < high; k++) {
                bandPlayed[b] += response.played[k];
                bandReturned[b] += response.returned[k];
                bins[b]++;
            }
            strongest = std::max(strongest, bandPlayed[b]);
        }
        for (size_t b = 0; b < centres.size(); b++)
            if (bins[b] && strongest > 0 && bandPlayed[b] > strongest * bandFloor)
                report->response.push_back({centres[b], powerDb(bandReturned[b] / bandPlayed[b])});
        fftw_destroy_plan(response.plan);
        fftw_free(response.input);
        fftw_free(response.output);
    }

    // The gaps: whole blocks where the returned signal is 40 dB below its
    // RMS while the played one is not below its own.
    const double playedFloor = playedMs * gapDepth * gapDepth * (double)blockLength;
    const double returnedFloor = returnedMs * gapDepth * gapDepth * (double)blockLength;
    const double blockMs = (double)blockLength / rate * 1000.0;
    size_t runStart = 0, runBlocks = 0;
    const size_t wholeBlocks = (size_t)(run.span / blockLength);
    for (size_t b = 0; b <= wholeBlocks; b++) {
        if (b < wholeBlocks && blockReturned[b] < returnedFloor && blockPlayed[b] >= playedFloor) {
            if (!runBlocks) runStart = b;
            runBlocks++;
        } else {
            if (runBlocks && (double)runBlocks * blockMs >= gapShortestMs)
                report->gaps.push_back({(double)runStart * blockMs, (double)runBlocks * blockMs});
            runBlocks = 0;
        }
    }
    return 1;
}
