// Sample synthesis speed: generateSamples on the stream's 33075-sample
// buffers, with the engine's machine code and with its interpreter, beside a
// native generator loop (the same formula as native code, with the same
// clock, limits and stores), in nanoseconds per sample and multiples of real
// time. The summary at the end gives the ratios from interleaved buffers of
// its own.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/synthesis.h"
#include "bench/benchFormulas.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

using namespace benchFormulas;

const int samplesPerBuffer = 33075;
const double sampleRate = 132300;

// Sets the counters every benchmark here reports for samples generated.
void reportRate(benchmark::State &state, double samples) {
    state.counters["ns/sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of audio per second of work.
    state.counters["x realtime"] = benchmark::Counter(samples / sampleRate, benchmark::Counter::kIsRate);
}

// Starts formula f as playback does, with machine code or without.
void startFormula(int f, int machineCode) {
    setMachineCodeEnabled(machineCode);
    compileFormula(formulas[f].text);
    evaluateFormula();
    setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formulas[f].text);
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
}

// The generator's loop written by hand around the native formula: the time
// of the next sample, the time of the last one, and the buffer.
struct NativeGenerator {
    double (*formula)(double);
    double now = 0.0;
    double lastTime = 0.0;

    void fill(unsigned char *out, int count) {
        const double period = 1.0 / 132300;
        for (int i = 0; i < count; i++, out += 2) {
            lastTime = now;
            double v = formula(now);
            now = period + now;
            if (v > 1.0)
                v = 1.0;
            else if (!(v >= -1.0))
                v = -1.0;
            const int16_t sample = (int16_t)(v * 32767.0);
            std::memcpy(out, &sample, 2);
        }
    }
};

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
BENCHMARK(generateBuffers)->ArgsProduct({benchmark::CreateDenseRange(0, FormulaCount - 1, 1), {1, 0}})
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

// Returns the nanoseconds per sample of one buffer filled by fill, keeping
// the fastest in *best.
template <class Fill>
void timeBuffer(Fill fill, double *best) {
    const auto start = std::chrono::steady_clock::now();
    fill();
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    if (ns / samplesPerBuffer < *best)
        *best = ns / samplesPerBuffer;
}

void printSummary() {
    const int rounds = 40;
    std::printf("\nInterleaved buffers of %d samples, fastest of %d each (ns per sample):\n", samplesPerBuffer, rounds);
    std::printf("%-12s %8s %8s %8s %8s %9s %9s\n", "formula", "machine", "x real", "interp", "native", "m/native",
                "i/native");
    std::vector<unsigned char> buffer(2 * samplesPerBuffer);
    for (int f = 0; f < FormulaCount; f++) {
        NativeGenerator native{formulas[f].native};
        double machine = INFINITY, interpreter = INFINITY, nativeBest = INFINITY;
        for (int round = 0; round < rounds; round++) {
            // Each form has its own compilation; both run on from the t reached.
            const double t = getVariable(VariableT);
            startFormula(f, round % 2);
            setVariable(VariableT, round == 0 ? 0.0 : t);
            timeBuffer([&] { generateSamples(buffer.data(), 2 * samplesPerBuffer); },
                       round % 2 ? &machine : &interpreter);
            timeBuffer([&] { native.fill(buffer.data(), samplesPerBuffer); }, &nativeBest);
        }
        setMachineCodeEnabled(1);
        std::printf("%-12s %8.2f %8.0f %8.2f %8.2f %9.2f %9.2f\n", formulas[f].name, machine,
                    1e9 / (machine * sampleRate), interpreter, nativeBest, machine / nativeBest,
                    interpreter / nativeBest);
    }
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
