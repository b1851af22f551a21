// The generator's summary: generateSamples on the stream's buffers, in
// machine code and in the interpreter, beside a native generator loop, from
// interleaved buffers.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/audio/generatorParts.h"
#include "bench/summaries.h"

namespace {

using namespace generatorParts;

// Returns the nanoseconds per sample of one buffer filled by fill, keeping
// the fastest in *best.
template <class Fill> void timeBuffer(Fill fill, double *best) {
    const auto start = std::chrono::steady_clock::now();
    fill();
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    if (ns / samplesPerBuffer < *best) *best = ns / samplesPerBuffer;
}

} // namespace

void printGeneratorSummary() {
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
