// Fuzz target: formula text.  Each input is compiled, then evaluated at
// several values of t, with preset variables, by every evaluator in the
// table below (the token-by-token evaluator, the derived form's interpreter
// and its machine code); all must agree with the first on the value (two NaNs agree),
// the failure, the status word and all 26 variables.  Where the independent
// reference evaluator of the tests reads the text (the arithmetic of t and
// five functions), the engine must also accept what it accepts, with its
// value within 1e-12, and refuse a minus it refuses after "*", "/", "%" or
// "^".  Any difference aborts.
//
// Input: the first byte chooses the preset values of the variables, the rest
// is the formula text (up to its first NUL).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "formula/engine.h"
#include "formula/formula.h"
#include "formula/machineCode.h"
#include "formula/reference.h" // the tests' reference evaluator
#include "formula/tokens.h"

namespace {

// The token-by-token evaluator inside evaluateFormula's contract: nothing
// runs unless the status is ready, and a failure gives 0.0 and the failed
// status.
double evaluateByTokens() {
    double result = 0.0;
    if (formulaStatus != FormulaReady) return 0.0;
    if (runProgram(tokenArray, &result) != 0) {
        formulaStatus = FormulaEvalFailed;
        return 0.0;
    }
    return result;
}

// The derived form's interpreter, also where the program has machine code.
double evaluateInterpreted() {
    double (*const machine)(int *) = machineEvaluate;
    machineEvaluate = nullptr;
    const double value = evaluateFormula();
    machineEvaluate = machine;
    return value;
}

// Every evaluator of the engine; the first is the definition of what a
// formula computes.  A new evaluator is one more row.
const struct {
    const char *name;
    double (*evaluate)();
} evaluators[] = {
    {"token by token", evaluateByTokens},
    {"derived form", evaluateInterpreted},
    {"machine code", evaluateFormula}, // the interpreter again where there is none
};

// What one evaluation leaves behind.
struct Outcome {
    double value;
    int status;
    VariableTable variables;
};

// Returns 1 when a and b are the same value; two NaNs are.
int sameValue(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Returns 1 when two outcomes agree in everything.
int sameOutcome(const Outcome &a, const Outcome &b) {
    if (!sameValue(a.value, b.value) || a.status != b.status) return 0;
    for (unsigned i = 0; i < VariableCount; i++)
        if (!sameValue(a.variables.value[i], b.variables.value[i])) return 0;
    return 1;
}

// Prints both outcomes and aborts.
[[noreturn]] void reportDifference(const char *formula, const char *name, const Outcome &expected,
                                   const Outcome &found) {
    std::fprintf(stderr, "formula '%s': %s gives %.17g (status %d), %s gives %.17g (status %d)\n", formula,
                 evaluators[0].name, expected.value, expected.status, name, found.value, found.status);
    for (unsigned i = 0; i < VariableCount; i++)
        if (!sameValue(expected.variables.value[i], found.variables.value[i]))
            std::fprintf(stderr, "  %c: %.17g against %.17g\n", 'a' + i, expected.variables.value[i],
                         found.variables.value[i]);
    std::abort();
}

// Runs every evaluator from the same variables and status, compares each
// with the first, and leaves the engine as the evaluations left it.
void evaluateAndCompare(const char *formula) {
    const VariableTable before = variableTable;
    const int statusBefore = formulaStatus;
    Outcome first{};
    for (size_t e = 0; e < sizeof evaluators / sizeof evaluators[0]; e++) {
        variableTable = before;
        formulaStatus = statusBefore;
        Outcome outcome;
        outcome.value = evaluators[e].evaluate();
        outcome.status = formulaStatus;
        outcome.variables = variableTable;
        if (e == 0)
            first = outcome;
        else if (!sameOutcome(first, outcome))
            reportDifference(formula, evaluators[e].name, first, outcome);
    }
}

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// Values the variables may hold: the ordinary, the edges of the doubles and
// the values where functions fail.
const double presets[] = {0.0,   1.0,    -1.0,   0.5,    2.0,  -0.0, 3.141592653589793,
                          1e308, -1e308, 5e-324, inf,    -inf, nan,  9007199254740993.0,
                          1e-7,  710.0,  -745.5, 32767.0};
const unsigned presetCount = sizeof presets / sizeof presets[0];

// The times at which the formula is evaluated: the first samples, later
// ones, and some that no playback reaches.
const double times[] = {0.0, 1.0 / 132300, 0.25, 1.0, 3600.0, -1.0, 1e300};

// Checks the engine's compilation of formula (refused: its result) and, when
// it was accepted, its values at every time against the reference
// evaluator; aborts on a difference.  Leaves t at the last time.
void compareWithReference(const char *formula, int refused) {
    // From 508 bytes on a formula may exceed the lexer's 509 tokens, which
    // the reference does not count.
    if (std::strlen(formula) >= LexerSlotLimit - 2) return;
    const ReferenceOutcome outcome = referenceEvaluate(formula, 0.0);
    if (outcome.kind == ReferenceRefusedMinus && !refused) {
        std::fprintf(stderr, "formula '%s': the engine accepts a minus after a high operator\n", formula);
        std::abort();
    }
    if (outcome.kind == ReferenceRefused || outcome.kind == ReferenceRefusedMinus) return;
    if (refused) {
        std::fprintf(stderr, "formula '%s': the engine refuses what the reference accepts\n", formula);
        std::abort();
    }
    for (double t : times) {
        setVariable(VariableT, t);
        const double value = evaluateFormula();
        const int failed = (formulaStatus & FormulaEvalFailed) != 0;
        const ReferenceOutcome expected = referenceEvaluate(formula, t);
        const int expectedFailed = expected.kind == ReferenceFailed;
        const double scale = std::fmax(std::fabs(value), std::fabs(expected.value));
        if (failed != expectedFailed ||
            (!failed && !sameValue(value, expected.value) && !(std::fabs(value - expected.value) <= 1e-12 * scale))) {
            std::fprintf(stderr, "formula '%s' at t = %.17g: the engine gives %.17g (failed %d), the reference %.17g\n",
                         formula, t, value, failed, expected.value);
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    std::string formula((const char *)data + 1, size - 1);
    formula = formula.c_str(); // up to the first NUL, as the engine reads it
    const unsigned seed = data[0];
    for (unsigned i = 0; i < VariableCount; i++)
        setVariable(i, presets[(seed + i * (seed / presetCount + 1)) % presetCount]);
    const int refused = compileFormula(formula.c_str());
    compareWithReference(formula.c_str(), refused);
    if (refused) {
        if (formulaStatus != FormulaCompileFailed) std::abort();
        evaluateAndCompare(formula.c_str()); // a failed program is not run
        return 0;
    }
    for (double t : times) {
        setVariable(VariableT, t);
        // Twice: assignments of the first evaluation feed the second.
        evaluateAndCompare(formula.c_str());
        evaluateAndCompare(formula.c_str());
    }
    return 0;
}
