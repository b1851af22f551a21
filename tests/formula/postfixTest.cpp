// Postfix conversion and validation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formula/formula.h"
#include "formula/tokens.h"
#include "tokenText.h"

namespace {

struct PostfixCase {
    const char *formula;
    const char *program; // tokenText of the postfix program
};

// Names each case after its formula in the test list.
void PrintTo(const PostfixCase &c, std::ostream *os) { *os << testing::PrintToString(std::string(c.formula)); }

// Each formula converts and validates; the token array then holds the program.
const PostfixCase postfixCases[] = {
    {"", ""},
    {"()", ""},
    {"(())", ""},
    {"   ", ""},
    {"sin(440*6.2831853071795865*t)", "440 6.283185307179586 * t * sin("},
    {"1+2*3", "1 2 3 * +"},
    {"(1+2)*3", "1 2 + 3 *"},
    {"a-b-c", "a b - c -"},
    {"a/b*c", "a b / c *"},
    {"a%b/c", "a b % c /"},
    {"2^3^2", "2 3 2 ^ ^"},
    {"-x^2", "x 2 ^ neg"},
    {"-2^2", "2 2 ^ neg"},
    {"-sin(t)", "t sin( neg"},
    {"-3*2", "3 neg 2 *"},
    {"2*(-3)", "2 3 neg *"},
    {"2^(-3)", "2 3 neg ^"},
    {"2+-3", "2 3 neg +"},
    {"2--3", "2 3 neg -"},
    {"2*+3", "2 3 *"},
    {"x=3+4", "3 4 + x="},
    {"x=y=3", "3 y= x="},
    {"2*x=3", "2 3 x= *"},
    {"3+x=4", "3 4 x= +"},
    {"-x=3", "3 x= neg"},
    {"x=1,2", "1 x= 2 ,"},
    {"x=1, y=2, x+y", "1 x= 2 y= , x y + ,"},
    {"sin(1,2)", "1 2 , sin("},
    {"(x=2)*3", "2 x= 3 *"},
    {"sin(t)^2+cos(t)^2", "t sin( 2 ^ t cos( 2 ^ +"},
    {"2^sin(t)", "2 t sin( ^"},
    {"sqrt(abs(t))", "t abs( sqrt("},
    {"1,2,3", "1 2 , 3 ,"},
};

class PostfixProgram : public testing::TestWithParam<PostfixCase> {};

TEST_P(PostfixProgram, CompilesTo) {
    const PostfixCase &c = GetParam();
    ASSERT_EQ(compileFormula(c.formula), 0) << c.formula;
    EXPECT_EQ(tokenText(tokenArray), c.program) << c.formula;
    EXPECT_EQ(formulaStatus, FormulaReady);
}

INSTANTIATE_TEST_SUITE_P(Table, PostfixProgram, testing::ValuesIn(postfixCases));

struct StageCase {
    const char *formula;
    int conversion; // result of convertToPostfix after a successful lexing
    int validation; // result of validateProgram, when the conversion succeeded
};

void PrintTo(const StageCase &c, std::ostream *os) { *os << testing::PrintToString(std::string(c.formula)); }

// Formulas that lex; where each one stops.
const StageCase stageCases[] = {
    // clang-format off
    {"(1", 1, 0},      {"1)", 1, 0},       {"1)+(2", 1, 0},   {")", 1, 0},       {"((1)", 1, 0},
    {"sin(", 1, 0},    {"sin()", 0, 1},
    {"2 3", 0, 1},      {"2(3)", 0, 1},    {"2sin(t)", 0, 1}, {"sin (t)", 0, 1},
    {"(,3)4", 0, 1},   {",", 0, 1},        {"1,", 0, 1},      {",1", 0, 1},      {"1+", 0, 1},
    {"*2", 0, 1},      {"-", 0, 1},        {"x=", 0, 1},      {"x=()", 0, 1},    {"0x10", 0, 1},
    {"2d", 0, 1},      {"1e+", 0, 0},      {"sin(t)cos(t)", 0, 1}, {"()1", 0, 0}, {"1()", 0, 0},
    {"(1)(2)", 0, 1},  {"x=1,2", 0, 0},
    // clang-format on
};

class CompileStages : public testing::TestWithParam<StageCase> {};

TEST_P(CompileStages, ConversionAndValidation) {
    const StageCase &c = GetParam();
    ASSERT_EQ(tokenizeFormula(c.formula), 0) << c.formula;
    ASSERT_EQ(convertToPostfix(tokenArray, tokenArray), c.conversion) << c.formula;
    if (c.conversion == 0) {
        EXPECT_EQ(validateProgram(tokenArray), c.validation) << c.formula;
    }
    const int compiled = c.conversion == 0 && c.validation == 0 ? 0 : 1;
    EXPECT_EQ(compileFormula(c.formula), compiled) << c.formula;
    EXPECT_EQ(formulaStatus, compiled ? FormulaCompileFailed : FormulaReady) << c.formula;
}

INSTANTIATE_TEST_SUITE_P(Table, CompileStages, testing::ValuesIn(stageCases));

// Hand-made programs: validation judges codes the lexer never produces.
struct ValidationCase {
    int number;
    std::vector<uint32_t> codes; // TK_END is appended
    int result;
};

void PrintTo(const ValidationCase &c, std::ostream *os) { *os << "case " << c.number; }

const ValidationCase validationCases[] = {
    // clang-format off
    {1, {}, 0},
    {2, {TK_NUMBER}, 0},
    {3, {TK_VAR + 25}, 0},
    {4, {TK_VAR + 26}, 1},  // past z
    {5, {TK_NUMBER, TK_FUNC + 22}, 0},
    {6, {TK_NUMBER, TK_FUNC + 23}, 1},  // no such function
    {7, {TK_NUMBER, TK_NEG}, 0},
    {8, {TK_NEG}, 1},
    {9, {TK_NUMBER, TK_ASSIGN + 25}, 0},
    {10, {TK_NUMBER, TK_ASSIGN + 26}, 1},  // no such variable
    {11, {TK_NUMBER, TK_NUMBER, TK_POW}, 0},
    {12, {TK_NUMBER, TK_POW}, 1},
    {13, {TK_NUMBER, TK_NUMBER, TK_COMMA}, 0},
    {14, {TK_NUMBER, TK_COMMA}, 1},
    {15, {TK_NUMBER, TK_LPAREN}, 1},
    {16, {TK_NUMBER, TK_RPAREN}, 1},
    {17, {TK_NUMBER, TK_NUMBER, 0x5606}, 1},
    {18, {TK_NUMBER, TK_NUMBER}, 1},
    {19, {TK_NUMBER, TK_NUMBER, TK_ADD, TK_NUMBER, TK_SUB, TK_NUMBER, TK_MUL}, 0},
    // clang-format on
};

class Validation : public testing::TestWithParam<ValidationCase> {};

TEST_P(Validation, HandMadeProgram) {
    const ValidationCase &c = GetParam();
    Token program[TokenSlots] = {};
    for (unsigned i = 0; i < c.codes.size(); ++i)
        program[i] = {c.codes[i], 1.0};
    EXPECT_EQ(validateProgram(program), c.result) << "case " << c.number;
}

INSTANTIATE_TEST_SUITE_P(Table, Validation, testing::ValuesIn(validationCases));

// A program that fills the array with no TK_END, or whose last slot holds a
// token, is invalid; one ending in the last slot is valid.
TEST(ValidationBoundary, LastSlot) {
    static Token program[TokenSlots];
    program[0] = {TK_NUMBER, 1.0};
    for (unsigned i = 1; i < TokenSlots; ++i)
        program[i] = {TK_NEG, 0.0};
    EXPECT_EQ(validateProgram(program), 1);
    program[TokenSlots - 1].code = TK_END;
    EXPECT_EQ(validateProgram(program), 0);
}

// The conversion is done in place: an input long enough to need the whole
// stack converts correctly.
TEST(ConversionInPlace, DeepNesting) {
    std::string text;
    for (int i = 0; i < 254; ++i)
        text += "(";
    text += "1";
    for (int i = 0; i < 254; ++i)
        text += ")";
    ASSERT_EQ(compileFormula(text.c_str()), 0);
    EXPECT_EQ(tokenText(tokenArray), "1");

    text.clear();
    for (int i = 0; i < 127; ++i)
        text += "2^";
    text += "1"; // 255 tokens, right-associative: every "^" waits on the stack
    ASSERT_EQ(compileFormula(text.c_str()), 0);
    std::string expected;
    for (int i = 0; i < 127; ++i)
        expected += "2 ";
    expected += "1";
    for (int i = 0; i < 127; ++i)
        expected += " ^";
    EXPECT_EQ(tokenText(tokenArray), expected);
}

} // namespace
