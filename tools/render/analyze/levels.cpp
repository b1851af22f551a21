// The report of --analyze: see levels.h.
//
// Levels are in dBFS, where a value of 1 (full scale) is 0 dB: a half-scale
// sine peaks at -6.02 and has an RMS level of -9.03.  A level of nothing
// (silence) has no number: JSON's null, or "-inf" in the text.
#include "tools/render/analyze/levels.h"

#include <cmath>
#include <cstring>
#include <string>

#include "tools/render/common/signal.h"

namespace {

// Counts an event at time t.
inline void countEvent(EventCount *event, double t) {
    if (event->count++ == 0) event->firstT = t;
}

// Returns 20 log10(level), or -infinity for 0.
double decibels(double level) { return level > 0 ? 20 * std::log10(level) : -INFINITY; }

// Returns value printed with format, or "null" when it is not finite.
std::string number(const char *format, double value) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    if (text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1)) return text + 1; // no "-0.000"
    return text;
}

// One line of the report: its JSON key, the text's label, the value and
// the text's unit.
struct ReportLine {
    const char *key;
    const char *label;
    std::string value;
    const char *unit;
};

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

void printReport(FILE *out, const Levels &levels, const Spectrum &spectrum, int json) {
    const double n = (double)levels.samples;
    const ToneEstimate tone = estimateTone(spectrum);
    const double none = NAN;
    char samples[32];
    std::snprintf(samples, sizeof samples, "%llu", (unsigned long long)levels.samples);
    const auto count = [](const EventCount &e) { return std::to_string((unsigned long long)e.count); };
    const auto first = [&](const EventCount &e) { return number("%.9g", e.count ? e.firstT : none); };
    const ReportLine lines[] = {
        {"samples", "samples", samples, ""},
        {"seconds", "seconds", number("%.9g", n / renderRate), " s"},
        {"peak_dbfs", "peak", number("%.3f", decibels(levels.peak)), " dBFS"},
        {"peak_t", "peak at t", number("%.9g", levels.peak > 0 ? levels.peakT : none), " s"},
        {"rms_dbfs", "RMS", number("%.3f", decibels(std::sqrt(levels.sumOfSquares / n))), " dBFS"},
        {"dc", "DC", number("%.9g", levels.sum / n), ""},
        {"frequency_hz", "frequency", number("%.3f", tone.found ? tone.frequency : none), " Hz"},
        {"thd_db", "THD", number("%.3f", tone.found ? tone.thdDb : none), " dB"},
        {"thdn_db", "THD+N", number("%.3f", tone.found ? tone.thdnDb : none), " dB"},
        {"clipped", "clipped", count(levels.clipped), " samples"},
        {"clipped_first_t", "first clipped at t", first(levels.clipped), " s"},
        {"failed", "failed", count(levels.failed), " samples"},
        {"failed_first_t", "first failed at t", first(levels.failed), " s"},
        {"nonfinite", "not finite", count(levels.nonfinite), " samples"},
    };
    if (json) {
        std::fputc('{', out);
        for (size_t i = 0; i < sizeof lines / sizeof lines[0]; i++)
            std::fprintf(out, "%s\"%s\": %s", i ? ", " : "", lines[i].key, lines[i].value.c_str());
        std::fputs("}\n", out);
        return;
    }
    for (const ReportLine &line : lines) {
        if (line.value == "null")
            std::fprintf(out, "%-19s none\n", line.label);
        else
            std::fprintf(out, "%-19s %s%s\n", line.label, line.value.c_str(), line.unit);
    }
}
