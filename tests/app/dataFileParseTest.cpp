// Strict integer parsing of data counts and data-file values.
#include <gtest/gtest.h>

#include "app/dataFile.h"

namespace {

struct ParseCase {
    const char *text;
    int accepted; // 1: parsed, value is the result
    int32_t value;
};

// Exactly the "%d" forms of 32-bit integers pass.
const ParseCase strictIntCases[] = {
    // clang-format off
    {"0", 1, 0},
    {"42", 1, 42},
    {"-7", 1, -7},
    {"100", 1, 100},
    {"100000000", 1, 100000000},
    {"2147483647", 1, 2147483647},
    {"-2147483648", 1, INT32_MIN},
    {"", 0, 0},
    {"00", 0, 0},
    {"-0", 0, 0},
    {"+5", 0, 0},
    {"05", 0, 0},
    {"5x", 0, 0},
    {"1e3", 0, 0},
    {" 100", 0, 0},
    {"100 ", 0, 0},
    {"2147483648", 0, 0},
    {"-2147483649", 0, 0},
    {"4294967296", 0, 0},               // wraps to 0 in a 32-bit accumulation
    {"4294967338", 0, 0},               // wraps to 42
    {"99999999999999999999999", 0, 0},  // beyond 64 bits
    {"-", 0, 0},
    {"x", 0, 0},
    // clang-format on
};

TEST(DataFileParse, StrictIntAcceptsOnlyCanonicalForms) {
    for (const ParseCase &c : strictIntCases) {
        int32_t value = 12345;
        EXPECT_EQ(parseStrictInt(c.text, &value), c.accepted) << '"' << c.text << '"';
        EXPECT_EQ(value, c.accepted ? c.value : 12345) << '"' << c.text << '"';
    }
}

const ParseCase strictInt16Cases[] = {
    {"0", 1, 0},      {"32767", 1, 32767}, {"-32768", 1, -32768}, {"-1", 1, -1}, {"32768", 0, 0},
    {"-32769", 0, 0}, {"-0", 0, 0},        {"+1", 0, 0},          {"01", 0, 0},  {"1 ", 0, 0},
    {"", 0, 0},       {"65537", 0, 0}, // would wrap to 1 in 16 bits
};

TEST(DataFileParse, StrictInt16KeepsTheSampleRange) {
    for (const ParseCase &c : strictInt16Cases) {
        int32_t value = 12345;
        EXPECT_EQ(parseStrictInt16(c.text, &value), c.accepted) << '"' << c.text << '"';
        EXPECT_EQ(value, c.accepted ? c.value : 12345) << '"' << c.text << '"';
    }
}

} // namespace
