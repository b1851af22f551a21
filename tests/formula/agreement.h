// The check that an evaluation form agrees with the token-by-token
// definition, shared by the fixed and the random agreement tests.
#ifndef TONALIX_TESTS_FORMULA_AGREEMENT_H
#define TONALIX_TESTS_FORMULA_AGREEMENT_H

#include <gtest/gtest.h>

// Compiles `formula`, evaluates it once with evaluateFormula and once with
// runProgram, each from the variables 0.25 * index and t = `t`, and returns
// success when the value (any NaN matching any NaN, zeros by their sign), the
// failure, every variable and the program itself agree. Leaves the formula
// compiled.
testing::AssertionResult agreesWithDefinition(const char *formula, double t);

#endif
