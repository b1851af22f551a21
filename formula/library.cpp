#include "formula/library.h"

#include <cerrno>
#include <cmath>
#include <math.h>

double opAdd(double left, double right) { return left + right; }
double opSub(double left, double right) { return left - right; }
double opMul(double left, double right) { return left * right; }

double opDiv(double left, double right) {
    // Written so that an unordered comparison (a NaN divisor) counts as zero.
    if (!(right < 0.0 || right > 0.0)) {
        errno = EDOM;
        return HUGE_VAL;
    }
    return left / right;
}

double formulaAsinh(double x) {
    // For a negative x the sum x + sqrt(x*x + 1) cancels: from about -1e10 down
    // it is exactly 0 and the logarithm reports a pole error, so a perfectly
    // good argument would fail the evaluation. asinh is odd; take the sum where
    // it does not cancel. NaN falls through both tests and gives NaN.
    if (x < 0.0) return -formulaAsinh(-x);
    const long double e = x;
    return static_cast<double>(logl(e + sqrtl(e * e + 1.0L)));
}

double formulaAcosh(double x) {
    if (!(x >= 1.0)) { // below 1, or not a number
        errno = EDOM;
        return HUGE_VAL;
    }
    const long double e = x;
    return static_cast<double>(logl(e + sqrtl(e * e - 1.0L)));
}

double formulaAtanh(double x) {
    if (!(x > -1.0 && x < 1.0)) { // at or beyond -1 or 1, or not a number
        errno = EDOM;
        return HUGE_VAL;
    }
    const long double e = x;
    return static_cast<double>(0.5L * logl((1.0L + e) / (1.0L - e)));
}

double formulaSquare(double left) {
    const double square = left * left;
    // A nonzero finite base whose square is zero or infinite: the square
    // underflowed or overflowed. (A subnormal square is no error, as in pow.)
    if ((square == 0.0 || std::isinf(square)) && left != 0.0 && std::isfinite(left)) errno = ERANGE;
    return square;
}

double formulaReciprocal(double left) {
    const double reciprocal = 1.0 / left;
    // Only a finite base gives an infinite reciprocal: zero (a pole) or one so
    // small that its reciprocal overflows.
    if (std::isinf(reciprocal)) errno = ERANGE;
    return reciprocal;
}

double formulaHalfPower(double left) {
    if (left < 0.0) {
        if (std::isinf(left)) return HUGE_VAL;
        errno = EDOM;
        return NAN;
    }
    return std::sqrt(left) + 0.0; // sqrt(-0) is -0; the power is +0
}

double formulaPow(double left, double right) {
    if (right == 2.0) return formulaSquare(left);
    if (right == -1.0) return formulaReciprocal(left);
    if (right == 0.5) return formulaHalfPower(left);
#ifdef _WIN32
    return windowsPow(left, right);
#else
    return pow(left, right);
#endif
}

const BinaryFunction operatorTable[OperatorCount] = {
    opAdd, // 0 TK_ADD
    opSub, // 1 TK_SUB
    opMul, // 2 TK_MUL
    opDiv, // 3 TK_DIV
#ifdef _WIN32
    formulaMod, // 4 TK_MOD
#else
    fmod, // 4 TK_MOD: the library's own, one jump fewer than its wrapper
#endif
    formulaPow, // 5 TK_POW
};
