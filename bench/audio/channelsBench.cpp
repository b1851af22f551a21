// The cost of a channel: rendering two formulas against rendering one
// (target: at most 2.1 times), on the stream's 33075-frame buffers.
//
//   framesOf/N/K      generateSamples: the 16-bit frames of N formulas of
//                     pair K, the work of --play and of a 16-bit file
//   valuesOf/N/K      evaluateSignal: the played values of N formulas of
//                     pair K with their events, the work of every other
//                     file, of --analyze and of --plot
//
//   ratioOf/K/W       both in turn, a buffer of one and a buffer of two at a
//                     time, so that the machine's moods touch both alike:
//                     the counter "two/one" is the target's figure (W 0:
//                     the frames, 1: the played values)
//
// Pair 0 shares no variable (a binaural pair: the channels run a piece at
// a time each); pair 1 shares one (left x=..., right -x: the frames run one
// at a time).  N = 1 renders the left formula alone.
#include <chrono>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/channels.h"
#include "audio/synthesis.h"
#include "tools/render/common/signal.h"

namespace {

const int32_t frames = 33075;

const char *const pairs[][2] = {
    {"sin(440*6.2831853071795865*t)", "sin(444*6.2831853071795865*t)"},
    {"x=sin(440*6.2831853071795865*t),x", "-x"},
};

// Sets the formulas: the first count of pair.  Returns nothing.
void startFormulas(benchmark::State &state) {
    unsigned failed = 0;
    if (!setChannelPlaybackFormat(pairs[state.range(1)], (unsigned)state.range(0), &failed))
        state.SkipWithError("a formula does not compile");
}

// Sets the counters of frames rendered.
void reportFrames(benchmark::State &state) {
    const double done = (double)state.iterations() * frames;
    state.counters["ns/frame"] =
        benchmark::Counter(done * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x realtime"] = benchmark::Counter(done / streamSampleRate, benchmark::Counter::kIsRate);
}

void framesOf(benchmark::State &state) {
    startFormulas(state);
    std::vector<unsigned char> buffer(2 * frames * (size_t)state.range(0));
    for (auto _ : state) {
        generateSamples(buffer.data(), (int32_t)buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    reportFrames(state);
}
BENCHMARK(framesOf)->ArgsProduct({{1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

void valuesOf(benchmark::State &state) {
    startFormulas(state);
    const size_t samples = frames * (size_t)state.range(0);
    std::vector<double> values(samples), times(frames);
    std::vector<unsigned char> events(samples);
    for (auto _ : state) {
        evaluateSignal(values.data(), events.data(), times.data(), frames);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    reportFrames(state);
}
BENCHMARK(valuesOf)->ArgsProduct({{1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Runs one buffer of the work of state.range(1) for the formulas set.
// Returns its time in seconds.
double timeBuffer(benchmark::State &state, unsigned channels, std::vector<unsigned char> *bytes,
                  std::vector<double> *values, std::vector<unsigned char> *events, std::vector<double> *times) {
    const auto start = std::chrono::steady_clock::now();
    if (state.range(1) == 0)
        generateSamples(bytes->data(), (int32_t)(2 * frames * channels));
    else
        evaluateSignal(values->data(), events->data(), times->data(), frames);
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ratioOf(benchmark::State &state) {
    std::vector<unsigned char> bytes(4 * frames), events(2 * frames);
    std::vector<double> values(2 * frames), times(frames);
    double one = 0, two = 0;
    unsigned failed = 0;
    for (auto _ : state) {
        setChannelPlaybackFormat(pairs[state.range(0)], 1, &failed);
        one += timeBuffer(state, 1, &bytes, &values, &events, &times);
        setChannelPlaybackFormat(pairs[state.range(0)], 2, &failed);
        two += timeBuffer(state, 2, &bytes, &values, &events, &times);
    }
    state.counters["two/one"] = two / one;
}
BENCHMARK(ratioOf)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
