// The analysis of --measure, on a recording made up beforehand: the played
// signal (a sweep from 100 Hz to 3 kHz with a 1 kHz tone over it, at the
// rendering rate) coming back 300 ms late at half its level, with noise
// 80 dB down, as a sound card's loop gives it.
//
//   BM_AnalyseTenSeconds  the analysis after a 10 s run (target: under 1 s)
//   BM_AnalyseTenSecondsDrifting  the same with the input's clock 100 ppm
//                         fast, read between its samples (target: under 1 s)
//   BM_TenMinuteRun       a 10-minute run: the recording, held as the run
//                         holds it, and its analysis; the counter peak_mb is
//                         the process's peak resident memory (target: under
//                         300 MB)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/render/measure/path.h"

namespace {

const uint32_t rate = 132300;
const double pi = 3.14159265358979323846;
const uint64_t lead = rate / 2, lateBy = rate * 3 / 10;

// Returns the played signal at position i (in samples, between them too)
// of a span of spanSamples: silence for the lead, then the sweep and the
// tone.
double playedAt(double i, uint64_t spanSamples) {
    if (i < (double)lead || i >= (double)(lead + spanSamples)) return 0;
    const double t = (i - (double)lead) / rate, seconds = (double)spanSamples / rate;
    const double sweep = std::sin(2 * pi * 100 * seconds * (std::pow(30.0, t / seconds) - 1) / std::log(30.0));
    return 32767 * (0.3 * sweep + 0.2 * std::sin(2 * pi * 1000 * t));
}

// Returns played sample i of a span of spanSamples.
int16_t played(uint64_t i, uint64_t spanSamples) { return (int16_t)std::lround(playedAt((double)i, spanSamples)); }

// Fills *recorded as the run does: the vector holds its whole length from
// the start, on an input clocked ppm fast against the output.  Returns
// nothing.
void record(uint64_t spanSamples, std::vector<int16_t> *recorded, double ppm = 0) {
    const uint64_t length = lead + spanSamples + rate / 2 + (uint64_t)(2.75 * rate);
    recorded->clear();
    recorded->reserve(length + rate / 10);
    uint32_t noise = 12345;
    for (uint64_t i = 0; i < length; i++) {
        noise = noise * 1664525u + 1013904223u;
        const double back = i < lateBy ? 0.0
                            : ppm == 0 ? 0.5 * played(i - lateBy, spanSamples)
                                       : 0.5 * playedAt((double)(i - lateBy) / (1 + ppm * 1e-6), spanSamples);
        recorded->push_back((int16_t)std::lround(back + (double)(noise >> 16) / 65536.0 * 6.0 - 3.0));
    }
}

// Analyses *recorded (on an input ppm fast) against the played signal of
// spanSamples.  Returns nothing; stops the benchmark when the signal is not
// found where it lies or the drift is not the input's.
void analyse(benchmark::State &state, uint64_t spanSamples, const std::vector<int16_t> &recorded, double ppm = 0) {
    uint64_t next = 0;
    PathRun run;
    run.rate = rate;
    run.lead = lead;
    run.span = spanSamples;
    run.recorded = &recorded;
    run.startSkewMs = 0;
    run.nextPlayed = [&](int16_t *out, size_t count) {
        for (size_t k = 0; k < count; k++)
            out[k] = played(next++, spanSamples);
    };
    PathReport report;
    // The latency is found from the first seconds, by then the lag has grown
    // by the drift over their middle.
    const double lateMs = 300.0 + ppm * 1e-6 * (double)(lead + rate) / rate * 1000.0;
    if (analysePath(run, &report) != 1 || std::fabs(report.latencyMs - lateMs) > 0.1)
        state.SkipWithError("the played signal was not found where it lies");
    if (!(std::fabs(report.driftPpm - ppm) < 1)) state.SkipWithError("the drift is not the input's");
    benchmark::DoNotOptimize(report);
}

void BM_AnalyseTenSeconds(benchmark::State &state) {
    const uint64_t span = 10ull * rate;
    std::vector<int16_t> recorded;
    record(span, &recorded);
    for (auto _ : state)
        analyse(state, span, recorded);
}
BENCHMARK(BM_AnalyseTenSeconds)->Unit(benchmark::kMillisecond);

void BM_AnalyseTenSecondsDrifting(benchmark::State &state) {
    const uint64_t span = 10ull * rate;
    std::vector<int16_t> recorded;
    record(span, &recorded, 100);
    for (auto _ : state)
        analyse(state, span, recorded, 100);
}
BENCHMARK(BM_AnalyseTenSecondsDrifting)->Unit(benchmark::kMillisecond);

void BM_TenMinuteRun(benchmark::State &state) {
    const uint64_t span = 600ull * rate;
    for (auto _ : state) {
        std::vector<int16_t> recorded;
        record(span, &recorded);
        analyse(state, span, recorded);
    }
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_mb"] = (double)usage.ru_maxrss / 1024.0; // ru_maxrss is in kB
}
BENCHMARK(BM_TenMinuteRun)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
