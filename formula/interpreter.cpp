// The interpreter loop of the evaluation form (lowering.cpp derives it), the
// form itself (compiledProgram), and evaluateFormula, which runs it or the
// machine code made from it.
#include "formula/compiled.h"

#include <cerrno>
#include <cmath>

#include "formula/engine.h"
#include "formula/library.h"
#include "formula/machineCode.h"

CompiledProgram compiledProgram;

namespace {

// The evaluation stack. The engine is not re-entrant, so one process-wide
// stack serves every evaluation and spares each call a 4 KB frame.
double evaluationStack[TokenSlots];
const Instruction *const code = compiledProgram.code;

} // namespace

// Dispatch. With g++ and clang each instruction jumps straight to the next
// one's handler through a table of label addresses (a GNU extension), which
// gives every handler its own well-predicted indirect jump; elsewhere a
// switch in a loop does the same work (define TONALIX_SWITCH_DISPATCH to
// build that one here).
#if defined(__GNUC__) && !defined(TONALIX_SWITCH_DISPATCH)
#define TONALIX_THREADED_DISPATCH 1
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#endif

namespace {

// Returns the value of a program of the shape function(variable * number),
// the shape of every pure tone such as sin(w*t), or 0.0 after marking the
// evaluation failed.  Kept out of evaluateFormula so that it runs without
// the instruction loop's frame and registers.
__attribute__((noinline)) double evaluateScaledCall() {
    const double x = variableTable.value[code[0].index] * code[0].k;
    double (*const function)(double) = functionRows[code[1].index].call;
    if (code[1].op == OpFuncFiniteEnd && std::isfinite(x)) return (*finiteArgumentRow(code[1].index))(x);
    int *const e = threadErrnoAddress();
    *e = 0;
    const double y = function(x);
    if (*e == 0) return y;
    formulaStatus = FormulaEvalFailed;
    return 0.0;
}

} // namespace

double evaluateFormula() {
    if (formulaStatus != FormulaReady) return 0.0;
    if (compiledProgram.isConstant) return compiledProgram.constantValue; // cheaper than any call
    if (machineEvaluate != nullptr) return machineEvaluate(threadErrnoAddress());
    if (compiledProgram.isScaledCall) return evaluateScaledCall();
    double *const stack = evaluationStack;
    unsigned sp = 0;
    double acc = 0.0; // also the value of the empty program
    double *const v = variableTable.value;
    int *err = nullptr; // errno, for a program that tests it
    if (compiledProgram.usesErrno) {
        err = threadErrnoAddress();
    }
    const Instruction *ip = code;

#ifdef TONALIX_THREADED_DISPATCH
    static const void *const handlers[] = {
        &&HandleOpEnd,           &&HandleOpFail,   &&HandleOpLoadK,      &&HandleOpLoadV,     &&HandleOpPushK,
        &&HandleOpPushV,         &&HandleOpNeg,    &&HandleOpAssign,     &&HandleOpFunc,      &&HandleOpFuncQuiet,
        &&HandleOpFuncFinite,    &&HandleOpFloor,  &&HandleOpAddK,       &&HandleOpAddV,      &&HandleOpAddS,
        &&HandleOpSubK,          &&HandleOpSubV,   &&HandleOpSubS,       &&HandleOpRSubK,     &&HandleOpRSubV,
        &&HandleOpMulK,          &&HandleOpMulV,   &&HandleOpMulS,       &&HandleOpDivK,      &&HandleOpDivV,
        &&HandleOpDivS,          &&HandleOpRDivK,  &&HandleOpRDivV,      &&HandleOpModK,      &&HandleOpModV,
        &&HandleOpModS,          &&HandleOpRModK,  &&HandleOpRModV,      &&HandleOpPowK,      &&HandleOpPowV,
        &&HandleOpPowS,          &&HandleOpRPowK,  &&HandleOpRPowV,      &&HandleOpLoadVAddK, &&HandleOpLoadVSubK,
        &&HandleOpLoadVMulK,     &&HandleOpSquare, &&HandleOpReciprocal, &&HandleOpHalfPower, &&HandleOpFuncEnd,
        &&HandleOpFuncFiniteEnd,
    };
    static_assert(sizeof handlers / sizeof handlers[0] == OpCount, "one handler per instruction");
#define CASE(op) Handle##op:
#define NEXT goto *handlers[(++ip)->op]
    goto *handlers[ip->op];
#else
#define CASE(op) case op:
#define NEXT                                                                                                           \
    ++ip;                                                                                                              \
    continue
    for (;;)
        switch (ip->op) {
#endif

    CASE(OpEnd) return acc;
    CASE(OpFail) errno = EDOM;
    goto failed;
    CASE(OpLoadK) acc = ip->k;
    NEXT;
    CASE(OpLoadV) acc = v[ip->index];
    NEXT;
    CASE(OpPushK) stack[sp++] = acc;
    acc = ip->k;
    NEXT;
    CASE(OpPushV) stack[sp++] = acc;
    acc = v[ip->index];
    NEXT;
    CASE(OpNeg) acc = -acc;
    NEXT;
    CASE(OpAssign) v[ip->index] = acc;
    NEXT;
    CASE(OpFunc)
    // Always through the table, never a direct call: g++'s built-in
    // knowledge holds sin, cos and tan to be functions that never set
    // errno, and it deletes the test after a direct call, though the
    // library's sin(inf) reports EDOM. A call through the table is opaque
    // to it. (fmod and pow, below, it knows to set errno.)
    *err = 0;
    acc = functionRows[ip->index].call(acc);
    if (*err != 0) goto failed;
    NEXT;
    CASE(OpFuncQuiet) acc = functionRows[ip->index].call(acc);
    NEXT;
    CASE(OpFuncFinite)
    // A finite argument cannot make these report anything: skip errno.
    if (std::isfinite(acc)) {
        acc = (*finiteArgumentRow(ip->index))(acc);
    } else {
        *err = 0;
        acc = functionRows[ip->index].call(acc);
        if (*err != 0) goto failed;
    }
    NEXT;
    CASE(OpFloor) acc = floor(acc);
    NEXT;

    CASE(OpAddK) acc = acc + ip->k;
    NEXT;
    CASE(OpAddV) acc = acc + v[ip->index];
    NEXT;
    CASE(OpAddS) acc = stack[--sp] + acc;
    NEXT;
    CASE(OpSubK) acc = acc - ip->k;
    NEXT;
    CASE(OpSubV) acc = acc - v[ip->index];
    NEXT;
    CASE(OpSubS) acc = stack[--sp] - acc;
    NEXT;
    CASE(OpRSubK) acc = ip->k - acc;
    NEXT;
    CASE(OpRSubV) acc = v[ip->index] - acc;
    NEXT;
    CASE(OpMulK) acc = acc * ip->k;
    NEXT;
    CASE(OpMulV) acc = acc * v[ip->index];
    NEXT;
    CASE(OpMulS) acc = stack[--sp] * acc;
    NEXT;

    // Division by a number: the emitter has already ruled out zero and NaN.
    CASE(OpDivK) acc = acc / ip->k;
    NEXT;
#define TONALIX_DIVIDE(left, right)                                                                                    \
    {                                                                                                                  \
        const double l_ = (left), r_ = (right);                                                                        \
        if (!(r_ < 0.0 || r_ > 0.0)) {                                                                                 \
            errno = EDOM;                                                                                              \
            goto failed;                                                                                               \
        }                                                                                                              \
        acc = l_ / r_;                                                                                                 \
    }
    CASE(OpDivV) TONALIX_DIVIDE(acc, v[ip->index]) NEXT;
    CASE(OpDivS) TONALIX_DIVIDE(stack[--sp], acc) NEXT;
    CASE(OpRDivK) TONALIX_DIVIDE(ip->k, acc) NEXT;
    CASE(OpRDivV) TONALIX_DIVIDE(v[ip->index], acc) NEXT;
#undef TONALIX_DIVIDE

#define TONALIX_CALL(function, left, right)                                                                            \
    {                                                                                                                  \
        const double l_ = (left), r_ = (right);                                                                        \
        *err = 0;                                                                                                      \
        acc = function(l_, r_);                                                                                        \
        if (*err != 0) goto failed;                                                                                    \
    }
    CASE(OpModK) TONALIX_CALL(formulaMod, acc, ip->k) NEXT;
    CASE(OpModV) TONALIX_CALL(formulaMod, acc, v[ip->index]) NEXT;
    CASE(OpModS) TONALIX_CALL(formulaMod, stack[--sp], acc) NEXT;
    CASE(OpRModK) TONALIX_CALL(formulaMod, ip->k, acc) NEXT;
    CASE(OpRModV) TONALIX_CALL(formulaMod, v[ip->index], acc) NEXT;
    CASE(OpPowK) TONALIX_CALL(formulaPow, acc, ip->k) NEXT;
    CASE(OpPowV) TONALIX_CALL(formulaPow, acc, v[ip->index]) NEXT;
    CASE(OpPowS) TONALIX_CALL(formulaPow, stack[--sp], acc) NEXT;
    CASE(OpRPowK) TONALIX_CALL(formulaPow, ip->k, acc) NEXT;
    CASE(OpRPowV) TONALIX_CALL(formulaPow, v[ip->index], acc) NEXT;
#undef TONALIX_CALL

    CASE(OpLoadVAddK) acc = v[ip->index] + ip->k;
    NEXT;
    CASE(OpLoadVSubK) acc = v[ip->index] - ip->k;
    NEXT;
    CASE(OpLoadVMulK) acc = v[ip->index] * ip->k;
    NEXT;
    CASE(OpSquare) {
        const double x = acc;
        acc = x * x;
        if ((acc == 0.0 || std::isinf(acc)) && x != 0.0 && std::isfinite(x)) {
            errno = ERANGE;
            goto failed;
        }
    }
    NEXT;
    CASE(OpHalfPower)
    if (acc < 0.0) {
        if (!std::isinf(acc)) {
            errno = EDOM;
            goto failed;
        }
        acc = HUGE_VAL;
    } else {
        acc = std::sqrt(acc) + 0.0;
    }
    NEXT;
    CASE(OpReciprocal)
    acc = 1.0 / acc;
    if (std::isinf(acc)) {
        errno = ERANGE;
        goto failed;
    }
    NEXT;
    CASE(OpFuncEnd)
    *err = 0;
    acc = functionRows[ip->index].call(acc);
    if (*err != 0) goto failed;
    return acc;
    CASE(OpFuncFiniteEnd)
    if (std::isfinite(acc)) return (*finiteArgumentRow(ip->index))(acc);
    *err = 0;
    acc = functionRows[ip->index].call(acc);
    if (*err != 0) goto failed;
    return acc;

#ifndef TONALIX_THREADED_DISPATCH
}
#endif
#undef CASE
#undef NEXT

failed : formulaStatus = FormulaEvalFailed;
return 0.0;
}

#ifdef TONALIX_THREADED_DISPATCH
#pragma GCC diagnostic pop
#endif
