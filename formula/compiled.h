// A faster evaluation form derived from a validated postfix program.
//
// The token array keeps the program exactly as compiled; this form lives
// beside it and computes the same values, failures and assignments.
#ifndef TONALIX_FORMULA_COMPILED_H
#define TONALIX_FORMULA_COMPILED_H

#include "formula/tokens.h"

// Derives the evaluation form from `program`, a validated postfix program,
// replacing any earlier one.
void buildCompiledProgram(const Token *program);

// Forgets the evaluation form; runCompiledProgram then runs the token array.
void discardCompiledProgram();

// Evaluates the current program once against variableTable. Stores the value
// in *result and returns 0, or returns 1 on a failure. Never called on the
// empty program.
int runCompiledProgram(double *result);

#endif
