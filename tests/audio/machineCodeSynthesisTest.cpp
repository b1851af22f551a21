// The engine's machine-code sample loop against the generator's own loop:
// the same bytes, the same clock to the bit, the same variables, status and
// capture.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "audio/synthesis.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

// What one run of the generator leaves behind.
struct Outcome {
    std::vector<unsigned char> bytes;
    std::vector<int16_t> captured;
    double variables[VariableCount];
    double lastTime;
    int status;
    int32_t captureIndex;
};

struct LoopCase {
    const char *formula;
    int32_t byteCount; // generated twice, so the clock runs on across calls
    int failBefore;    // evaluate once before the buffers (with t at 0)
};

const LoopCase loopCases[] = {
    {"sin(440*6.2831853071795865*t)", 66150, 0},
    {"0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))", 4001, 0},
    // failing samples
    {"1/(t-2*7.558578987150415e-06)", 7, 0},
    {"log(t)+0.5", 9, 0},
    {"sqrt(t-1e-5)*100", 33, 0},
    {"1/t", 5, 1}, // the status is already failed: the first sample is not evaluated
    {"asin(t*20000)", 31, 0},
    // assignments, to other variables and to t
    {"x=x+1, sin(x*t)", 1001, 0},
    {"t=t*2, t*1000", 17, 0},
    {"y=y+t, x=x*0.5-y, x%1", 19, 0},
    // values beyond full scale and not a number
    {"t*(1e999-1e999)", 3, 0},
    {"1e999", 1, 0},
    {"1-t*100000", 3001, 0},
    {"", 11, 0},
    // more values waiting than registers, across calls
    {"t+(t*(t-(t+(t*(t-(t+(t*(t-(t+(t*(t-(t+(t*(x-sin(t*1000)))))))))))))))", 101, 0},
};

Outcome generateWith(int machineCode, const LoopCase &c) {
    setMachineCodeEnabled(machineCode);
    Outcome o;
    o.captured.assign(50, 0);
    for (unsigned i = 0; i < VariableCount; i++)
        setVariable(i, 0.125 * i);
    countdownActive = 0;
    sampleCapture = SampleCapture{CaptureRecord, 40, 0, o.captured.data()};
    lastSampleTime = -1;
    EXPECT_EQ(setPlaybackFormat(c.formula), 1) << c.formula;
    EXPECT_EQ(machineEvaluate != nullptr, machineCode && machineCodeAvailable) << c.formula;
    if (c.failBefore) evaluateFormula();
    o.bytes.assign(2 * (size_t)c.byteCount + 2, 0xAB);
    generateSamples(o.bytes.data(), c.byteCount);
    generateSamples(o.bytes.data() + c.byteCount, c.byteCount);
    for (unsigned i = 0; i < VariableCount; i++)
        o.variables[i] = getVariable(i);
    o.lastTime = lastSampleTime;
    o.status = formulaStatus;
    o.captureIndex = sampleCapture.index;
    sampleCapture = SampleCapture{CaptureOff, 0, 0, nullptr};
    setMachineCodeEnabled(1);
    return o;
}

TEST(MachineCodeLoop, GivesTheGeneratorsOwnBytesClockAndState) {
    for (const LoopCase &c : loopCases) {
        const Outcome machine = generateWith(1, c), own = generateWith(0, c);
        EXPECT_EQ(machine.bytes, own.bytes) << c.formula;
        EXPECT_EQ(machine.captured, own.captured) << c.formula;
        EXPECT_EQ(std::memcmp(machine.variables, own.variables, sizeof own.variables), 0) << c.formula;
        EXPECT_EQ(std::memcmp(&machine.lastTime, &own.lastTime, sizeof own.lastTime), 0) << c.formula;
        EXPECT_EQ(machine.status, own.status) << c.formula;
        EXPECT_EQ(machine.captureIndex, own.captureIndex) << c.formula;
    }
}

// The emitted loop limits each value by limitSample's rule, the one of every
// output: -1..1, not-a-number to -1, then scaled to full scale and truncated.
TEST(MachineCodeLoop, LimitsAsLimitSampleDoes) {
    if (!machineCodeAvailable) GTEST_SKIP() << "no machine code on this machine";
    const double values[] = {0.0,
                             -0.0,
                             0.5,
                             -0.75,
                             0.99999999999,
                             1.0,
                             -1.0,
                             std::nextafter(1.0, 2.0),
                             std::nextafter(-1.0, -2.0),
                             2.0,
                             -2.0,
                             1e300,
                             -1e300,
                             5e-324,
                             INFINITY,
                             -INFINITY,
                             NAN,
                             -NAN};
    const unsigned x = 'x' - 'a';
    countdownActive = 0;
    sampleCapture = SampleCapture{CaptureOff, 0, 0, nullptr};
    for (double v : values) {
        ASSERT_EQ(setPlaybackFormat("x"), 1);
        ASSERT_NE(machineEvaluate, nullptr);
        setVariable(x, v);
        int16_t sample = 0x5555;
        generateSamples(&sample, 2);
        EXPECT_EQ(sample, (int16_t)(int)(limitSample(v) * 32767.0)) << v;
    }
}

} // namespace
