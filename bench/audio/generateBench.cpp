// Sample synthesis speed: generateSamples on the stream's 33075-sample
// buffers of the default formula, in nanoseconds per sample and multiples of
// real time, beside the evaluator alone on the same formula.
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/synthesis.h"
#include "formula/formula.h"

namespace {

const char *defaultFormula = "sin(440*6.2831853071795865*t)";
const int samplesPerBuffer = 33075;
const double sampleRate = 132300;

// Sets the counters every benchmark here reports for samples generated.
void reportRate(benchmark::State &state, double samples) {
    state.counters["ns/sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of audio per second of work.
    state.counters["x realtime"] = benchmark::Counter(samples / sampleRate, benchmark::Counter::kIsRate);
}

void generateBuffers(benchmark::State &state) {
    compileFormula(defaultFormula);
    evaluateFormula();
    setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, defaultFormula);
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
    std::vector<char> buffer(2 * samplesPerBuffer);
    for (auto _ : state) {
        generateSamples(buffer.data(), 2 * samplesPerBuffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    reportRate(state, (double)state.iterations() * samplesPerBuffer);
}
BENCHMARK(generateBuffers)->Unit(benchmark::kMicrosecond);

// The evaluator alone: what generateSamples adds is the clock, the limits
// and the stores.
void evaluateOnly(benchmark::State &state) {
    compileFormula(defaultFormula);
    double t = 0;
    for (auto _ : state) {
        for (int i = 0; i < samplesPerBuffer; i++) {
            setVariable(19, t);
            benchmark::DoNotOptimize(evaluateFormula());
            t += 1.0 / sampleRate;
        }
    }
    reportRate(state, (double)state.iterations() * samplesPerBuffer);
}
BENCHMARK(evaluateOnly)->Unit(benchmark::kMicrosecond);

// The countdown's silence, for scale.
void generateSilence(benchmark::State &state) {
    countdownActive = 1;
    std::vector<char> buffer(2 * samplesPerBuffer);
    for (auto _ : state) {
        generateSamples(buffer.data(), 2 * samplesPerBuffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    countdownActive = 0;
    reportRate(state, (double)state.iterations() * samplesPerBuffer);
}
BENCHMARK(generateSilence)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
