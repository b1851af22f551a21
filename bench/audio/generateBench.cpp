// Sample synthesis speed: generateSamples on the stream's 33075-sample
// buffers, with the engine's machine code and with its interpreter, beside a
// native generator loop (the same formula as native code, with the same
// clock, limits and stores), in nanoseconds per sample and multiples of real
// time. The summary at the end gives the ratios from interleaved buffers of
// its own.
#include <cmath>
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/synthesis.h"
#include "bench/audio/generatorParts.h"
#include "bench/benchFormulas.h"
#include "bench/summaries.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

using namespace generatorParts;

// Sets the counters every benchmark here reports for samples generated.
void reportRate(benchmark::State &state, double samples) {
    state.counters["ns/sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of audio per second of work.
    state.counters["x realtime"] = benchmark::Counter(samples / sampleRate, benchmark::Counter::kIsRate);
}

// range(0): the formula; range(1): 1 for machine code, 0 for the interpreter.
void generateBuffers(benchmark::State &state) {
    startFormula((int)state.range(0), (int)state.range(1));
    std::vector<unsigned char> buffer(2 * samplesPerBuffer);
    for (auto _ : state) {
        generateSamples(buffer.data(), 2 * samplesPerBuffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    setMachineCodeEnabled(1);
    reportRate(state, (double)state.iterations() * samplesPerBuffer);
}
BENCHMARK(generateBuffers)
    ->ArgsProduct({benchmark::CreateDenseRange(0, FormulaCount - 1, 1), {1, 0}})
    ->Unit(benchmark::kMicrosecond);

void nativeBuffers(benchmark::State &state) {
    NativeGenerator native{formulas[state.range(0)].native};
    std::vector<unsigned char> buffer(2 * samplesPerBuffer);
    for (auto _ : state) {
        native.fill(buffer.data(), samplesPerBuffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    reportRate(state, (double)state.iterations() * samplesPerBuffer);
}
BENCHMARK(nativeBuffers)->DenseRange(0, FormulaCount - 1)->Unit(benchmark::kMicrosecond);

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

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    printGeneratorSummary();
    benchmark::Shutdown();
    return 0;
}
