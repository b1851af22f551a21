// The operator and function tables through which the evaluator calls
// arithmetic and the mathematics functions, and the functions the engine
// implements itself. Every entry reports a domain or range error only by
// setting errno.
#ifndef TONALIX_FORMULA_LIBRARY_H
#define TONALIX_FORMULA_LIBRARY_H

#include "formula/tokens.h"

constexpr unsigned OperatorCount = 6;  // "+", "-", "*", "/", "%", "^"

using BinaryFunction = double (*)(double left, double right);
using UnaryFunction = double (*)(double x);

// Indexed by the low byte of the operator's token code.
extern const BinaryFunction operatorTable[OperatorCount];
// Indexed by the low byte of the TK_FUNC code, in the order of functionNames.
extern const UnaryFunction functionTable[FunctionCount];

// Return left + right, left - right, left * right. Never set errno.
double opAdd(double left, double right);
double opSub(double left, double right);
double opMul(double left, double right);

// Returns left / right. A right of zero (either sign) or not a number is a
// domain error: sets errno to EDOM and returns HUGE_VAL.
double opDiv(double left, double right);

// Inverse hyperbolic functions, computed in extended precision so that x*x
// cannot overflow for a finite x. On a domain error each sets errno to EDOM
// and returns HUGE_VAL.
double formulaAsinh(double x);  // ln(x + sqrt(x*x + 1)); no domain error
double formulaAcosh(double x);  // ln(x + sqrt(x*x - 1)) for x >= 1
double formulaAtanh(double x);  // ln((1 + x) / (1 - x)) / 2 for -1 < x < 1

#endif
