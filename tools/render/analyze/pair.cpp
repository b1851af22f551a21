// The figures of a stereo pair: see pair.h.
#include "tools/render/analyze/pair.h"

#include <cmath>

int startPair(ChannelPair *pair, uint64_t span) {
    pair->sums = PairSums{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    return startCrossSpectrum(&pair->cross, span);
}

void addToPair(ChannelPair *pair, const double *left, const double *right, size_t count) {
    PairSums &s = pair->sums;
    if (count == 0) return;
    if (s.samples == 0) {
        s.firstLeft = left[0];
        s.firstRight = right[0];
    }
    double l = 0, r = 0, ll = 0, rr = 0, lr = 0;
    int leftVaries = 0, rightVaries = 0;
    for (size_t i = 0; i < count; i++) {
        const double x = left[i] - s.firstLeft, y = right[i] - s.firstRight;
        leftVaries |= x != 0;
        rightVaries |= y != 0;
        l += x;
        r += y;
        ll += x * x;
        rr += y * y;
        lr += x * y;
    }
    s.leftVaries |= leftVaries;
    s.rightVaries |= rightVaries;
    s.left += l;
    s.right += r;
    s.leftSquares += ll;
    s.rightSquares += rr;
    s.products += lr;
    s.samples += count;
    addToCrossSpectrum(&pair->cross, left, right, count);
}

void finishPair(ChannelPair *pair) { finishCrossSpectrum(&pair->cross); }

std::vector<ReportLine> pairLines(const ChannelPair &pair, const Levels levels[2], const Spectrum spectra[2]) {
    const PairSums &s = pair.sums;
    const double n = (double)s.samples;
    double correlation = NAN;
    if (s.leftVaries && s.rightVaries) {
        const double covariance = s.products - s.left * s.right / n;
        const double leftSpread = s.leftSquares - s.left * s.left / n;
        const double rightSpread = s.rightSquares - s.right * s.right / n;
        if (leftSpread > 0 && rightSpread > 0)
            correlation = std::fmax(-1.0, std::fmin(1.0, covariance / std::sqrt(leftSpread * rightSpread)));
    }
    const double leftPower = levels[0].sumOfSquares, rightPower = levels[1].sumOfSquares;
    const double balance = leftPower > 0 && rightPower > 0 ? 10 * std::log10(leftPower / rightPower) : NAN;
    const ToneEstimate tone = estimateTone(spectra[0]);
    double phase = tone.found && holdsToneAt(spectra[1], tone.frequency) ? crossPhase(pair.cross, tone.frequency) : NAN;
    if (phase < -180 + 0.0005) phase += 360; // the printed figure too lies above -180
    return {
        {"correlation", "correlation", reportNumber("%.6f", correlation), "", ""},
        {"balance_db", "balance L/R", reportNumber("%.3f", balance), " dB", ""},
        {"phase_deg", "phase R-L", reportNumber("%.3f", phase), " degrees", ""},
    };
}
