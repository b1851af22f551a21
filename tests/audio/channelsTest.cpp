// The channels of a stream: kept programs switched per piece or per frame
// give each channel the samples of its formula alone, with the variables
// shared in channel order and a failure kept to its own channel.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "audio/channels.h"
#include "audio/synthesis.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

// Returns the 16-bit samples of count frames of formulas, interleaved,
// generated in buffers of buffer frames, from t = 0 with every variable 0.
std::vector<int16_t> channelSamples(const std::vector<const char *> &formulas, size_t count, size_t buffer) {
    for (unsigned i = 0; i < VariableCount; i++)
        setVariable(i, 0.0);
    unsigned failed = 99;
    EXPECT_EQ(setChannelPlaybackFormat(formulas.data(), (unsigned)formulas.size(), &failed), 1) << failed;
    std::vector<int16_t> samples(count * formulas.size());
    for (size_t done = 0; done < count; done += buffer) {
        const size_t step = count - done < buffer ? count - done : buffer;
        generateSamples(samples.data() + done * formulas.size(), (int32_t)(2 * step * formulas.size()));
    }
    return samples;
}

struct ChannelCase {
    std::vector<const char *> formulas;
    int shared;                          // the channels share a variable
    std::vector<const char *> alone;     // each channel's formula alone gives it; null: not checked
    std::vector<double> expectedAtFirst; // the first frame's values, 0..1 of full scale; empty: not checked
};

const ChannelCase channelCases[] = {
    // Independent: an accumulator of its own in the second channel.
    {{"sin(440*6.2831853071795865*t)", "0.5*sin(x=x+0.01)"},
     0,
     {"sin(440*6.2831853071795865*t)", "0.5*sin(x=x+0.01)"},
     {}},
    {{"t*1000", "-t*1000", "0.25", "1/(t-2/132300)"}, 0, {"t*1000", "-t*1000", "0.25", "1/(t-2/132300)"}, {}},
    // A failing channel plays 0; the next one is not silenced by it.
    {{"log(t-1)", "0.5"}, 0, {"log(t-1)", "0.5"}, {0.0, 0.5}},
    {{"y=0,log(t-1)", "0.5+y"}, 1, {}, {0.0, 0.5}},
    // Shared: the second reads what the first stored at the same frame.
    {{"x=0.8*sin(1000*6.2831853071795865*t),x", "-x"}, 1, {"0.8*sin(1000*6.2831853071795865*t)", nullptr}, {}},
    {{"0.5", "t=t+1,0.25"}, 1, {"0.5", nullptr}, {0.5, 0.25}},
};

class Channels : public testing::TestWithParam<int> {
protected:
    void SetUp() override { setMachineCodeEnabled(GetParam()); }
    void TearDown() override {
        setMachineCodeEnabled(1);
        setPlaybackFormat("0");
    }
};

TEST_P(Channels, EachChannelHoldsItsOwnFormulasSamples) {
    const size_t count = 3000;
    for (const ChannelCase &c : channelCases) {
        SCOPED_TRACE(c.formulas[0]);
        const size_t n = c.formulas.size();
        // Odd buffers cross the pieces the channels run in.
        const std::vector<int16_t> together = channelSamples(c.formulas, count, 1001);
        EXPECT_EQ(channelSet.shared, c.shared);
        EXPECT_EQ(streamFormat.channels, n);
        EXPECT_EQ(streamFormat.blockAlign, 2 * n);
        const double endT = getVariable(VariableT);
        channelSamples({"0"}, count, 1001);
        EXPECT_EQ(getVariable(VariableT), endT) << "the clock runs on as a mono one";
        for (size_t ch = 0; ch < c.alone.size(); ch++) {
            if (!c.alone[ch]) continue;
            const std::vector<int16_t> alone = channelSamples({c.alone[ch]}, count, count);
            for (size_t i = 0; i < count; i++)
                ASSERT_EQ(together[i * n + ch], alone[i]) << "channel " << ch << ", frame " << i;
        }
        for (size_t ch = 0; ch < c.expectedAtFirst.size(); ch++)
            EXPECT_EQ(together[ch], (int16_t)(c.expectedAtFirst[ch] * 32767)) << "channel " << ch;
        if (c.formulas.size() == 2 && std::strcmp(c.formulas[1], "-x") == 0) {
            int nonzero = 0;
            for (size_t i = 0; i < count; i++) {
                ASSERT_EQ(together[2 * i + 1], -together[2 * i]) << "frame " << i;
                nonzero += together[2 * i] != 0;
            }
            EXPECT_GT(nonzero, (int)count / 2);
        }
    }
}

// The played values come out as the 16-bit samples are made: the clock of
// every frame, a failure where the formula failed, and the same t after.
TEST_P(Channels, ThePlayedValuesAreTheSamplesBeforeTheirRounding) {
    for (const ChannelCase &c : channelCases) {
        SCOPED_TRACE(c.formulas[0]);
        const size_t n = c.formulas.size(), count = 2500;
        const std::vector<int16_t> samples = channelSamples(c.formulas, count, count);
        const double endT = getVariable(VariableT);
        channelSamples(c.formulas, 0, 1);
        std::vector<double> values(count * n), times(count);
        std::vector<unsigned char> failed(count * n);
        evaluateChannelFrames(values.data(), failed.data(), times.data(), count);
        EXPECT_EQ(getVariable(VariableT), endT);
        for (size_t i = 0; i < count * n; i++) {
            ASSERT_EQ((int16_t)(int)(limitSample(values[i]) * 32767), samples[i]) << "sample " << i;
            if (failed[i]) {
                ASSERT_EQ(values[i], 0.0);
            }
        }
        EXPECT_EQ(times[0], 0.0);
        EXPECT_EQ(times[1], 1.0 / streamSampleRate);
    }
}

// A fade (--play --fade) gives every channel of a frame the same gain: each
// channel is faded as its formula alone would be.
TEST_P(Channels, AFadeGivesEachFrameOneGain) {
    const size_t count = 3000;
    setStreamFade(700, 2500); // ramps of 700 frames, silence after 2500
    const std::vector<int16_t> together = channelSamples({"0.5", "-0.75", "0.25"}, count, 1001);
    const char *const alone[] = {"0.5", "-0.75", "0.25"};
    for (size_t ch = 0; ch < 3; ch++) {
        setStreamFade(700, 2500);
        const std::vector<int16_t> mono = channelSamples({alone[ch]}, count, 1001);
        for (size_t i = 0; i < count; i++)
            ASSERT_EQ(together[3 * i + ch], mono[i]) << "channel " << ch << ", frame " << i;
    }
    EXPECT_EQ(together[3 * 350], (int16_t)(16383 * fadeGain(350, 700, 2500)));
    EXPECT_EQ(together[3 * 2600 + 1], 0);
    setStreamFade(0, 0);
}

INSTANTIATE_TEST_SUITE_P(MachineCode, Channels, testing::Values(1, 0), [](const testing::TestParamInfo<int> &info) {
    return info.param ? std::string("On") : std::string("Off");
});

// Kept programs stay as kept while others are compiled, and note their
// variables.
TEST(KeptPrograms, ComeBackAsTheyWereAndNoteTheirVariables) {
    const struct {
        const char *formula;
        uint32_t read, assigned;
    } cases[] = {
        {"sin(t)", 1u << 19, 0},
        {"a=b+c,a", 1u << 0 | 1u << 1 | 1u << 2, 1u << 0},
        {"z=z+1", 1u << 25, 1u << 25},
        {"0.5", 0, 0},
    };
    const unsigned count = sizeof cases / sizeof cases[0];
    for (unsigned slot = 0; slot < count; slot++) {
        ASSERT_EQ(compileFormula(cases[slot].formula), 0);
        ASSERT_EQ(keepProgram(slot), 1);
    }
    ASSERT_EQ(compileFormula("99"), 0);
    setVariable(VariableT, 0.5);
    setVariable(1, 2);
    setVariable(2, 3);
    setVariable(25, 0); // z, whatever tests before left in it
    const double expected[] = {std::sin(0.5), 5, 1, 0.5};
    for (unsigned slot = 0; slot < count; slot++) {
        SCOPED_TRACE(cases[slot].formula);
        EXPECT_EQ(variablesRead(slot), cases[slot].read);
        EXPECT_EQ(variablesAssigned(slot), cases[slot].assigned);
        ASSERT_EQ(useProgram(slot), 1);
        EXPECT_EQ(evaluateFormula(), expected[slot]);
    }
    // A failed compilation keeps nothing; an empty slot cannot be used.
    EXPECT_EQ(compileFormula("sin("), 1);
    EXPECT_EQ(keepProgram(0), 0);
    EXPECT_EQ(keepProgram(KeptProgramSlots), 0);
    EXPECT_EQ(useProgram(KeptProgramSlots - 1), 0);
    ASSERT_EQ(useProgram(0), 1);
    EXPECT_EQ(formulaStatus, FormulaReady);
    EXPECT_EQ(evaluateFormula(), std::sin(0.5));
}

} // namespace
