// The operator and function tables through which the evaluator calls
// arithmetic and the mathematics functions, and the functions the engine
// implements itself. Every entry reports a domain or range error only by
// setting errno.
#ifndef TONALIX_FORMULA_LIBRARY_H
#define TONALIX_FORMULA_LIBRARY_H

#include <math.h>

#include "formula/tokens.h"

constexpr unsigned OperatorCount = 6; // "+", "-", "*", "/", "%", "^"

using BinaryFunction = double (*)(double left, double right);

// Indexed by the low byte of the operator's token code.
extern const BinaryFunction operatorTable[OperatorCount];

// Returns the row to call for function f (sin, cos or tan) with a finite
// argument, for which it never fails and errno need not be looked at: on
// Windows the runtime's own function, without the errno rule of its
// row's call, elsewhere that row's call itself.
#ifdef _WIN32
const UnaryFunction *finiteArgumentRow(unsigned f);
#else
inline const UnaryFunction *finiteArgumentRow(unsigned f) { return &functionRows[f].call; }
#endif

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
double formulaAsinh(double x); // ln(x + sqrt(x*x + 1)); no domain error
double formulaAcosh(double x); // ln(x + sqrt(x*x - 1)) for x >= 1
double formulaAtanh(double x); // ln((1 + x) / (1 - x)) / 2 for -1 < x < 1

// The floating remainder, as the operator table and the derived evaluation
// form call it: the C library's fmod, except on Windows, where it reports
// errors as glibc does.
#ifdef _WIN32
double formulaMod(double left, double right);
#else
inline double formulaMod(double left, double right) { return fmod(left, right); }
#endif

// The power, as every evaluation form calls it. The squares, reciprocals and
// square roots that formulas are full of (x^2, x^(-1), x^0.5) are the one
// exactly rounded operation they stand for, as a compiler makes of pow(x, 2)
// and pow(x, -1), where the library's pow is off by a unit in the last place
// about once in a thousand; they fail where pow fails. Every other power is
// the C library's pow (on Windows with glibc's errors: windowsPow).
double formulaPow(double left, double right);

// Return left * left and 1 / left, setting errno to ERANGE where pow(left, 2)
// and pow(left, -1) would. The evaluation forms inline the same rule.
double formulaSquare(double left);
double formulaReciprocal(double left);

// Returns left ^ 0.5 as pow gives it, from the exact square root: +0 for
// either zero, +inf for -inf, and for any other negative left a NaN with
// errno set to EDOM.
double formulaHalfPower(double left);

#ifdef _WIN32
// The C runtime's functions of the table, each followed by glibc's rule for
// errno (windowsFailureRule.cpp): EDOM for a NaN made from arguments that are not
// NaN, ERANGE for an infinity made from finite arguments and, for exp and
// pow, for a zero that a nonzero result underflowed to.
double windowsCeil(double x);
double windowsFloor(double x);
double windowsFabs(double x);
double windowsSqrt(double x);
double windowsExp(double x);
double windowsLog(double x);
double windowsLog10(double x);
double windowsSin(double x);
double windowsCos(double x);
double windowsTan(double x);
double windowsAsin(double x);
double windowsAcos(double x);
double windowsAtan(double x);
double windowsSinh(double x);
double windowsCosh(double x);
double windowsTanh(double x);
double windowsJ0(double x);
double windowsJ1(double x);
double windowsY0(double x);
double windowsY1(double x);
double windowsPow(double left, double right);
#endif

#endif
