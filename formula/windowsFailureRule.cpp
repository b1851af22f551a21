// The mathematics functions of the formula library on Windows.
//
// The engine learns of a failed function only through errno, and the
// failures a formula shows must be the same on every platform.  The Windows
// C runtime does not set errno where glibc does, or sets it where glibc does
// not: exp(-1000) underflows to 0 silently, exp of an infinity and sqrt of a
// NaN report EDOM, log(0) may say nothing.  So each function here calls the
// runtime and then sets errno by the rule glibc follows for these functions,
// judged from the arguments and the result alone:
//
//   NaN result, no argument NaN              EDOM    sqrt(-1), asin(2), sin(inf), x%0
//   infinite result, every argument finite   ERANGE  log(0), y0(0), exp(1000), 10^400
//   zero result from exp, or from pow with
//   a nonzero finite base and finite power   ERANGE  exp(-1000), 10^(-400)
//   anything else                            0
//
// A subnormal result is not an error, as in glibc.
//
// errno is a function call on Windows (_errno()), and every function here
// writes it: they write it through its address, taken once, as the
// evaluation forms do, since the engine runs on one thread.
#include <cerrno>
#include <cmath>

#include "formula/library.h"

// The runtime's Bessel functions; its header declares them only outside
// strict standard mode.
extern "C" {
__declspec(dllimport) double __cdecl _j0(double x);
__declspec(dllimport) double __cdecl _j1(double x);
__declspec(dllimport) double __cdecl _y0(double x);
__declspec(dllimport) double __cdecl _y1(double x);
}

namespace {

// Returns the errno that glibc leaves after a function of one argument x
// gave result; underflows is 1 for exp, whose zero result is a range error.
int unaryErrno(double x, double result, int underflows) {
    if (std::isnan(result)) return std::isnan(x) ? 0 : EDOM;
    if (std::isinf(result)) return std::isfinite(x) ? ERANGE : 0;
    if (underflows && result == 0.0 && std::isfinite(x)) return ERANGE;
    return 0;
}

// Returns the errno that glibc leaves after fmod or pow of left and right
// gave result; underflows is 1 for pow.
int binaryErrno(double left, double right, double result, int underflows) {
    const int finite = std::isfinite(left) && std::isfinite(right);
    if (std::isnan(result)) return std::isnan(left) || std::isnan(right) ? 0 : EDOM;
    if (std::isinf(result)) return finite ? ERANGE : 0;
    if (underflows && result == 0.0 && finite && left != 0.0) return ERANGE;
    return 0;
}

// Returns errno's address, the engine's thread's.
int *errnoAddress() {
    static int *const address = &errno;
    return address;
}

// Calls function on x and sets errno by the rule above.  Returns the result.
template <double (*function)(double), int underflows = 0> double withGlibcErrno(double x) {
    const double result = function(x);
    *errnoAddress() = unaryErrno(x, result, underflows);
    return result;
}

// The runtime's own sin, cos and tan, for a finite argument: finiteArgumentRow.
const UnaryFunction finiteRows[] = {sin, cos, tan};

// The runtime's Bessel functions carry a leading underscore.
double besselJ0(double x) { return _j0(x); }
double besselJ1(double x) { return _j1(x); }
double besselY0(double x) { return _y0(x); }
double besselY1(double x) { return _y1(x); }

} // namespace

double formulaMod(double left, double right) {
    const double result = fmod(left, right);
    *errnoAddress() = binaryErrno(left, right, result, 0);
    return result;
}

double windowsPow(double left, double right) {
    const double result = pow(left, right);
    *errnoAddress() = binaryErrno(left, right, result, 1);
    return result;
}

const UnaryFunction *finiteArgumentRow(unsigned f) {
    static_assert(FunctionCos == FunctionSin + 1 && FunctionTan == FunctionSin + 2, "sin, cos, tan in a row");
    return f >= FunctionSin && f <= FunctionTan ? &finiteRows[f - FunctionSin] : &functionRows[f].call;
}

double windowsCeil(double x) { return withGlibcErrno<ceil>(x); }
double windowsFloor(double x) { return withGlibcErrno<floor>(x); }
double windowsFabs(double x) { return withGlibcErrno<fabs>(x); }
double windowsSqrt(double x) { return withGlibcErrno<sqrt>(x); }
double windowsExp(double x) { return withGlibcErrno<exp, 1>(x); }
double windowsLog(double x) { return withGlibcErrno<log>(x); }
double windowsLog10(double x) { return withGlibcErrno<log10>(x); }
double windowsSin(double x) { return withGlibcErrno<sin>(x); }
double windowsCos(double x) { return withGlibcErrno<cos>(x); }
double windowsTan(double x) { return withGlibcErrno<tan>(x); }
double windowsAsin(double x) { return withGlibcErrno<asin>(x); }
double windowsAcos(double x) { return withGlibcErrno<acos>(x); }
double windowsAtan(double x) { return withGlibcErrno<atan>(x); }
double windowsSinh(double x) { return withGlibcErrno<sinh>(x); }
double windowsCosh(double x) { return withGlibcErrno<cosh>(x); }
double windowsTanh(double x) { return withGlibcErrno<tanh>(x); }
double windowsJ0(double x) { return withGlibcErrno<besselJ0>(x); }
double windowsJ1(double x) { return withGlibcErrno<besselJ1>(x); }
double windowsY0(double x) { return withGlibcErrno<besselY0>(x); }
double windowsY1(double x) { return withGlibcErrno<besselY1>(x); }
