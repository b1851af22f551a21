// A faster evaluation form derived from a validated postfix program, and
// evaluateFormula, which runs it.
//
// The token array keeps the program exactly as compiled; this form lives
// beside it and computes the same values, failures and assignments.
#ifndef TONALIX_FORMULA_COMPILED_H
#define TONALIX_FORMULA_COMPILED_H

#include "formula/tokens.h"

// Instructions. "acc" is the accumulator; K is the instruction's number, V
// its variable, S the value popped from the stack. R-forms take the
// instruction's operand as the left operand of the operator.
enum OpCode : uint16_t {
    OpEnd,        // the result is acc
    OpFail,       // the evaluation fails
    OpLoadK,      // acc = K
    OpLoadV,      // acc = V
    OpPushK,      // push acc; acc = K
    OpPushV,      // push acc; acc = V
    OpNeg,        // acc = -acc
    OpAssign,     // V = acc
    OpFunc,       // acc = function(acc), errno tested
    OpFuncQuiet,  // acc = function(acc), for functions that never set errno
    OpFuncFinite, // acc = function(acc), errno tested only for an infinite or NaN acc
    OpFloor,      // acc = floor(acc)
    // one row per operator: acc op K, acc op V, S op acc, K op acc, V op acc
    OpAddK,
    OpAddV,
    OpAddS,
    OpSubK,
    OpSubV,
    OpSubS,
    OpRSubK,
    OpRSubV,
    OpMulK,
    OpMulV,
    OpMulS,
    OpDivK,
    OpDivV,
    OpDivS,
    OpRDivK,
    OpRDivV,
    OpModK,
    OpModV,
    OpModS,
    OpRModK,
    OpRModV,
    OpPowK,
    OpPowV,
    OpPowS,
    OpRPowK,
    OpRPowV,
    // acc = V op K: a variable loaded and combined with a number at once
    OpLoadVAddK,
    OpLoadVSubK,
    OpLoadVMulK,
    OpSquare,        // acc = acc ^ 2, as formulaSquare computes it
    OpReciprocal,    // acc = acc ^ (-1), as formulaReciprocal computes it
    OpHalfPower,     // acc = acc ^ 0.5, as formulaHalfPower computes it
    OpFuncEnd,       // OpFunc and then OpEnd: a formula that is a function of something
    OpFuncFiniteEnd, // OpFuncFinite and then OpEnd
    OpCount
};

struct Instruction {
    uint16_t op;
    uint16_t index; // variable or function index
    double k;       // number operand
};

// Derives the evaluation form from `program`, a validated postfix program
// (the empty one included), replacing any earlier one. evaluateFormula runs
// it from then on.
void buildCompiledProgram(const Token *program);

// Forgets the evaluation form: until the next build, evaluateFormula's
// program is the empty one. (It is never run then: the status says the
// compilation failed.)
void discardCompiledProgram();

#endif
