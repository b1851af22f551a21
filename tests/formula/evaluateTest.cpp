// Values of formulas, and the domain and range errors that fail an evaluation.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include "formula/engine.h"
#include "formula/formula.h"
#include "formula/library.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Sets every variable to 0 and t to `t`, and clears the status.
void resetVariables(double t) {
    for (unsigned i = 0; i < VariableCount; ++i)
        setVariable(i, 0.0);
    setVariable(VariableT, t);
}

void expectSameValue(double actual, double expected, const char *formula) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << formula << " gave " << actual;
    } else if (std::isinf(expected) || expected == 0.0) {
        EXPECT_EQ(actual, expected) << formula;
        EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << formula << ": sign of " << actual;
    } else {
        EXPECT_DOUBLE_EQ(actual, expected) << formula;
    }
}

struct ValueCase {
    const char *formula;
    double t;
    double value;
};

// Names each case after its formula in the test list.
void PrintTo(const ValueCase &c, std::ostream *os) {
    *os << testing::PrintToString(std::string(c.formula)) << " at t = " << c.t;
}

const ValueCase valueCases[] = {
    // clang-format off
    // arithmetic and precedence
    {"1+2*3", 0, 7},
    {"(1+2)*3", 0, 9},
    {"7-2-1", 0, 4},
    {"8/4*2", 0, 4},
    {"2^3^2", 0, 512},
    {"2^(-3)", 0, 0.125},
    {"-2^2", 0, -4},
    {"-t^2", 3, -9},
    // squares and reciprocals: the exact operation, and no failure where pow
    // reports none
    {"t^2", 1e-160, 1e-160 * 1e-160},  // a subnormal square
    {"t^2", -inf, inf},
    {"t^2", nan, nan},
    {"t^(-1)", -inf, -0.0},
    {"t^(-1)", 1.79e308, 1 / 1.79e308},  // a subnormal reciprocal
    {"t^(-1)", nan, nan},
    {"t^0.5", -0.0, 0.0},
    {"t^0.5", -inf, inf},
    {"t^0.5", 2, 1.4142135623730951},
    {"t^0.5", nan, nan},
    {"-3*2", 0, -6},
    {"2*(-3)", 0, -6},
    {"2+-3", 0, -1},
    {"2--3", 0, 5},
    {"---3", 0, -3},
    {"2*+3", 0, 6},
    {"7%3", 0, 1},
    {"-7%3", 0, -1},
    {"7.5%2", 0, 1.5},
    {"t%(1/110)*110", 0.5 / 110, 0.5},
    {"1/3", 0, 1.0 / 3.0},
    {"1d3+2.5D-1", 0, 1000.25},
    {".5+5.", 0, 5.5},
    {"1e999", 0, inf},
    {"-1e999", 0, -inf},
    {"1e999-1e999", 0, nan},
    {"1e300*1e300", 0, inf},
    {"1e-320*1e-10", 0, 0},
    {"-0", 0, -0.0},
    {"0*(-1e999)+0", 0, nan},
    {"t", 0.25, 0.25},
    {"sin(440*6.2831853071795865*t)", 0, 0},
    {"sin(440*6.2831853071795865*t)", 1.0 / 1760, 1},
    // assignment and comma
    {"x=5", 0, 5},
    {"x=3+4, x", 0, 7},
    {"x=y=3, x+y", 0, 6},
    {"2*x=3", 0, 6},
    {"3+x=4", 0, 7},
    {"-x=3", 0, -3},
    {"x=1,2", 0, 2},
    {"x=1, y=2, x+y", 0, 3},
    {"(x=2)*x", 0, 4},
    {"sin(1,0)", 0, 0},
    {"t=t+1, t", 1, 2},
    {"", 0, 0},
    {"()", 0, 0},
    // the functions
    {"ceil(1.2)", 0, 2},
    {"ceil(-1.5)", 0, -1},
    {"floor(-1.5)", 0, -2},
    {"abs(-3)", 0, 3},
    {"sqrt(2)", 0, 1.4142135623730951},
    {"sqrt(-0)", 0, -0.0},
    {"exp(1)", 0, 2.718281828459045},
    {"log(exp(2))", 0, 2},
    {"log10(1000)", 0, 3},
    {"sin(0.5)", 0, 0.479425538604203},
    {"cos(0.5)", 0, 0.8775825618903728},
    {"tan(0.5)", 0, 0.5463024898437905},
    {"asin(1)", 0, 1.5707963267948966},
    {"acos(-1)", 0, 3.141592653589793},
    {"atan(1e999)", 0, 1.5707963267948966},
    {"sinh(1)", 0, 1.1752011936438014},
    {"cosh(1)", 0, 1.5430806348152437},
    {"tanh(0.5)", 0, 0.46211715726000974},
    {"asinh(0)", 0, 0},
    {"asinh(1)", 0, 0.881373587019543},
    {"asinh(-1)", 0, -0.881373587019543},
    {"asinh(-1e10)", 0, -23.718998110500402},
    {"asinh(1e300)", 0, 691.4686750787737},
    {"asinh(1e999)", 0, inf},
    {"asinh(-1e999)", 0, -inf},
    {"acosh(1)", 0, 0},
    {"acosh(2)", 0, 1.3169578969248166},
    {"acosh(1e300)", 0, 691.4686750787737},
    {"atanh(0.5)", 0, 0.5493061443340549},
    {"atanh(-0.5)", 0, -0.5493061443340549},
    {"atanh(0)", 0, 0},
    {"j0(0)", 0, 1},
    {"j1(0)", 0, 0},
    {"j0(1)", 0, 0.7651976865579666},
    {"j1(1)", 0, 0.44005058574493355},
    {"y0(1)", 0, 0.08825696421567696},
    {"y1(1)", 0, -0.7812128213002887},
    {"sqrt(1e999-1e999)", 0, nan},  // a NaN argument is no error
    // the composed formulas of the waveform builder
    {"1.00*((1.00*sin(2*3.1415926535*1000*t)))", 0.00025, 1},
    {"1.00*((0.50))", 0, 0.5},
    // clang-format on
    {"0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))", 0,
     0.6 * (0.3 * (2 * (std::floor(-0.5) + 0.999)) - 1)},
};

class FormulaValue : public testing::TestWithParam<ValueCase> {};

TEST_P(FormulaValue, Evaluates) {
    const ValueCase &c = GetParam();
    resetVariables(c.t);
    ASSERT_EQ(compileFormula(c.formula), 0) << c.formula;
    expectSameValue(evaluateFormula(), c.value, c.formula);
    EXPECT_EQ(formulaStatus, FormulaReady) << c.formula;
}

INSTANTIATE_TEST_SUITE_P(Table, FormulaValue, testing::ValuesIn(valueCases));

struct FailureCase {
    const char *formula;
    double t;
};

void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << testing::PrintToString(std::string(c.formula)) << " at t = " << c.t;
}

// Each compiles, and its evaluation fails with 0.0.
const FailureCase failureCases[] = {
    // clang-format off
    // the engine's own domain errors
    {"1/0", 0},
    {"1/(-0)", 0},
    {"1/t", 0},
    {"0/0", 0},
    {"1/(1e999-1e999)", 0},
    {"acosh(0.5)", 0},
    {"acosh(-1e999)", 0},
    {"acosh(1e999-1e999)", 0},
    {"atanh(1)", 0},
    {"atanh(-1)", 0},
    {"atanh(2)", 0},
    {"atanh(1e999-1e999)", 0},
    // the standard library's domain, pole and range errors
    {"sqrt(-1)", 0},
    {"log(0)", 0},
    {"log(-1)", 0},
    {"log10(0)", 0},
    {"log10(-1)", 0},
    {"asin(2)", 0},
    {"acos(-1.5)", 0},
    {"exp(1000)", 0},
    {"exp(-1000)", 0},
    {"sinh(1000)", 0},
    {"cosh(-1000)", 0},
    {"sin(1e999)", 0},
    {"cos(-1e999)", 0},
    {"tan(1e999)", 0},
    {"sin(t)", inf},
    {"y0(0)", 0},
    {"y0(-1)", 0},
    {"y1(0)", 0},
    {"y1(-1)", 0},
    {"1%0", 0},
    {"t%0", 3},
    {"1e999%2", 0},
    {"(-8)^(1/3)", 0},
    {"0^(-1)", 0},
    {"10^400", 0},
    {"2^1024", 0},
    {"10^(-400)", 0},  // underflow
    {"t^2", 1e200},
    {"t^2", 1e-200},
    {"t^2", -1e-200},
    {"t^(-1)", -0.0},
    {"t^(-1)", 1e-320},  // overflows
    {"t^0.5", -1e-320},
    // failures deep inside, or after a value was already computed
    {"1+sqrt(-1)*0", 0},
    {"x=5, 1/0", 0},
    {"sin(1,log(0))", 0},
    {"sin(t)+cos(t)+1/(t-t)", 0.25},
    // clang-format on
};

class FormulaFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(FormulaFailure, FailsEveryTime) {
    const FailureCase &c = GetParam();
    resetVariables(c.t);
    ASSERT_EQ(compileFormula(c.formula), 0) << c.formula;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(evaluateFormula(), 0.0) << c.formula;
        EXPECT_EQ(formulaStatus, FormulaEvalFailed) << c.formula;
        setVariable(VariableT, c.t); // clears the failure: the next evaluation fails afresh
        EXPECT_EQ(formulaStatus, FormulaReady) << c.formula;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FormulaFailure, testing::ValuesIn(failureCases));

// The mathematics functions must report through errno; a build with
// -ffast-math or -fno-math-errno loses that and every library failure above
// would pass silently.
TEST(MathErrno, LibraryReportsThroughErrno) {
#ifdef math_errhandling // the Windows runtime's header does not define it
    EXPECT_NE(math_errhandling & MATH_ERRNO, 0);
#endif
    volatile double minusOne = -1.0;
    errno = 0;
    const double root = functionRows[FunctionSqrt].call(minusOne);
    EXPECT_TRUE(std::isnan(root));
    EXPECT_EQ(errno, EDOM);
}

struct EngineFunctionCase {
    const char *name;
    double (*function)(double);
    double x;
    double value; // ignored when the call is a domain error
    bool domainError;
};

void PrintTo(const EngineFunctionCase &c, std::ostream *os) { *os << c.name << "(" << c.x << ")"; }

const EngineFunctionCase engineFunctionCases[] = {
    // clang-format off
    {"asinh", formulaAsinh, 0, 0, false},
    {"asinh", formulaAsinh, -0.0, 0, false},
    {"asinh", formulaAsinh, 1e-300, 0, false},  // ln(1 + tiny) is 0 as written
    {"asinh", formulaAsinh, 2, 1.4436354751788103, false},
    {"asinh", formulaAsinh, 1.7e308, 710.4199840737881, false},
    {"asinh", formulaAsinh, -1.7e308, -710.4199840737881, false},
    {"asinh", formulaAsinh, nan, nan, false},
    {"acosh", formulaAcosh, 1, 0, false},
    {"acosh", formulaAcosh, 1.7e308, 710.4199840737881, false},
    {"acosh", formulaAcosh, 0.999999, 0, true},
    {"acosh", formulaAcosh, -2, 0, true},
    {"acosh", formulaAcosh, nan, 0, true},
    {"atanh", formulaAtanh, 0.9999999999999999, 18.714973875118524, false},
    {"atanh", formulaAtanh, -0.9999999999999999, -18.714973875118524, false},
    {"atanh", formulaAtanh, 1, 0, true},
    {"atanh", formulaAtanh, -1, 0, true},
    {"atanh", formulaAtanh, nan, 0, true},
    {"opDiv 1/", [](double x) { return opDiv(1, x); }, 0.0, 0, true},
    {"opDiv 1/", [](double x) { return opDiv(1, x); }, -0.0, 0, true},
    {"opDiv 1/", [](double x) { return opDiv(1, x); }, nan, 0, true},
    {"opDiv 1/", [](double x) { return opDiv(1, x); }, 4.0, 0.25, false},
    {"opDiv 1/", [](double x) { return opDiv(1, x); }, 1e-320, inf, false},  // overflow is no error
    // clang-format on
};

class EngineFunction : public testing::TestWithParam<EngineFunctionCase> {};

TEST_P(EngineFunction, ValueOrDomainError) {
    const EngineFunctionCase &c = GetParam();
    errno = 0;
    const double v = c.function(c.x);
    if (c.domainError) {
        EXPECT_EQ(errno, EDOM) << c.name << "(" << c.x << ")";
        EXPECT_EQ(v, HUGE_VAL) << c.name << "(" << c.x << ")";
    } else {
        EXPECT_EQ(errno, 0) << c.name << "(" << c.x << ")";
        expectSameValue(v, c.value, c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EngineFunction, testing::ValuesIn(engineFunctionCases));

} // namespace
