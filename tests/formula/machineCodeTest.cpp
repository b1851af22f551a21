// The evaluation forms against the token-by-token definition on random valid
// programs, and the protection of the machine code's memory.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>

#include "agreement.h"
#include "formula/formula.h"
#include "formula/library.h"
#include "formula/machineCode.h"

namespace {

// xorshift64: the same programs at every run, so that a failure repeats.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15u;
    unsigned below(unsigned n) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<unsigned>(state % n);
    }
};

const char *const numbers[] = {"0", "1", "2", "0.5", "3", "1e999", "1e-320", "1e300", "0.25", "7", "1e-5", "710"};
const char *const letters[] = {"t", "x", "y", "a"};
const char operators[] = "+-*/%^";
const double times[] = {0.0, 0.5, -1.5, 2.0, 1e-300, 1e300, 0.37, -0.0};

// Appends a random valid formula of at most `depth` levels to `text`.
void appendFormula(Random &r, int depth, std::string &text) {
    switch (depth <= 0 ? r.below(2) : r.below(10)) {
    case 0:
        text += numbers[r.below(std::size(numbers))];
        return;
    case 1:
        text += letters[r.below(std::size(letters))];
        return;
    case 2:
        text += functionRows[r.below(FunctionCount)].name;
        break;
    case 3:
        text += "(-";
        break;
    case 4:
        text += std::string("(") + letters[r.below(std::size(letters))] + "=";
        break;
    case 5:
        text += '(';
        appendFormula(r, depth - 1, text);
        text += ',';
        break;
    default:
        text += '(';
        appendFormula(r, depth - 1, text);
        text += operators[r.below(6)];
        break;
    }
    appendFormula(r, depth - 1, text);
    text += ')';
}

// Appends a chain of `length` operators whose right operands nest, so that
// `length` values wait at once: more than the registers hold, across calls.
void appendChain(Random &r, int length, std::string &text) {
    if (length == 0) return appendFormula(r, 2, text);
    text += '(';
    appendFormula(r, 1, text);
    text += operators[r.below(6)];
    appendChain(r, length - 1, text);
    text += ')';
}

class RandomPrograms : public testing::TestWithParam<int> {
protected:
    void SetUp() override { setMachineCodeEnabled(GetParam()); }
    void TearDown() override { setMachineCodeEnabled(1); }
};

TEST_P(RandomPrograms, AgreeWithDefinition) {
    Random r;
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text.clear();
        if (i % 50 == 0) {
            appendChain(r, 10 + r.below(30), text);
        } else {
            appendFormula(r, 1 + r.below(5), text);
        }
        ASSERT_TRUE(agreesWithDefinition(text.c_str(), times[r.below(std::size(times))])) << "program " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, RandomPrograms, testing::Values(0, 1), [](const testing::TestParamInfo<int> &info) {
    return info.param ? "MachineCode" : "Interpreter";
});

// A remainder by a number is computed inline; it must be fmod's exact
// remainder wherever the quotient nearly or exactly reaches a whole number,
// on both sides of the point where the inline form hands over to fmod, and
// for the signs, zeros and extremes.
TEST(RemainderByNumber, IsFmodExactly) {
    const struct {
        const char *text;
        double k;
    } divisors[] = {{"1", 1},       {"(1/110)", 1 / 110.0}, {"0.3", 0.3},       {"(-0.3)", -0.3},  {"7", 7},
                    {"1e-5", 1e-5}, {"1e300", 1e300},       {"1e-310", 1e-310}, {"(1/3)", 1 / 3.0}};
    Random r;
    for (const auto &d : divisors) {
        const std::string formula = std::string("t%") + d.text;
        ASSERT_EQ(compileFormula(formula.c_str()), 0);
        for (int i = 0; i < 20000; ++i) {
            // a multiple of k with a quotient from 0 to past 2^52, one ulp off it,
            // or a value of random bits
            const double n = std::ldexp(r.below(1u << 20), static_cast<int>(r.below(40)));
            double t = n * d.k;
            if (i % 3 == 1) t = std::nextafter(t, r.below(2) ? INFINITY : -INFINITY);
            if (i % 3 == 2) {
                const uint64_t bits = (uint64_t{r.below(1u << 31)} << 33) ^ (uint64_t{r.below(1u << 31)} << 2);
                std::memcpy(&t, &bits, sizeof t);
            }
            if (r.below(2)) t = -t;
            if (!std::isfinite(t)) continue; // fmod fails: the agreement cases below
            const double expected = std::fmod(t, d.k);
            setVariable(VariableT, t);
            const double actual = evaluateFormula();
            ASSERT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0)
                << formula << " at t = " << t << ": " << actual << " instead of " << expected;
        }
    }
    for (double t : {0.0, -0.0, double{INFINITY}, double{-INFINITY}, double{NAN}, 5e-324, -1.7e308}) {
        EXPECT_TRUE(agreesWithDefinition("t%0.3", t)) << t;
        EXPECT_TRUE(agreesWithDefinition("t%(-7)", t)) << t;
    }
}

// The rows that the evaluation forms treat by name are the functions of
// those names.
TEST(FunctionIndex, NamesItsRow) {
    const struct {
        unsigned index;
        const char *name;
    } rows[] = {{FunctionCeil, "ceil("}, {FunctionFloor, "floor("}, {FunctionAbs, "abs("}, {FunctionSqrt, "sqrt("},
                {FunctionSin, "sin("},   {FunctionCos, "cos("},     {FunctionTan, "tan("}};
    for (const auto &row : rows)
        EXPECT_STREQ(functionRows[row.index].name, row.name);
}

// Machine code made on one thread and run on another tests that thread's
// errno: a library failure there fails the evaluation and the sample, in
// the tail-call, frameless and framed routines alike.
TEST(MachineCodeThreads, FailuresOnAnotherThreadAreSeen) {
    if (!machineCodeAvailable) GTEST_SKIP() << "no machine code on this processor";
    setMachineCodeEnabled(1);
    const struct {
        const char *formula;
        double t;
    } cases[] = {{"log(t)", 0.0}, {"sin(t*t)", 1e300}, {"x=2, x*log(t)", 0.0}, {"log(t)+cos(t)*x", 0.0}};
    for (const auto &c : cases) {
        ASSERT_EQ(compileFormula(c.formula), 0) << c.formula;
        ASSERT_NE(machineEvaluate, nullptr) << c.formula;
        double value = 1.0;
        int evaluationFailed = 0, loopRan = 0;
        unsigned char sample[2] = {0xFF, 0xFF};
        std::thread([&] {
            setVariable(VariableT, c.t);
            value = evaluateFormula();
            evaluationFailed = (formulaStatus & FormulaEvalFailed) != 0;
            setVariable(VariableT, c.t);
            SampleRun run{sample, 1, 1.0 / 132300, 0.0};
            loopRan = runSampleLoop(&run);
        }).join();
        EXPECT_EQ(value, 0.0) << c.formula;
        EXPECT_TRUE(evaluationFailed) << c.formula;
        EXPECT_EQ(loopRan, 1) << c.formula;
        EXPECT_EQ(sample[0] | sample[1], 0) << c.formula << ": a failed sample plays as 0";
    }
}

// The machine code's inline remainder is exact in the default rounding mode
// only: in any other a buffer is left to the interpreter.
TEST(MachineCodeRounding, AnotherRoundingModeLeavesTheBufferToTheInterpreter) {
    if (!machineCodeAvailable) GTEST_SKIP() << "no machine code on this processor";
    setMachineCodeEnabled(1);
    ASSERT_EQ(compileFormula("t%0.1"), 0);
    unsigned char samples[8];
    SampleRun run{samples, 4, 1.0 / 132300, 0.0};
    const int modes[] = {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    for (int mode : modes) {
        ASSERT_EQ(std::fesetround(mode), 0);
        const int ran = runSampleLoop(&run);
        std::fesetround(FE_TONEAREST);
        EXPECT_EQ(ran, 0) << "rounding mode " << mode;
    }
    EXPECT_EQ(runSampleLoop(&run), 1);
}

// TONALIX_JIT=0 leaves the interpreter running; a test entry of its own
// runs this with the variable set.
TEST(MachineCodeSwitch, EnvironmentZeroTurnsItOff) {
    const char *setting = std::getenv("TONALIX_JIT");
    if (setting == nullptr || std::strcmp(setting, "0") != 0) GTEST_SKIP() << "runs with TONALIX_JIT=0";
    ASSERT_EQ(compileFormula("sin(t)"), 0);
    EXPECT_EQ(machineEvaluate, nullptr);
    EXPECT_TRUE(agreesWithDefinition("sin(t)+x", 0.5));
}

// No page of the process is writable and executable at once, and the
// machine code's own page is read+execute.
TEST(CodeMemory, NeverWritableAndExecutable) {
#ifdef _WIN32
    GTEST_SKIP() << "reads /proc/self/maps";
#else
    if (!machineCodeAvailable) GTEST_SKIP() << "no machine code on this processor";
    setMachineCodeEnabled(1);
    ASSERT_EQ(compileFormula("sin(t)"), 0);
    ASSERT_EQ(compileFormula("x=x+1, x*t"), 0); // built again over the first
    ASSERT_NE(machineEvaluate, nullptr);
    setVariable(23, 1.0); // x
    const auto code = reinterpret_cast<uintptr_t>(machineEvaluate);
    FILE *maps = std::fopen("/proc/self/maps", "r");
    ASSERT_NE(maps, nullptr);
    char line[512];
    bool found = false;
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long long start = 0, end = 0;
        char perms[8] = {};
        if (std::sscanf(line, "%llx-%llx %7s", &start, &end, perms) != 3) continue;
        EXPECT_FALSE(perms[1] == 'w' && perms[2] == 'x') << line;
        if (code >= start && code < end) {
            found = true;
            EXPECT_STREQ(perms, "r-xp") << line;
        }
    }
    std::fclose(maps);
    EXPECT_TRUE(found);
    EXPECT_EQ(evaluateFormula(), 2.0 * getVariable(VariableT));
#endif
}

} // namespace
