// The engine against the independent reference evaluator, on random formulas
// of the arithmetic both know: the engine accepts exactly what the reference
// accepts, and gives its value.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "formula/formula.h"
#include "formula/machineCode.h"
#include "reference.h"

namespace {

// Draws random formulas of the shared arithmetic, with unary minus and plus
// anywhere, so that a minus often follows "*", "/", "%" or "^".
struct FormulaMaker {
    std::mt19937_64 random;

    unsigned below(unsigned n) { return static_cast<unsigned>(random() % n); }

    // Returns a blank now and then.
    std::string blank() { return below(8) == 0 ? " " : ""; }

    // Returns a formula of at most `depth` levels of nesting.
    std::string formula(unsigned depth) {
        static const char *const numbers[] = {"0",     "1",   "2",    "3.5", "0.25", "440",
                                              "0.001", "2e2", "6.28", "8.2", "0.1",  "10"};
        static const char *const functions[] = {"sin(", "cos(", "sqrt(", "abs(", "exp("};
        static const char operators[] = "+-*/%^";
        const unsigned kind = depth == 0 ? below(2) : below(9);
        switch (kind) {
        case 0:
            return numbers[below(sizeof numbers / sizeof numbers[0])];
        case 1:
            return "t";
        case 2:
            return std::string(functions[below(5)]) + blank() + formula(depth - 1) + blank() + ")";
        case 3:
            return "(" + blank() + formula(depth - 1) + blank() + ")";
        case 4:
        case 5:
            return std::string(below(4) == 0 ? "+" : "-") + blank() + formula(depth - 1);
        default:
            return formula(depth - 1) + blank() + operators[below(6)] + blank() + formula(depth - 1);
        }
    }

    // Returns a formula, now and then with a parenthesis dropped or an
    // operator put in at random, so that refusals of every stage are drawn.
    std::string next() {
        std::string text = formula(1 + below(5));
        const unsigned damage = below(10);
        if (damage == 0) {
            const size_t at = text.find_first_of("()", below(static_cast<unsigned>(text.size())));
            if (at != std::string::npos) text.erase(at, 1);
        } else if (damage == 1) { // at a punctuation mark, never inside a number or a name
            const size_t at = text.find_first_of("()+-*/%^", below(static_cast<unsigned>(text.size())));
            if (at != std::string::npos) text.insert(at, 1, "+-*/%^"[below(6)]);
        }
        return text;
    }
};

// Returns whether the engine's value agrees with the reference's: equal,
// within 1e-12 relative, or both not a number.
bool sameValue(double engine, double reference) {
    if (std::isnan(engine) || std::isnan(reference)) return std::isnan(engine) && std::isnan(reference);
    if (engine == reference) return true;
    return std::fabs(engine - reference) <= 1e-12 * std::fmax(std::fabs(engine), std::fabs(reference));
}

class ReferenceAgreement : public testing::TestWithParam<int> {
protected:
    void SetUp() override { setMachineCodeEnabled(GetParam()); }
    void TearDown() override { setMachineCodeEnabled(1); }
};

TEST_P(ReferenceAgreement, AcceptsAndComputesWhatTheReferenceDoes) {
    static const double times[] = {0.0, 0.37, 1.5, -2.25};
    const unsigned count = 100000;
    FormulaMaker maker{std::mt19937_64(20261209u + static_cast<unsigned>(GetParam()))};
    unsigned accepted = 0, refusedMinus = 0, failures = 0;
    for (unsigned n = 0; n < count && failures < 10; ++n) {
        const std::string text = maker.next();
        const ReferenceOutcome first = referenceEvaluate(text.c_str(), 0.0);
        const bool referenceAccepts = first.kind == ReferenceValue || first.kind == ReferenceFailed;
        const bool engineAccepts = compileFormula(text.c_str()) == 0;
        if (engineAccepts != referenceAccepts) {
            ADD_FAILURE() << "'" << text << "': the engine " << (engineAccepts ? "accepts" : "refuses")
                          << " it, the reference " << (referenceAccepts ? "accepts" : "refuses") << " it";
            ++failures;
            continue;
        }
        refusedMinus += first.kind == ReferenceRefusedMinus;
        if (!engineAccepts) continue;
        ++accepted;
        for (double t : times) {
            setVariable(VariableT, t);
            const double value = evaluateFormula();
            const bool engineFailed = (formulaStatus & FormulaEvalFailed) != 0;
            const ReferenceOutcome reference = referenceEvaluate(text.c_str(), t);
            const bool referenceFailed = reference.kind == ReferenceFailed;
            if (engineFailed != referenceFailed || (!engineFailed && !sameValue(value, reference.value))) {
                ADD_FAILURE() << "'" << text << "' at t = " << t << ": the engine gives "
                              << (engineFailed ? "a failure" : std::to_string(value)) << ", the reference "
                              << (referenceFailed ? "a failure" : std::to_string(reference.value));
                ++failures;
                break;
            }
        }
    }
    // The draw must reach both sides of the rule.
    EXPECT_GT(accepted, count / 3);
    EXPECT_GT(refusedMinus, count / 50);
}

INSTANTIATE_TEST_SUITE_P(Forms, ReferenceAgreement, testing::Values(0, 1), [](const testing::TestParamInfo<int> &info) {
    return info.param ? "MachineCode" : "Interpreter";
});

} // namespace
