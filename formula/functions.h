// The functions of the formula language: one row each, which the lexer, the
// token-by-token evaluator, the lowering to instructions and the machine-code
// emitter all read.  Adding a function is one row here (and its enum name).
#ifndef TONALIX_FORMULA_FUNCTIONS_H
#define TONALIX_FORMULA_FUNCTIONS_H

#include <cstdint>

using UnaryFunction = double (*)(double x);

// ORDER FUNCTION: the rows of functionRows, in this order; a function's
// token code is TK_FUNC + its index.
enum FunctionIndex : unsigned {
    FunctionCeil,
    FunctionFloor,
    FunctionAbs,
    FunctionSqrt,
    FunctionExp,
    FunctionLog,
    FunctionLog10,
    FunctionSin,
    FunctionCos,
    FunctionTan,
    FunctionAsin,
    FunctionAcos,
    FunctionAtan,
    FunctionSinh,
    FunctionCosh,
    FunctionTanh,
    FunctionAsinh,
    FunctionAcosh,
    FunctionAtanh,
    FunctionJ0,
    FunctionJ1,
    FunctionY0,
    FunctionY1,
    FunctionCount
};

// What the evaluation forms may assume of a function: bits of
// FunctionRow::traits.
enum FunctionTrait : unsigned {
    TraitPure = 1u << 0,               // depends on its argument alone: a constant argument folds
    TraitMayFail = 1u << 1,            // may set errno for some argument
    TraitFailsOnlyNonFinite = 1u << 2, // sets errno only for an infinite or NaN argument
};

// The instruction that may stand in for the call, where the machine has it.
enum FunctionInline : uint8_t {
    InlineNone,
    InlineAbs,   // clear the sign bit
    InlineFloor, // round toward -inf (SSE4.1), and the interpreter's own OpFloor
    InlineCeil,  // round toward +inf (SSE4.1)
    InlineSqrt,  // the square-root instruction, with the domain check in line
};

struct FunctionRow {
    const char *name;          // the name with its "(", as the lexer matches it
    unsigned nameLength;       // characters of name, the "(" included
    UnaryFunction call;        // the function; reports errors only through errno
    unsigned traits;           // FunctionTrait bits
    FunctionInline inlineForm; // InlineNone: always a call
    FunctionIndex index;       // the row's own position, checked where the rows are written
};

extern const FunctionRow functionRows[FunctionCount];

// Returns whether function f's row has trait.  Changes nothing.
inline bool functionHas(unsigned f, FunctionTrait trait) { return (functionRows[f].traits & trait) != 0; }

#endif
