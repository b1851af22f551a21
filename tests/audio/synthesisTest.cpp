// Sample synthesis: sample values, the sample clock, byte counts, the
// countdown silence and capture.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "audio/synthesis.h"
#include "formula/formula.h"

namespace {

const unsigned tIndex = 19;
const double period = 1.0 / 132300;

// Sets the playback format for formula with the countdown off and capture
// off.  Returns setStreamFormat's result.
int startFormula(const char *formula) {
    countdownActive = 0;
    sampleCapture = SampleCapture{CaptureOff, 0, 0, nullptr};
    return setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formula);
}

// Returns the n-th 16-bit little-endian sample of bytes.
int sampleAt(const std::vector<unsigned char> &bytes, size_t n) {
    return (int16_t)(uint16_t)(bytes[2 * n] | bytes[2 * n + 1] << 8);
}

// Returns count samples of the current formula, generated in one call.
std::vector<unsigned char> generate(int32_t count) {
    std::vector<unsigned char> bytes(2 * (size_t)count, 0xAB);
    EXPECT_EQ(generateSamples(bytes.data(), 2 * count), 2 * count);
    return bytes;
}

struct ValueCase {
    const char *formula;
    int sample; // every sample of the formula
};

const ValueCase valueCases[] = {
    // clang-format off
    {"1", 32767},      {"2", 32767},          {"-1", -32767},   {"-5", -32767},
    {"0.5", 16383},    {"-0.5", -16383},      {"0.3", 9830},    {"0", 0},
    {"1e999", 32767},  {"-1e999", -32767},    {"1e999-1e999", -32767}, // not a number
    {"1/0", 0},        {"sqrt(-1)", 0},       {"0.99999", 32766}, {"-0.99999", -32766},
    // clang-format on
};

TEST(SampleValues, ConstantFormulasGiveTheirClippedTruncatedSample) {
    for (const ValueCase &c : valueCases) {
        ASSERT_EQ(startFormula(c.formula), 1) << c.formula;
        std::vector<unsigned char> bytes = generate(5);
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(sampleAt(bytes, i), c.sample) << c.formula << " sample " << i;
    }
}

TEST(SampleValues, FailingEvaluationsCostOnlyTheirSampleAndTheClockRuns) {
    // 1/(t-2*p) fails at the third sample only; the others are clipped to 1.
    ASSERT_EQ(startFormula("1/(t-2*7.558578987150415e-06)"), 1);
    std::vector<unsigned char> bytes = generate(5);
    const int expected[] = {-32767, -32767, 0, 32767, 32767};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(sampleAt(bytes, i), expected[i]) << i;
    EXPECT_DOUBLE_EQ(getVariable(tIndex), 5 * period);
}

TEST(SampleClock, FirstSampleIsAtZeroAndTheSineStartsAtZero) {
    ASSERT_EQ(startFormula("sin(440*6.2831853071795865*t)"), 1);
    std::vector<unsigned char> bytes = generate(1);
    EXPECT_EQ(sampleAt(bytes, 0), 0);
    EXPECT_EQ(lastSampleTime, 0.0);
    EXPECT_EQ(getVariable(tIndex), period);
}

TEST(SampleClock, IsARunningSumNotSampleNumberOverRate) {
    ASSERT_EQ(startFormula("t"), 1);
    generate(132300);
    // Adding 1/132300 132300 times overshoots 1 in the last places.
    EXPECT_NEAR(getVariable(tIndex), 1.000000000000512, 2e-16);
    EXPECT_NE(getVariable(tIndex), 1.0);
    EXPECT_EQ(lastSampleTime + period, getVariable(tIndex));
}

TEST(SampleClock, AssignmentsToTInTheFormulaDoNotCarryOver) {
    ASSERT_EQ(startFormula("t=5, t/10"), 1);
    std::vector<unsigned char> bytes = generate(2);
    EXPECT_EQ(sampleAt(bytes, 0), 16383); // 5/10
    EXPECT_EQ(lastSampleTime, period);
    EXPECT_EQ(getVariable(tIndex), 2 * period);
}

TEST(SampleClock, SplitCallsGiveTheSameSamplesAsOneCall) {
    ASSERT_EQ(startFormula("sin(1000*t)"), 1);
    std::vector<unsigned char> whole = generate(4);
    ASSERT_EQ(startFormula("sin(1000*t)"), 1);
    std::vector<unsigned char> first = generate(2), second = generate(2);
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(first, whole);
}

struct ByteCountCase {
    int32_t bytes;
    int samplesWritten; // and periods t advances
};

const ByteCountCase byteCountCases[] = {
    {0, 0}, {1, 0}, {2, 1}, {7, 3}, {8, 4}, {-1, 0}, {-8, 0}, {INT32_MIN, 0},
};

TEST(ByteCounts, WriteWholeSamplesAndReturnTheCount) {
    for (const ByteCountCase &c : byteCountCases) {
        ASSERT_EQ(startFormula("0.5"), 1);
        unsigned char buffer[16];
        std::memset(buffer, 0xAB, sizeof buffer);
        EXPECT_EQ(generateSamples(buffer, c.bytes), c.bytes);
        for (int i = 0; i < 16; i++)
            EXPECT_EQ(buffer[i], i < 2 * c.samplesWritten ? (i % 2 ? 0x3F : 0xFF) : 0xAB)
                << c.bytes << " bytes, byte " << i;
        EXPECT_DOUBLE_EQ(getVariable(tIndex), c.samplesWritten * period) << c.bytes;
    }
}

TEST(Countdown, OnlyTheValueOneGivesUntimedUncapturedSilence) {
    const struct {
        int32_t flag;
        int silent;
    } cases[] = {{1, 1}, {0, 0}, {2, 0}, {-1, 0}};
    for (const auto &c : cases) {
        ASSERT_EQ(startFormula("0.5"), 1);
        std::vector<int16_t> store(4, 7);
        sampleCapture = SampleCapture{CaptureRecord, 4, 0, store.data()};
        lastSampleTime = 42.0;
        countdownActive = c.flag;
        std::vector<unsigned char> bytes = generate(3);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(sampleAt(bytes, i), c.silent ? 0 : 16383) << c.flag;
        EXPECT_EQ(getVariable(tIndex), c.silent ? 0.0 : 3 * period) << c.flag;
        EXPECT_EQ(lastSampleTime, c.silent ? 42.0 : 2 * period) << c.flag;
        EXPECT_EQ(sampleCapture.index, c.silent ? 0 : 3) << c.flag;
    }
    countdownActive = 0;
}

TEST(Capture, RecordKeepsTheFirstCountSamplesOnly) {
    ASSERT_EQ(startFormula("sin(440*6.2831853071795865*t)"), 1);
    std::vector<int16_t> store(100, 0);
    sampleCapture = SampleCapture{CaptureRecord, 100, 0, store.data()};
    std::vector<unsigned char> bytes = generate(33075);
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(store[i], sampleAt(bytes, i)) << i;
    EXPECT_EQ(sampleCapture.index, 100);
    EXPECT_NE(sampleAt(bytes, 33074), 0); // the buffer got every sample
    std::vector<int16_t> before = store;
    generate(33075);
    EXPECT_EQ(store, before);
    EXPECT_EQ(sampleCapture.index, 100);
}

TEST(Capture, OffTouchesNeitherIndexNorArray) {
    ASSERT_EQ(startFormula("0.5"), 1);
    int16_t store[2] = {5, 6};
    sampleCapture = SampleCapture{CaptureOff, 2, 1, store};
    generate(10);
    EXPECT_EQ(sampleCapture.index, 1);
    EXPECT_EQ(store[0], 5);
    EXPECT_EQ(store[1], 6);
}

TEST(Capture, ReadLeavesTheBufferAndTheClockAlone) {
    ASSERT_EQ(startFormula("0.5"), 1);
    int16_t store[2] = {5, 6};
    sampleCapture = SampleCapture{CaptureRead, 2, 1, store};
    lastSampleTime = 3.0;
    unsigned char buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(generateSamples(buffer, 8), 8);
    const unsigned char unchanged[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::memcmp(buffer, unchanged, 8), 0);
    EXPECT_EQ(getVariable(tIndex), 0.0);
    EXPECT_EQ(lastSampleTime, 3.0);
    EXPECT_EQ(sampleCapture.index, 1);
    sampleCapture.mode = CaptureOff;
}

TEST(StreamFormatRecord, TakesTheArgumentsInItsOwnOrderAndLow16Bits) {
    countdownActive = 0;
    ASSERT_EQ(setStreamFormat(0x10001, 0x20002, 44100, 4, 176400, 0x10010, 0x10000, "t"), 1);
    EXPECT_EQ(streamFormat.formatTag, 1);
    EXPECT_EQ(streamFormat.channels, 2);
    EXPECT_EQ(streamFormat.samplesPerSec, 44100u);
    EXPECT_EQ(streamFormat.avgBytesPerSec, 176400u);
    EXPECT_EQ(streamFormat.blockAlign, 4);
    EXPECT_EQ(streamFormat.bitsPerSample, 16);
    EXPECT_EQ(streamFormat.extraSize, 0);
    EXPECT_EQ(clockRate, 44100);
    generate(1);
    EXPECT_EQ(getVariable(tIndex), 1.0 / 44100);
}

TEST(StreamFormatRecord, AFormulaThatDoesNotCompileChangesNothing) {
    ASSERT_EQ(startFormula("t"), 1);
    generate(3);
    const char *bad[] = {"(", "1+", "#", "x="};
    for (const char *formula : bad) {
        EXPECT_EQ(setStreamFormat(1, 2, 8000, 4, 32000, 16, 0, formula), 0) << formula;
        EXPECT_EQ(getVariable(tIndex), 3 * period) << formula;
        EXPECT_EQ(streamFormat.samplesPerSec, 132300u);
        EXPECT_EQ(clockRate, 132300);
    }
}

// tonalix-render --play --fade: the stream's samples are scaled by the ramps,
// across buffers, whatever the formula.
TEST(Fade, RampsTheEndsOfTheStretchAndSilencesWhatFollows) {
    const char *formulas[] = {"0.5", "x=0.5, x"};
    for (const char *formula : formulas) {
        ASSERT_EQ(startFormula(formula), 1);
        sampleFade = SampleFade{100, 1000, 0};
        std::vector<unsigned char> first = generate(600), second = generate(600);
        sampleFade = SampleFade{0, 0, 0};
        first.insert(first.end(), second.begin(), second.end());
        const struct {
            size_t at;
            int sample;
        } points[] = {{0, 0}, {50, 8191}, {100, 16383}, {500, 16383}, {949, 8191}, {999, 0}, {1000, 0}, {1199, 0}};
        for (const auto &p : points)
            EXPECT_EQ(sampleAt(first, p.at), p.sample) << formula << " sample " << p.at;
        EXPECT_EQ(sampleAt(generate(1), 0), 16383) << "no fade once it is reset";
    }
}

// The renderer skips the gains of a run of samples that fadeIsFlat calls
// flat: it must do so exactly where every fadeGain of the run is 1, at the
// edges of the ramps and of the stretch too.
TEST(Fade, AFlatRunIsExactlyOneWhoseGainsAreAllOne) {
    const struct { int64_t ramp, length; } stretches[] = {{0, 10}, {1, 10}, {3, 10}, {5, 10}, {4, 9}, {0, 0}};
    for (const auto &s : stretches)
        for (int64_t position = 0; position <= s.length + 2; position++)
            for (int64_t count = 1; count <= 6; count++) {
                SampleFade fade;
                startFade(&fade, s.ramp, s.length);
                fade.position = position;
                bool allOne = true;
                for (int64_t i = 0; i < count; i++)
                    allOne = allOne && fadeGain(position + i, s.ramp, s.length) == 1.0;
                EXPECT_EQ(fadeIsFlat(&fade, count), allOne ? 1 : 0)
                    << "ramp " << s.ramp << " of " << s.length << ", " << count << " from " << position;
                EXPECT_EQ(nextFadeGain(&fade), fadeGain(position, s.ramp, s.length));
                EXPECT_EQ(fade.position, position + 1);
            }
}

} // namespace
