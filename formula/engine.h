// The engine's process-wide state and its evaluators, for the engine itself
// and for tests.
#ifndef TONALIX_FORMULA_ENGINE_H
#define TONALIX_FORMULA_ENGINE_H

#include "formula/formula.h"
#include "formula/tokens.h"

// The variables a to z, all 0 at program start and never reset.
struct VariableTable {
    double value[VariableCount];
};
extern VariableTable variableTable;

// Runs `program` (a validated postfix program, the empty one included, whose
// value is 0.0) once, token by token, against
// variableTable, clearing and testing errno around every operator and
// function call. Stores the value in *result and returns 0, or returns 1 on a
// failure (an error reported through errno, or a final stack that does not
// hold exactly one value). Assignments change variableTable either way.
// This is the definition of what a formula computes; evaluateFormula runs a
// faster form derived from the same program.
int runProgram(const Token *program, double *result);

#endif
