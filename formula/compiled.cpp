#include "formula/compiled.h"

#include "formula/engine.h"

namespace {
const Token *currentProgram = nullptr;  // the program the form was derived from
}

void buildCompiledProgram(const Token *program) { currentProgram = program; }

void discardCompiledProgram() { currentProgram = nullptr; }

int runCompiledProgram(double *result) { return runProgram(currentProgram ? currentProgram : tokenArray, result); }
