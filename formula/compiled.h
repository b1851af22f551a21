// A faster evaluation form derived from a validated postfix program, and
// evaluateFormula, which runs it.
//
// The token array keeps the program exactly as compiled; this form lives
// beside it and computes the same values, failures and assignments.
#ifndef TONALIX_FORMULA_COMPILED_H
#define TONALIX_FORMULA_COMPILED_H

#include "formula/opcodes.h"
#include "formula/tokens.h"

// The evaluation form of the current program: written by the lowering
// (lowering.cpp), run by the interpreter loop (interpreter.cpp) and turned into
// machine code.
struct CompiledProgram {
    // One instruction per token at most, and OpEnd. Zero-filled, it is the
    // empty program.
    Instruction code[TokenSlots + 1];
    unsigned length;      // instructions, OpEnd included
    bool usesErrno;       // some instruction clears and tests errno
    bool isConstant;      // the whole program folded into one number
    double constantValue; // that number
    bool isScaledCall;    // the program is function(variable * number): a pure tone
};
extern CompiledProgram compiledProgram;

// Derives the evaluation form from `program`, a validated postfix program
// (the empty one included), replacing any earlier one. evaluateFormula runs
// it from then on.
void buildCompiledProgram(const Token *program);

// Forgets the evaluation form: until the next build, evaluateFormula's
// program is the empty one. (It is never run then: the status says the
// compilation failed.)
void discardCompiledProgram();

#endif
