// The drift of the two clocks: see drift.h.
//
// A stretch of the played signal every 4096 samples, under a Hann window,
// is correlated with the recording over a few lags around the lag the line
// so far expects there (unwindowed, the stretch's edges moved the peak by
// up to half a sample where a sweep was low, and the drift by 2 ppm);
// the peak, refined between lags through a cosine, is one point of the line.
// The line starts in the middle of the first seconds, where the lag the
// latency was found with holds best, and follows the lag out to both ends
// of them before the stream goes on from there.
// The search is kept narrow because a tone correlates as well one period
// away: within 8 lags of the expected one, tones below an eighth of the rate
// cannot be taken for their neighbouring period.  The lag applied to the
// recording follows the line without jumps: each piece of the stream steps
// it by the line's slope and steers it towards the line over half a second
// or two pieces, so that the returned wave never breaks; where it lies
// within a hundredth of a sample of a whole one, the recording is read as it
// is, else through a Kaiser-windowed sinc of 32 taps.
#include "tools/render/measure/drift.h"

#include <algorithm>
#include <cmath>

namespace {

const size_t stretchLength = 2048, stretchEvery = 4096;
const long reach = 8;              // lags searched either side of the expected one
const double leastMatch = 0.5;     // a stretch that correlates less is left out (silence, a gap, noise)
const double steerSeconds = 0.5;   // the applied lag comes back to the line over this much
const double wholeWithin = 0.01;   // of a sample: read the recording as it is
const int taps = 32, phases = 256; // of the interpolation: taps around the position, phases between samples
const double passband = 0.95;      // of the Nyquist frequency: the interpolation's cut-off
const double kaiserBeta = 9.0;
const double fullScale = 32767.0;
const double pi = 3.14159265358979323846;

// Returns the modified Bessel function I0 of x (its series).  Changes nothing.
double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 50; k++) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// Returns the interpolation's table: (phases + 1) rows of taps coefficients,
// row j for a position j / phases of a sample past a whole one, its taps
// for the samples from taps / 2 - 1 before it to taps / 2 after; each row
// sums to 1 (the level stays).  Made once.
const std::vector<double> &interpolationTable() {
    static const std::vector<double> table = [] {
        std::vector<double> rows((size_t)(phases + 1) * taps);
        const double half = taps / 2.0;
        for (int j = 0; j <= phases; j++) {
            double sum = 0;
            for (int k = 0; k < taps; k++) {
                const double t = (k - (taps / 2 - 1)) - (double)j / phases;
                const double sinc = t == 0 ? 1.0 : std::sin(pi * passband * t) / (pi * passband * t);
                const double edge = t / half,
                             window = std::fabs(edge) < 1
                                          ? besselI0(kaiserBeta * std::sqrt(1 - edge * edge)) / besselI0(kaiserBeta)
                                          : 0;
                rows[(size_t)j * taps + (size_t)k] = sinc * window;
                sum += sinc * window;
            }
            for (int k = 0; k < taps; k++)
                rows[(size_t)j * taps + (size_t)k] /= sum;
        }
        return rows;
    }();
    return table;
}

// Returns the recording's sample at frame at of the track's input, 0
// outside it.  Changes nothing.
double sampleAt(const DriftTrack &t, long long at) {
    return at >= 0 && (uint64_t)at < t.frames ? t.recorded[(size_t)at * t.inputs + t.input] : 0.0;
}

// Returns the recording at the fractional frame x (in samples, not scaled).
// Changes nothing.
double interpolate(const DriftTrack &t, double x) {
    const std::vector<double> &table = interpolationTable();
    const double whole = std::floor(x), phase = (x - whole) * phases;
    const int row = std::min((int)phase, phases - 1);
    const double between = phase - row;
    const double *a = &table[(size_t)row * taps], *b = a + taps;
    const long long first = (long long)whole - (taps / 2 - 1);
    double sum = 0;
    for (int k = 0; k < taps; k++)
        sum += sampleAt(t, first + k) * (a[k] + (b[k] - a[k]) * between);
    return sum;
}

// Returns the fitted line's lag at played position x, NAN with no point.
// Changes nothing.
double lineAt(const DriftTrack &t, double x) {
    if (t.n < 1) return NAN;
    const double meanX = t.sx / t.n, meanY = t.sy / t.n;
    const double spread = t.n * t.sxx - t.sx * t.sx;
    const double slope = t.n >= 2 && spread > 0 ? (t.n * t.sxy - t.sx * t.sy) / spread : 0.0;
    return meanY + slope * (x - t.origin - meanX);
}

// Returns where the correlation peaks between lags, from its values one
// lag before the highest, at it and one after: through the cosine that
// passes the three (exact for a tone, and far less biased for a sweep than
// a parabola, which moved the drift of a sweep by 2 ppm in 250), or the
// parabola where they curve too little for a cosine.  Changes nothing.
double peakShift(double before, double peak, double after) {
    const double curve = before - 2 * peak + after, cosine = (before + after) / (2 * peak);
    if (peak > 0 && cosine > -1 && cosine < 0.999) {
        const double omega = std::acos(cosine);
        return std::clamp(std::atan((after - before) / (2 * peak * std::sin(omega))) / omega, -0.5, 0.5);
    }
    return curve < 0 ? std::clamp(0.5 * (before - after) / curve, -0.5, 0.5) : 0.0;
}

// Measures the lag of played's stretch (stretchLength samples from played
// position at) and adds it to the line.  Returns nothing; changes the
// line's sums and the expected lag.
void measureStretch(DriftTrack *t, const int16_t *played, uint64_t at) {
    const long centre = std::lround(t->expected);
    std::vector<double> correlation((size_t)(2 * reach + 3)), window(stretchLength), weighted(stretchLength);
    double playedEnergy = 0; // under the window, as the recording's below: the coefficient's
    for (size_t i = 0; i < stretchLength; i++) {
        window[i] = 0.5 - 0.5 * std::cos(2 * pi * ((double)i + 0.5) / stretchLength);
        weighted[i] = played[i] * window[i];
        playedEnergy += weighted[i] * played[i];
    }
    if (playedEnergy <= 0) return;
    const long long from = (long long)at + centre - reach - 1;
    if (from < 0 || (uint64_t)from + stretchLength + 2 * reach + 2 > t->frames) return;
    for (long k = -reach - 1; k <= reach + 1; k++) {
        const int16_t *r = t->recorded + (size_t)((long long)at + centre + k) * t->inputs + t->input;
        double sum = 0;
        for (size_t i = 0; i < stretchLength; i++)
            sum += weighted[i] * r[i * t->inputs];
        correlation[(size_t)(k + reach + 1)] = sum;
    }
    size_t best = 1;
    for (size_t k = 1; k + 1 < correlation.size(); k++)
        if (correlation[k] > correlation[best]) best = k;
    double recordedEnergy = 0;
    const long long start = (long long)at + centre + (long)best - reach - 1;
    for (size_t i = 0; i < stretchLength; i++) {
        const double v = sampleAt(*t, start + (long long)i);
        recordedEnergy += v * v * window[i];
    }
    if (recordedEnergy <= 0 || correlation[best] / std::sqrt(playedEnergy * recordedEnergy) < leastMatch) return;
    const double before = correlation[best - 1], peak = correlation[best], after = correlation[best + 1];
    const double shift = peakShift(before, peak, after);
    const double lag = (double)centre + (double)best - reach - 1 + shift;
    const double x = (double)at + stretchLength / 2.0;
    if (t->n == 0) t->origin = x;
    t->n += 1;
    t->sx += x - t->origin;
    t->sy += lag;
    t->sxx += (x - t->origin) * (x - t->origin);
    t->sxy += (x - t->origin) * lag;
    t->expected = lineAt(*t, x + stretchEvery);
}

} // namespace

void startDriftTrack(DriftTrack *track, const std::vector<int16_t> &recorded, unsigned inputs, unsigned input, long lag,
                     uint64_t position, double rate) {
    *track = DriftTrack{};
    track->recorded = recorded.data();
    track->frames = recorded.size() / inputs;
    track->inputs = inputs;
    track->input = input;
    track->lag = track->expected = (double)lag;
    track->position = track->measured = position;
    track->rate = rate;
}

void primeDriftTrack(DriftTrack *track, const int16_t *head, size_t count) {
    const size_t middle = count / 2 / stretchEvery * stretchEvery;
    for (size_t at = middle; at + stretchLength <= count; at += stretchEvery)
        measureStretch(track, head + at, track->position + at);
    for (size_t at = middle; at >= stretchEvery;) {
        at -= stretchEvery;
        track->expected = lineAt(*track, (double)(track->position + at) + stretchLength / 2.0);
        if (std::isnan(track->expected)) track->expected = track->lag;
        measureStretch(track, head + at, track->position + at);
    }
    if (count < stretchLength) return;
    track->measured = track->position + (count - stretchLength) / stretchEvery * stretchEvery + stretchEvery;
    const double next = lineAt(*track, (double)track->measured + stretchLength / 2.0);
    if (!std::isnan(next)) track->expected = next;
}

void followDrift(DriftTrack *track, const int16_t *played, size_t count, double *returned) {
    for (size_t at = 0; at + stretchLength <= count; at += stretchEvery)
        if (track->position + at >= track->measured) measureStretch(track, played + at, track->position + at);
    if (track->n >= 1) {
        const double slope = driftPpm(*track) * 1e-6, target = lineAt(*track, (double)track->position);
        if (!track->reading) track->lag = target;
        const double horizon = std::max(steerSeconds * track->rate, 2.0 * (double)count);
        track->step = (std::isnan(slope) ? 0.0 : slope) + (target - track->lag) / horizon;
    }
    track->reading = 1;
    for (size_t i = 0; i < count; i++) {
        const double x = (double)(track->position + i) + track->lag;
        const double whole = std::round(x);
        returned[i] =
            (std::fabs(x - whole) < wholeWithin ? sampleAt(*track, (long long)whole) : interpolate(*track, x)) /
            fullScale;
        track->lag += track->step;
    }
    track->position += count;
}

double driftPpm(const DriftTrack &track) {
    const double spread = track.n * track.sxx - track.sx * track.sx;
    if (track.n < 2 || !(spread > 0)) return NAN;
    return (track.n * track.sxy - track.sx * track.sy) / spread * 1e6;
}
