// Soak: one hour of audio (or the minutes given) through generateSamples, in
// the stream's 33075-sample buffers, as fast as the machine allows.  The
// sample clock must be exactly the running sum that the rule asks for, a
// plain loop adding 1/132300 as many times, and the process must not grow.
//
//   soakBench [MINUTES [FORMULA]]   (the suite's longest formula by default)
//
// Prints the time taken, the clock against the plain loop, and the resident
// memory after the first buffer, every ten minutes of audio, and at the end.
// Exits 1 when the clock differs or the memory grew after the first ten
// minutes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "audio/synthesis.h"
#include "bench/benchFormulas.h"
#include "formula/formula.h"

namespace {

const int samplesPerBuffer = 33075;
const int buffersPerMinute = 60 * 4;
// The memory is measured from the first ten minutes of audio on, when
// stdio's buffer and the pages of the code run have been touched; a few pages
// more may still come and go with the system's bookkeeping, while a leak of
// 16 bytes per buffer would add over 180 KB in the 50 minutes after.
const long allowedGrowthKb = 16;

// Returns the resident memory of the process in KB, or -1.
long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char **argv) {
    const long minutes = argc > 1 ? std::atol(argv[1]) : 60;
    const char *formula = argc > 2 ? argv[2] : benchFormulas::longestFormula().text;
    if (minutes <= 0 || compileFormula(formula) != 0) {
        std::fprintf(stderr, "usage: soakBench [MINUTES [FORMULA]] (a formula that compiles)\n");
        return 2;
    }
    evaluateFormula();
    setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formula);
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
    std::vector<char> buffer(2 * samplesPerBuffer);

    const long buffers = minutes * buffersPerMinute;
    long firstKb = -1, settledKb = -1, peakKb = 0;
    auto start = std::chrono::steady_clock::now();
    for (long b = 0; b < buffers; b++) {
        generateSamples(buffer.data(), 2 * samplesPerBuffer);
        if (b == 0) firstKb = residentKb();
        if ((b + 1) % (10 * buffersPerMinute) == 0 || b + 1 == buffers) {
            long kb = residentKb();
            if (settledKb < 0) settledKb = kb;
            peakKb = kb > peakKb ? kb : peakKb;
            std::printf("after %3ld min of audio: resident %ld KB\n", (b + 1) / buffersPerMinute, kb);
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The rule: each sample adds the double 1/132300 to the previous time.
    const double period = 1.0 / 132300;
    double reference = 0.0;
    for (long n = 0; n < buffers * samplesPerBuffer; n++)
        reference = period + reference;
    const double clock = getVariable(VariableT);

    std::printf("formula: %s\n", formula);
    std::printf("%ld min of audio (%ld samples) in %.2f s: %.0f x real time, %.2f ns per sample\n", minutes,
                buffers * samplesPerBuffer, seconds, minutes * 60.0 / seconds,
                seconds * 1e9 / ((double)buffers * samplesPerBuffer));
    std::printf("t = %.17g, plain loop %.17g: %s\n", clock, reference, clock == reference ? "identical" : "DIFFERENT");
    std::printf("resident after the first buffer %ld KB, after ten minutes %ld KB, peak %ld KB: growth %ld KB\n",
                firstKb, settledKb, peakKb, peakKb - settledKb);
    return clock == reference && peakKb - settledKb <= allowedGrowthKb ? 0 : 1;
}
