// The rows of the formula language's functions (functions.h).
#include "formula/functions.h"

#include <math.h>

#include "formula/library.h"

namespace {

// Returns the characters of a name.  Changes nothing.
constexpr unsigned lengthOf(const char *name) {
    unsigned n = 0;
    while (name[n] != '\0')
        ++n;
    return n;
}

// Returns the row of a function, its name's length counted from the name.
constexpr FunctionRow row(FunctionIndex index, const char *name, UnaryFunction call, unsigned traits,
                          FunctionInline inlineForm = InlineNone) {
    return FunctionRow{name, lengthOf(name), call, traits, inlineForm, index};
}

constexpr unsigned Quiet = TraitPure;                // never fails
constexpr unsigned Fails = TraitPure | TraitMayFail; // may fail for some arguments
constexpr unsigned FailsNonFinite = Fails | TraitFailsOnlyNonFinite;

// The Windows C runtime reports its errors differently (windowsFailureRule.cpp): on
// Windows the rows hold the functions that report them as the rest of the
// engine expects.
#ifdef _WIN32
#define TONALIX_MATH(linuxName, windowsName) windowsName
#else
#define TONALIX_MATH(linuxName, windowsName) linuxName
#endif

} // namespace

// clang-format off
constexpr FunctionRow functionRows[FunctionCount] = {
    //   index          name       call                                   traits          inline form
    row(FunctionCeil,  "ceil(",   TONALIX_MATH(ceil, windowsCeil),       Quiet,          InlineCeil),
    row(FunctionFloor, "floor(",  TONALIX_MATH(floor, windowsFloor),     Quiet,          InlineFloor),
    row(FunctionAbs,   "abs(",    TONALIX_MATH(fabs, windowsFabs),       Quiet,          InlineAbs),
    row(FunctionSqrt,  "sqrt(",   TONALIX_MATH(sqrt, windowsSqrt),       Fails,          InlineSqrt),
    row(FunctionExp,   "exp(",    TONALIX_MATH(exp, windowsExp),         Fails),
    row(FunctionLog,   "log(",    TONALIX_MATH(log, windowsLog),         Fails),
    row(FunctionLog10, "log10(",  TONALIX_MATH(log10, windowsLog10),     Fails),
    row(FunctionSin,   "sin(",    TONALIX_MATH(sin, windowsSin),         FailsNonFinite),
    row(FunctionCos,   "cos(",    TONALIX_MATH(cos, windowsCos),         FailsNonFinite),
    row(FunctionTan,   "tan(",    TONALIX_MATH(tan, windowsTan),         FailsNonFinite),
    row(FunctionAsin,  "asin(",   TONALIX_MATH(asin, windowsAsin),       Fails),
    row(FunctionAcos,  "acos(",   TONALIX_MATH(acos, windowsAcos),       Fails),
    row(FunctionAtan,  "atan(",   TONALIX_MATH(atan, windowsAtan),       Fails),
    row(FunctionSinh,  "sinh(",   TONALIX_MATH(sinh, windowsSinh),       Fails),
    row(FunctionCosh,  "cosh(",   TONALIX_MATH(cosh, windowsCosh),       Fails),
    row(FunctionTanh,  "tanh(",   TONALIX_MATH(tanh, windowsTanh),       Fails),
    row(FunctionAsinh, "asinh(",  formulaAsinh,                          Fails),
    row(FunctionAcosh, "acosh(",  formulaAcosh,                          Fails),
    row(FunctionAtanh, "atanh(",  formulaAtanh,                          Fails),
    row(FunctionJ0,    "j0(",     TONALIX_MATH(j0, windowsJ0),           Fails),
    row(FunctionJ1,    "j1(",     TONALIX_MATH(j1, windowsJ1),           Fails),
    row(FunctionY0,    "y0(",     TONALIX_MATH(y0, windowsY0),           Fails),
    row(FunctionY1,    "y1(",     TONALIX_MATH(y1, windowsY1),           Fails),
};
// clang-format on

namespace {

// Returns whether every row stands at its own index and ends its name with
// "(".  Changes nothing.  (Whether a row calls something is left out: with
// the sanitizers a function's address is no constant to compare.)
constexpr bool rowsAreInOrder() {
    for (unsigned i = 0; i < FunctionCount; ++i) {
        const FunctionRow &r = functionRows[i];
        if (r.index != i || r.nameLength < 2 || r.name[r.nameLength - 1] != '(') return false;
    }
    return true;
}
static_assert(rowsAreInOrder(), "functionRows must follow FunctionIndex, one row each");

} // namespace
