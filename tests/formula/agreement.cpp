#include "agreement.h"

#include <cmath>
#include <cstring>
#include <string>

#include "formula/engine.h"
#include "formula/formula.h"
#include "tokenText.h"

namespace {

void resetVariables(double t) {
    for (unsigned i = 0; i < VariableCount; ++i)
        setVariable(i, 0.25 * i);
    setVariable(VariableT, t);
}

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

} // namespace

testing::AssertionResult agreesWithDefinition(const char *formula, double t) {
    resetVariables(t);
    if (compileFormula(formula) != 0) return testing::AssertionFailure() << formula << " does not compile";
    static Token program[TokenSlots];
    std::memcpy(program, tokenArray, sizeof program);
    const std::string text = tokenText(tokenArray);
    double expected = 0.0;
    const int expectedFailure = runProgram(program, &expected);
    const VariableTable expectedVariables = variableTable;

    resetVariables(t);
    const double actual = evaluateFormula();
    testing::AssertionResult result = testing::AssertionFailure();
    result << formula << " at t = " << t << ": ";
    if (tokenText(tokenArray) != text) return result << "the program changed";
    if ((formulaStatus == FormulaEvalFailed) != (expectedFailure != 0))
        return result << (expectedFailure ? "did not fail" : "failed");
    if (!same(actual, expectedFailure ? 0.0 : expected)) return result << actual << " instead of " << expected;
    for (unsigned i = 0; i < VariableCount; ++i) {
        if (!same(variableTable.value[i], expectedVariables.value[i]))
            return result << "variable " << char('a' + i) << " is " << variableTable.value[i] << " instead of "
                          << expectedVariables.value[i];
    }
    return testing::AssertionSuccess();
}
