// A faster evaluation form derived from a validated postfix program, and
// evaluateFormula, which runs it.
//
// The token array keeps the program exactly as compiled; this form lives
// beside it and computes the same values, failures and assignments.
#ifndef TONALIX_FORMULA_COMPILED_H
#define TONALIX_FORMULA_COMPILED_H

#include "formula/tokens.h"

// Derives the evaluation form from `program`, a validated postfix program
// (the empty one included), replacing any earlier one. evaluateFormula runs
// it from then on.
void buildCompiledProgram(const Token *program);

// Forgets the evaluation form: until the next build, evaluateFormula's
// program is the empty one. (It is never run then: the status says the
// compilation failed.)
void discardCompiledProgram();

#endif
