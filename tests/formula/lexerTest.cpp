// The lexer: formula text to infix tokens.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "formula/tokens.h"
#include "tokenText.h"

namespace {

struct LexCase {
    const char *text;
    const char *tokens; // tokenText of the sequence, implicit parentheses included
};

// Names each case after its formula in the test list.
void PrintTo(const LexCase &c, std::ostream *os) { *os << testing::PrintToString(std::string(c.text)); }

const LexCase lexCases[] = {
    // empty formulas
    {"", "( )"},
    {"    ", "( )"},
    // numbers
    {"12", "( 12 )"},
    {"12.", "( 12 )"},
    {"12.5", "( 12.5 )"},
    {".5", "( 0.5 )"},
    {"007", "( 7 )"},
    {"1e3", "( 1000 )"},
    {"1E3", "( 1000 )"},
    {"1d3", "( 1000 )"},
    {"1D3", "( 1000 )"},
    {"2.5D-1", "( 0.25 )"},
    {"2.5e+1", "( 25 )"},
    {"1.e2", "( 100 )"},
    {".5e1", "( 5 )"},
    {"1e999", "( inf )"},
    {"1e-999", "( 0 )"},
    {"0.1", "( 0.1 )"},
    {"6.2831853071795865", "( 6.283185307179586 )"},
    {"1e0000000000000000000000002", "( 100 )"},
    {"1e99999999999999999999999", "( inf )"},
    {"0.00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001e92", "( 1 )"},
    // exponent letters without digits are letters; no hexadecimal; no sign in a number
    {"2e", "( 2 e )"},
    {"2d", "( 2 d )"},
    {"1e+", "( 1 e + )"},
    {"1e-x", "( 1 e - x )"},
    {"0x10", "( 0 x 10 )"},
    {"1.5.5", "( 1.5 0.5 )"},
    {"3e2e1", "( 300 e 1 )"},
    // unary and binary signs
    {"+3", "( 3 )"},
    {"--3", "( 3 )"},
    {"---3", "( neg 3 )"},
    {"-+3", "( neg 3 )"},
    {"- -3", "( 3 )"},
    {"2--3", "( 2 - neg 3 )"},
    {"2+-3", "( 2 + neg 3 )"},
    {"(-1)-1", "( ( neg 1 ) - 1 )"},
    {"x-1,-1", "( x - 1 , neg 1 )"},
    {"sin(-t)", "( sin( ( neg t ) )"},
    // assignment
    {"x=3", "( x= 3 )"},
    {"x = 3", "( x= 3 )"},
    {"x=y=-3", "( x= y= neg 3 )"},
    {"a=1,z=2", "( a= 1 , z= 2 )"},
    // functions and letters
    {"sin(440*6.2831853071795865*t)", "( sin( ( 440 * 6.283185307179586 * t ) )"},
    {"cosh(t)", "( cosh( ( t ) )"},
    {"cos(t)", "( cos( ( t ) )"},
    {"log10(t)", "( log10( ( t ) )"},
    {"log(t)", "( log( ( t ) )"},
    {"sin (t)", "( s i n ( t ) )"},
    {"sin", "( s i n )"},
    {"ab", "( a b )"},
    {"y1(j0(t))", "( y1( ( j0( ( t ) ) )"},
    {"asinh(acosh(atanh(t)))", "( asinh( ( acosh( ( atanh( ( t ) ) ) )"},
    {"2^3%4/5", "( 2 ^ 3 % 4 / 5 )"},
};

class LexerOutput : public testing::TestWithParam<LexCase> {};

TEST_P(LexerOutput, YieldsTokens) {
    const LexCase &c = GetParam();
    ASSERT_EQ(tokenizeFormula(c.text), 0) << c.text;
    EXPECT_EQ(tokenText(tokenArray), c.tokens) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, LexerOutput, testing::ValuesIn(lexCases));

const char *const lexFailures[] = {
    ".",   ".e1", "1+.", "3=x", "=3", "(x)=3", "x==3", "x+=1", "2=1", "Sin(t)", "1E+)", "0X1",      "t\t",
    "t\n", "t\r", "1!",  "\"",  "#",  "$",     "&",    "'",    ":",   ";",      "<",    ">",        "?",
    "@",   "[",   "\\",  "]",   "_",  "`",     "{",    "|",    "}",   "~",      "\x7f", "\x81\x40", "t\xe3\x81\x82",
};

class LexerFailure : public testing::TestWithParam<const char *> {};

TEST_P(LexerFailure, Fails) {
    const char *text = GetParam();
    EXPECT_EQ(tokenizeFormula(text), 1) << text;
}

INSTANTIATE_TEST_SUITE_P(Table, LexerFailure, testing::ValuesIn(lexFailures));

// The exact codes of the default formula, slot by slot.
TEST(LexerCodes, DefaultFormula) {
    ASSERT_EQ(tokenizeFormula("sin(440*6.2831853071795865*t)"), 0);
    const uint32_t codes[] = {0x0F00, 0x6807, 0x0F00, 0x7700, 0x4402, 0x7700, 0x4402, 0x7714, 0x1100, 0x1100, 0x0000};
    for (unsigned i = 0; i < sizeof codes / sizeof codes[0]; ++i)
        EXPECT_EQ(tokenArray[i].code, codes[i]) << "slot " << i;
    EXPECT_EQ(tokenArray[3].value, 440.0);
    EXPECT_EQ(tokenArray[5].value, 6.2831853071795865);
}

TEST(LexerCodes, EveryFunctionAndLetter) {
    for (unsigned i = 0; i < FunctionCount; ++i) {
        const std::string text = std::string(functionRows[i].name) + "t)";
        ASSERT_EQ(tokenizeFormula(text.c_str()), 0) << text;
        EXPECT_EQ(tokenArray[1].code, 0x6800u + i) << text;
        EXPECT_EQ(tokenArray[2].code, TK_LPAREN) << text;
    }
    for (char c = 'a'; c <= 'z'; ++c) {
        const char text[] = {c, '=', c, '\0'};
        ASSERT_EQ(tokenizeFormula(text), 0) << text;
        EXPECT_EQ(tokenArray[1].code, 0x2F00u + (c - 'a')) << text;
        EXPECT_EQ(tokenArray[2].code, 0x7701u + (c - 'a')) << text;
    }
}

// A failure stores TK_END where the offending token would have gone.
TEST(LexerCodes, FailureEndsThePartialSequence) {
    ASSERT_EQ(tokenizeFormula("1+2#3"), 1);
    EXPECT_EQ(tokenText(tokenArray), "( 1 + 2");
    ASSERT_EQ(tokenizeFormula("3=x"), 1);
    EXPECT_EQ(tokenText(tokenArray), "( 3");
}

// A point that begins no number leaves zero-valued numbers until the
// capacity check fails the formula.
TEST(LexerCodes, LonePointFillsTheArrayThenFails) {
    ASSERT_EQ(tokenizeFormula("1+."), 1);
    EXPECT_EQ(tokenArray[2].code, TK_ADD);
    for (unsigned i = 3; i < LexerSlotLimit; ++i) {
        ASSERT_EQ(tokenArray[i].code, TK_NUMBER) << i;
        ASSERT_EQ(tokenArray[i].value, 0.0) << i;
    }
    EXPECT_EQ(tokenArray[LexerSlotLimit].code, TK_END);
}

// "1" followed by `pairs` times "+1": 1 + 2 * pairs tokens, then `tail`.
std::string sumOfOnes(unsigned pairs, const char *tail = "") {
    std::string text = "1";
    for (unsigned i = 0; i < pairs; ++i)
        text += "+1";
    return text + tail;
}

struct CapacityCase {
    int number;
    std::string text;
    int result;
};

void PrintTo(const CapacityCase &c, std::ostream *os) { *os << "case " << c.number; }

const CapacityCase capacityCases[] = {
    // clang-format off
    {1, sumOfOnes(254), 0},             // 509 tokens, the last ends the text
    {2, sumOfOnes(254, "+"), 1},        // a 510th token
    {3, sumOfOnes(254, " "), 1},        // a space after the 509th token
    {4, sumOfOnes(254, "="), 1},        // "=" after the 509th
    {5, sumOfOnes(253, "+-"), 0},       // 509: the minus is the last token
    {6, sumOfOnes(253, "+--1"), 1},     // the cancelling minus is read at slot 510
    {7, sumOfOnes(253, " 1"), 0},       // 508 tokens and a space: fine
    {8, "+" + sumOfOnes(254), 0},       // a dropped unary plus counts nothing
    // clang-format on
};

class LexerCapacity : public testing::TestWithParam<CapacityCase> {};

TEST_P(LexerCapacity, At509Tokens) {
    const CapacityCase &c = GetParam();
    EXPECT_EQ(tokenizeFormula(c.text.c_str()), c.result) << "case " << c.number;
    if (c.result == 0) {
        unsigned end = 0;
        while (tokenArray[end].code != TK_END)
            ++end;
        EXPECT_LE(end, LexerSlotLimit + 1) << "case " << c.number;
        EXPECT_EQ(tokenArray[end - 1].code, TK_RPAREN);
    } else {
        EXPECT_EQ(tokenArray[LexerSlotLimit].code, TK_END) << "case " << c.number;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LexerCapacity, testing::ValuesIn(capacityCases));

TEST(LexerPriorities, PackedFields) {
    struct Row {
        uint32_t code, stack, incoming, argument;
    };
    const Row rows[] = {
        // clang-format off
      {TK_LPAREN, 0, 15, 0}, {TK_RPAREN, 1, 1, 0}, {TK_COMMA, 2, 2, 0},  {TK_ASSIGN + 23, 2, 15, 23},
      {TK_ADD, 3, 3, 0},     {TK_SUB, 3, 3, 1},    {TK_MUL, 4, 4, 2},    {TK_DIV, 4, 4, 3},
      {TK_MOD, 4, 4, 4},     {TK_NEG, 4, 4, 6},    {TK_POW, 5, 6, 5},    {TK_FUNC + 22, 6, 8, 22},
      {TK_NUMBER, 7, 7, 0},  {TK_VAR + 25, 7, 7, 26},
        // clang-format on
    };
    for (const Row &r : rows) {
        EXPECT_EQ(stackPriority(r.code), r.stack) << std::hex << r.code;
        EXPECT_EQ(incomingPriority(r.code), r.incoming) << std::hex << r.code;
        EXPECT_EQ(tokenArgument(r.code), r.argument) << std::hex << r.code;
    }
}

} // namespace
