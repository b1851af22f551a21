// The analysis of --measure on recordings made up here, of an input clocked
// apart from the output: the drift found, and the figures of the span read
// along it.  No sound device takes part.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/render/measure/path.h"

namespace {

const uint32_t rate = 48000;
const uint64_t lead = rate / 2, span = 3 * rate, lateBy = rate / 10;
const double pi = 3.14159265358979323846;

// Returns the played signal at position i (in samples, between them too):
// silence for the lead, then a 1 kHz tone at -6 dBFS, or a sweep from
// 100 Hz to 3 kHz at the same level.
double playedAt(double i, int sweep) {
    if (i < (double)lead || i >= (double)(lead + span)) return 0;
    const double t = (i - (double)lead) / rate, seconds = (double)span / rate;
    const double phase =
        sweep ? 2 * pi * 100 * seconds * (std::pow(30.0, t / seconds) - 1) / std::log(30.0) : 2 * pi * 1000 * t;
    return 0.5 * 32767 * std::sin(phase);
}

// Returns the report of the played signal coming back lateBy late on an
// input ppm fast, in a recording of 16-bit samples.
PathReport analyseDrifting(double ppm, int sweep) {
    std::vector<int16_t> recorded(lead + span + 3 * rate);
    for (uint64_t i = lateBy; i < recorded.size(); i++)
        recorded[i] = (int16_t)std::lround(playedAt((double)(i - lateBy) / (1 + ppm * 1e-6), sweep));
    uint64_t next = 0;
    PathRun run;
    run.rate = rate;
    run.lead = lead;
    run.span = span;
    run.recorded = &recorded;
    run.startSkewMs = 0;
    run.nextPlayed = [&](int16_t *out, size_t count) {
        for (size_t k = 0; k < count; k++)
            out[k] = (int16_t)std::lround(playedAt((double)next++, sweep));
    };
    PathReport report;
    EXPECT_EQ(analysePath(run, &report), 1);
    return report;
}

struct DriftingCase {
    double ppm;
    int sweep;
};

// clang-format off
const DriftingCase driftingCases[] = {
    {0, 0}, {100, 0}, {-100, 0},  // a tone: its frequency and purity
    {0, 1}, {2, 1}, {250, 1}, {-1000, 1}, // a sweep: the response
};
// clang-format on

TEST(Drift, TheInputsClockIsFoundAndTheSpanStaysLinedUp) {
    for (const DriftingCase &c : driftingCases) {
        SCOPED_TRACE(testing::Message() << c.ppm << " ppm, " << (c.sweep ? "a sweep" : "a tone"));
        const PathReport report = analyseDrifting(c.ppm, c.sweep);
        ASSERT_EQ(report.found, 1);
        EXPECT_NEAR(report.driftPpm, c.ppm, 0.1);
        EXPECT_NEAR(report.gainDb, 0.0, 0.02);
        EXPECT_TRUE(report.gaps.empty());
        if (!c.sweep) {
            EXPECT_NEAR(report.frequencyHz, 1000.0, 0.01); // read on the output's clock
            EXPECT_LT(report.thdDb, -90.0);
        }
        for (const ResponsePoint &p : report.response)
            if (p.hz >= 125 && p.hz <= 2500) {
                EXPECT_NEAR(p.db, 0.0, 0.2) << p.hz << " Hz";
            }
    }
}

} // namespace
