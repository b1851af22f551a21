// An independent evaluator of the arithmetic that formulas share with
// ordinary expression evaluators: numbers, t, + - * / % ^, unary minus and
// plus, parentheses, and sin, cos, sqrt, abs and exp.  It parses by recursive
// descent with the usual precedence and computes as it parses; it shares no
// code with the engine, so that the engine's postfix conversion can be
// checked against it.
#ifndef TONALIX_TESTS_FORMULA_REFERENCE_H
#define TONALIX_TESTS_FORMULA_REFERENCE_H

enum ReferenceKind {
    ReferenceValue,        // the formula has a value
    ReferenceFailed,       // it parses, but an operation failed (a zero divisor, or the failure rule of reference.cpp)
    ReferenceRefused,      // it is not a formula of the subset
    ReferenceRefusedMinus, // a unary minus follows "*", "/", "%" or "^" (blanks and unary plus between)
};

struct ReferenceOutcome {
    ReferenceKind kind;
    double value; // ReferenceValue only
};

// Parses and evaluates `text` at time `t`.  Returns the outcome; changes
// nothing.
ReferenceOutcome referenceEvaluate(const char *text, double t);

#endif
