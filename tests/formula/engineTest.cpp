// The engine's public operations: status transitions, variables that persist,
// capacity, and the evaluation form against the token-by-token definition.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "agreement.h"
#include "formula/engine.h"
#include "formula/formula.h"
#include "formula/machineCode.h"
#include "tokenText.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

enum Action { Compile, CompileNull, Evaluate, Set, Get };

// One step of a script: the action, its argument, the expected result (the
// compile result, the value evaluated or read) and the status afterwards.
struct Step {
    Action action;
    const char *text; // Compile
    unsigned index;   // Set, Get
    double value;     // Set: the value stored; others: the expected result
    int status;
};

struct Script {
    const char *name;
    std::vector<Step> steps;
};

void PrintTo(const Script &s, std::ostream *os) { *os << s.name; }

const Script scripts[] = {
    {"empty formula", {{Compile, "", 0, 0, FormulaReady}, {Evaluate, nullptr, 0, 0, FormulaReady}}},
    {"null text",
     {{Compile, "1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {CompileNull, nullptr, 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaReady}}},
    {"division by zero sticks until a variable changes",
     {{Set, nullptr, 19, 0, FormulaReady},
      {Compile, "1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Set, nullptr, 19, 0.5, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed}}},
    {"1/t recovers when t changes",
     {{Set, nullptr, 19, 0, FormulaReady},
      {Compile, "1/t", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Set, nullptr, 19, 0.5, FormulaReady},
      {Evaluate, nullptr, 0, 2, FormulaReady}}},
    {"a failure is not evaluated again: its assignments do not repeat",
     {{Set, nullptr, 0, 0, FormulaReady},
      {Compile, "a=a+1, 1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Get, nullptr, 0, 1, FormulaEvalFailed},
      {Set, nullptr, 1, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Get, nullptr, 0, 2, FormulaEvalFailed}}},
    {"an out-of-range index clears nothing",
     {{Compile, "1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Set, nullptr, 26, 1, FormulaEvalFailed},
      {Set, nullptr, 0xFFFFFFFFu, 1, FormulaEvalFailed},
      {Get, nullptr, 26, 0, FormulaEvalFailed},
      {Get, nullptr, 0xFFFFFFFFu, 0, FormulaEvalFailed},
      {Compile, "2", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 2, FormulaReady}}},
    {"a compile failure survives setVariable",
     {{Compile, "2*", 0, 1, FormulaCompileFailed},
      {Evaluate, nullptr, 0, 0, FormulaCompileFailed},
      {Set, nullptr, 19, 1, FormulaCompileFailed},
      {Evaluate, nullptr, 0, 0, FormulaCompileFailed},
      {Compile, "t", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 1, FormulaReady}}},
    {"a compile failure replaces the previous program",
     {{Compile, "5", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 5, FormulaReady},
      {Compile, "#", 0, 1, FormulaCompileFailed},
      {Evaluate, nullptr, 0, 0, FormulaCompileFailed},
      {Compile, "", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaReady}}},
    {"compiling clears an evaluation failure and touches no variable",
     {{Set, nullptr, 23, 4, FormulaReady},
      {Compile, "x=1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Compile, "x=7", 0, 0, FormulaReady},
      {Get, nullptr, 23, 4, FormulaReady},
      {Evaluate, nullptr, 0, 7, FormulaReady}}},
    {"variables persist across evaluations and compilations",
     {{Set, nullptr, 23, 0, FormulaReady},
      {Compile, "x=x+1, x", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 1, FormulaReady},
      {Evaluate, nullptr, 0, 2, FormulaReady},
      {Evaluate, nullptr, 0, 3, FormulaReady},
      {Compile, "x", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 3, FormulaReady},
      {Get, nullptr, 23, 3, FormulaReady}}},
    {"the playback order: one evaluation after compiling, then per sample",
     {{Set, nullptr, 23, 0, FormulaReady},
      {Compile, "x=x+1, x", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 1, FormulaReady},
      {Compile, "x=x+1, x", 0, 0, FormulaReady},
      {Set, nullptr, 19, 0, FormulaReady},
      {Evaluate, nullptr, 0, 2, FormulaReady}}},
    {"assignments made before a failure stay made",
     {{Set, nullptr, 23, 0, FormulaReady},
      {Compile, "x=5, 1/0", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 0, FormulaEvalFailed},
      {Get, nullptr, 23, 5, FormulaEvalFailed}}},
    {"an assignment to t is seen by the caller",
     {{Set, nullptr, 19, 1, FormulaReady},
      {Compile, "t=t*2", 0, 0, FormulaReady},
      {Evaluate, nullptr, 0, 2, FormulaReady},
      {Evaluate, nullptr, 0, 4, FormulaReady},
      {Get, nullptr, 19, 4, FormulaReady}}},
    {"a not-a-number result is returned, not failed",
     {{Compile, "1e999-1e999", 0, 0, FormulaReady}, {Evaluate, nullptr, 0, nan, FormulaReady}}},
};

class StatusScript : public testing::TestWithParam<Script> {};

TEST_P(StatusScript, Runs) {
    const Script &s = GetParam();
    for (unsigned i = 0; i < s.steps.size(); ++i) {
        const Step &st = s.steps[i];
        SCOPED_TRACE(testing::Message() << s.name << ", step " << i + 1);
        switch (st.action) {
        case Compile:
            EXPECT_EQ(compileFormula(st.text), static_cast<int>(st.value));
            break;
        case CompileNull:
            EXPECT_EQ(compileFormula(nullptr), 0);
            break;
        case Set:
            setVariable(st.index, st.value);
            break;
        case Evaluate:
        case Get: {
            const double v = st.action == Evaluate ? evaluateFormula() : getVariable(st.index);
            if (std::isnan(st.value)) {
                EXPECT_TRUE(std::isnan(v));
            } else {
                EXPECT_EQ(v, st.value);
            }
            break;
        }
        }
        EXPECT_EQ(formulaStatus, st.status);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StatusScript, testing::ValuesIn(scripts));

TEST(Variables, EveryIndexHoldsItsValue) {
    for (unsigned i = 0; i < VariableCount; ++i)
        setVariable(i, 100.0 + i);
    for (unsigned i = 0; i < VariableCount; ++i)
        EXPECT_EQ(getVariable(i), 100.0 + i);
    for (char c = 'a'; c <= 'z'; ++c) {
        const char text[] = {c, '\0'};
        ASSERT_EQ(compileFormula(text), 0);
        EXPECT_EQ(evaluateFormula(), 100.0 + (c - 'a')) << c;
    }
    setVariable(26, -1);
    for (unsigned i = 0; i < VariableCount; ++i)
        EXPECT_EQ(getVariable(i), 100.0 + i);
}

TEST(Variables, AssignmentReachesEachLetter) {
    for (char c = 'a'; c <= 'z'; ++c) {
        const std::string text = std::string(1, c) + "=-" + std::to_string(c - 'a');
        ASSERT_EQ(compileFormula(text.c_str()), 0);
        EXPECT_EQ(evaluateFormula(), -(c - 'a'));
        EXPECT_EQ(getVariable(c - 'a'), -(c - 'a'));
    }
}

// Formulas at the 509-token limit compile, evaluate and keep their program.
TEST(Capacity, Formula509Tokens) {
    std::string text = "1";
    for (int i = 0; i < 254; ++i)
        text += "+1";
    ASSERT_EQ(compileFormula(text.c_str()), 0);
    EXPECT_EQ(evaluateFormula(), 255.0);
    unsigned length = 0;
    while (tokenArray[length].code != TK_END)
        ++length;
    EXPECT_EQ(length, 509u);
    EXPECT_EQ(compileFormula((text + "+1").c_str()), 1);
    EXPECT_EQ(compileFormula((text + " ").c_str()), 1);
    EXPECT_EQ(evaluateFormula(), 0.0);

    // Right-associative powers keep every operand waiting: 255 values and 254
    // operators on the conversion stack and the evaluation stack at once.
    text.clear();
    for (int i = 0; i < 254; ++i)
        text += "1^";
    ASSERT_EQ(compileFormula((text + "1").c_str()), 0);
    EXPECT_EQ(evaluateFormula(), 1.0);
    EXPECT_EQ(compileFormula((text + "1^1").c_str()), 1);
}

// The evaluation form must agree with the token-by-token definition in every
// value, failure and assignment, for constant parts that fold and for those
// that must fail at each evaluation.
const char *const agreementFormulas[] = {
    "sin(440*6.2831853071795865*t)",
    "1.00*((1.00*sin(2*3.1415926535*1000*t)))",
    "0.80*((0.50*sin(2*3.1415926535*440*t-0.25/440))+(0.20*(110*(t%(1/110))))+(0.10))",
    "1.00*((1.00*(2*(floor((((1000*t)%1)-0.5)-(0.50/1000))+0.999))-1))",
    "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))",
    "1.00*((0.50))",
    "sqrt(abs(cos(t*3)))^2/(1+t^2)-abs(t)^0.5*cos(2*t)/(2+cos(t))+(t/3)^3",
    "1/t",
    "t/0",
    "2/(t-t)",
    "1/(1-1)",
    "t%0",
    "0%t",
    "t%2",
    "2%t",
    "t^2",
    "2^t",
    "t^t",
    "(-t)^0.5",
    "0.5^t",
    "t^(-1)",
    "-t",
    "--t",
    "-(-t)",
    "3-t",
    "t-3",
    "3/t",
    "t/3",
    "t*t*t",
    "t+t+t",
    "sqrt(-1)*t",
    "t*sqrt(-1)",
    "log(0)+t",
    "1e999*0+t",
    "(1e999-1e999)/t",
    "t/(1e999-1e999)",
    "x=t, y=x*2, x+y",
    "x=x+t",
    "t=t+1",
    "a=1/t, b=2",
    "a=2, 1/0, b=3",
    "sin(1,2)+t",
    "(1,2,t)",
    "exp(t)",
    "exp(t*1000)",
    "log(t)",
    "acosh(t)",
    "atanh(t)",
    "asinh(t)",
    "asinh(-t)",
    "y0(t)",
    "y1(t)",
    "sin(t)",
    "cos(t)",
    "tan(t)",
    "sin(t)+1",
    "2*cos(t)",
    "tan(t)-t",
    "sin(2*t)",
    "cos(1e999*t)",
    "tan(3+t)",
    "exp(2*t)",
    "log(-1*t)",
    "sqrt(t*2)",
    "2*t+1",
    "3+t",
    "asin(t)",
    "acos(t)",
    "sinh(t)",
    "cosh(t)",
    "tanh(t)",
    "atan(t)",
    "ceil(t)",
    "floor(t)",
    "abs(t)",
    "j0(t)",
    "j1(t)",
    "log10(t)",
    "sqrt(t)",
    "sin(2)*t",
    "2^10*t",
    "10^400*t",
    "t*10^(-1)",
    "(2*3)^(1/2)+t",
    "1/(2-2)+t",
    "-(2+3)*t",
    "2^3^t",
    "t^3^2",
    "x=2*3, x*t",
    "1+2+t",
    "t+1+2",
    "1*(2*t)",
    "3%(t+1)",
    "(t+1)%3",
    "t%(1/110)",
    "0*t",
    "-0*t",
    "t-t",
    "1e300*t*t",
    "-x^2+t",
    "abs(t)^0.5",
    "2*x=3",
    // a variable read before a subtree that assigns it keeps its old value
    "x+(x=5)",
    "x*(x=2)+x",
    "(x=3)-x",
    "x-(x=1)",
    "t/(t=0)",
    "x^(x=2)",
    "x%(x=2)",
    "2-(x=t)+x",
    "x+sin(x=t)",
    "(x=t)*(y=x+1)*y",
    "x=(x=x+1)*x",
    // identities the evaluation form leaves out
    "t*1",
    "1*t",
    "t/1",
    "1/t*1",
    "-t*1.00",
    "1.00*((1.00*t))",
    "(1-1)*1+t",
    "1^t*1",
    "1%t",
    "t%1",
    // the empty program, and library calls at the edges of their domains
    "",
    "()",
    "t%1e999",
    "1e999%t",
    "t%(-0)",
    "(-0)%t",
    "t^1e999",
    "1e999^t",
    "(-0)^t",
    "t^(-0)",
    "(1e999-1e999)^t",
    "t^(1e999-1e999)",
    "1^t",
    "t^0",
    "(-1)^t",
    "exp(-t*1000)",
    "exp(t-709.9)",
    "2^(t-1074)",
    "j0(t*1e300)",
    "y0(t*1e300)",
    "y0(-t)",
    "y1(-t*0)",
    "log(-0*t)",
    "sqrt(-0*t)",
    "-0*t+0",
};

const double agreementTimes[] = {0.0, 0.5, -0.5, 1.0, -1.0, 2.0, 1e-300, 1e300, 0.37, inf, -inf, nan, -0.0};

// Both evaluation forms, the interpreter and the machine code; the parameter
// is whether machine code is made.
class Agreement : public testing::TestWithParam<int> {
protected:
    void SetUp() override { setMachineCodeEnabled(GetParam()); }
    void TearDown() override { setMachineCodeEnabled(1); }
};

TEST_P(Agreement, EvaluationFormMatchesDefinition) {
    ASSERT_EQ(compileFormula("t"), 0);
    ASSERT_EQ(machineEvaluate != nullptr, GetParam() && machineCodeAvailable);
    for (const char *formula : agreementFormulas) {
        for (double t : agreementTimes)
            EXPECT_TRUE(agreesWithDefinition(formula, t));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Agreement, testing::Values(0, 1), [](const testing::TestParamInfo<int> &info) {
    return info.param ? "MachineCode" : "Interpreter";
});

// Where a refused formula stopped: the stage, and the byte of the text.
TEST(CompileStop, NamesTheStageAndTheByte) {
    const struct {
        const char *formula;
        int stage;
        unsigned offset;
    } cases[] = {
        // clang-format off
        {"sin(t)", 0, 0},
        // bytes outside the language, and "=" after no variable
        {"1+=2", CompileLexer, 2}, {"t*3!", CompileLexer, 3}, {"x==3", CompileLexer, 2}, {"sin(t)+Q", CompileLexer, 7},
        // a unary minus right after "*", "/", "%" or "^", whatever waits before it
        {"2*-3", CompileLexer, 2}, {"2/-3", CompileLexer, 2}, {"2%-3", CompileLexer, 2}, {"2^-3", CompileLexer, 2},
        {"2* -3", CompileLexer, 3}, {"2*+-3", CompileLexer, 3}, {"2*--3", CompileLexer, 2},
        {"sin(t)+2*-3", CompileLexer, 9}, {"sin(1)/(5*-3.5)", CompileLexer, 10},
        {"-2*cos(0.1/-(8.2))", CompileLexer, 11},
        // the parenthesis without a partner
        {"(1", CompilePostfix, 0}, {"(1+2))", CompilePostfix, 5}, {"sin(t", CompilePostfix, 3},
        {"1)+(2", CompilePostfix, 1}, {"((1)", CompilePostfix, 0}, {"(1+(2)", CompilePostfix, 0},
        // the operator or function that lacks an operand, or the first value left over
        {"1+", CompileValidator, 1}, {"2*", CompileValidator, 1}, {"sin()", CompileValidator, 0},
        {"2 3", CompileValidator, 2}, {"sin(t)7", CompileValidator, 6}, {"2(3)", CompileValidator, 1},
        {"1 2+3", CompileValidator, 2}, {"x=", CompileValidator, 0}, {"(,3)4", CompileValidator, 1}, {"2sin(t)", CompileValidator, 1},
        // clang-format on
    };
    for (const auto &c : cases) {
        EXPECT_EQ(compileFormula(c.formula), c.stage != 0 ? 1 : 0) << c.formula;
        EXPECT_EQ(lastCompileStop().stage, c.stage) << c.formula;
        if (c.stage != 0) {
            EXPECT_EQ(lastCompileStop().offset, c.offset) << c.formula;
        }
    }
}

// The mend of the unary minus keeps every other formula's value.
TEST(UnaryMinus, KeepsTheValuesAroundIt) {
    const struct {
        const char *formula;
        double value;
    } cases[] = {
        {"2*(-3)", -6.0}, {"2^(-3)", 0.125}, {"-3*2", -6.0},  {"2+-3", -1.0}, {"2--3", 5.0},
        {"2*+3", 6.0},    {"-2^2", -4.0},    {"2---3", -1.0}, {"--3*2", 6.0}, {"1-2*3", -5.0},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(compileFormula(c.formula), 0) << c.formula;
        EXPECT_EQ(evaluateFormula(), c.value) << c.formula;
    }
}

} // namespace
