// The report of --analyze: see levels.h.
//
// Levels are in dBFS, where a value of 1 (full scale) is 0 dB: a half-scale
// sine peaks at -6.02 and has an RMS level of -9.03.  A level of nothing
// (silence) has no number: JSON's null, or "-inf" in the text.
#include "tools/render/analyze/levels.h"

#include <cmath>
#include <string>

#include "tools/render/common/report.h"
#include "tools/render/common/signal.h"

namespace {

// Counts an event at time t.
inline void countEvent(EventCount *event, double t) {
    if (event->count++ == 0) event->firstT = t;
}

// Returns 20 log10(level), or -infinity for 0.
double decibels(double level) { return level > 0 ? 20 * std::log10(level) : -INFINITY; }

} // namespace

void startLevels(Levels *levels) { *levels = Levels{0, 0, 0, 0, 0, {0, 0}, {0, 0}, {0, 0}}; }

void addToLevels(Levels *levels, const double *values, const unsigned char *events, const double *times, size_t count) {
    double sum = 0, squares = 0, peak = levels->peak;
    size_t peakAt = count;
    for (size_t i = 0; i < count; i++) {
        double v = values[i], magnitude = std::fabs(v);
        sum += v;
        squares += v * v;
        if (magnitude > peak || (levels->samples == 0 && i == 0)) {
            peak = magnitude;
            peakAt = i;
        }
        if (events[i]) {
            if (events[i] & SampleClipped) countEvent(&levels->clipped, times[i]);
            if (events[i] & SampleFailed) countEvent(&levels->failed, times[i]);
            if (events[i] & SampleNonfinite) countEvent(&levels->nonfinite, times[i]);
        }
    }
    if (peakAt < count) {
        levels->peak = peak;
        levels->peakT = times[peakAt];
    }
    levels->sum += sum;
    levels->sumOfSquares += squares;
    levels->samples += count;
}

std::vector<ReportLine> levelLines(const Levels &levels, const Spectrum &spectrum) {
    const double n = (double)levels.samples;
    const ToneEstimate tone = estimateTone(spectrum);
    const double none = NAN;
    char samples[32];
    std::snprintf(samples, sizeof samples, "%llu", (unsigned long long)levels.samples);
    const auto count = [](const EventCount &e) { return std::to_string((unsigned long long)e.count); };
    const auto first = [&](const EventCount &e) { return reportNumber("%.9g", e.count ? e.firstT : none); };
    return {
        {"samples", "samples", samples, "", ""},
        {"seconds", "seconds", reportNumber("%.9g", n / renderRate), " s", ""},
        {"peak_dbfs", "peak", reportNumber("%.3f", decibels(levels.peak)), " dBFS", ""},
        {"peak_t", "peak at t", reportNumber("%.9g", levels.peak > 0 ? levels.peakT : none), " s", ""},
        {"rms_dbfs", "RMS", reportNumber("%.3f", decibels(std::sqrt(levels.sumOfSquares / n))), " dBFS", ""},
        {"dc", "DC", reportNumber("%.9g", levels.sum / n), "", ""},
        {"frequency_hz", "frequency", reportNumber("%.3f", tone.found ? tone.frequency : none), " Hz", ""},
        {"thd_db", "THD", reportNumber("%.3f", tone.found ? tone.thdDb : none), " dB", ""},
        {"thdn_db", "THD+N", reportNumber("%.3f", tone.found ? tone.thdnDb : none), " dB", ""},
        {"clipped", "clipped", count(levels.clipped), " samples", ""},
        {"clipped_first_t", "first clipped at t", first(levels.clipped), " s", ""},
        {"failed", "failed", count(levels.failed), " samples", ""},
        {"failed_first_t", "first failed at t", first(levels.failed), " s", ""},
        {"nonfinite", "not finite", count(levels.nonfinite), " samples", ""},
    };
}

void printReport(FILE *out, const Levels &levels, const Spectrum &spectrum, int json) {
    const std::vector<ReportLine> lines = levelLines(levels, spectrum);
    printReportLines(out, lines.data(), lines.size(), json, levelLabelWidth);
}
