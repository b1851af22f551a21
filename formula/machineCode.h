// The machine-code form: the evaluation form compiled to x86-64 code at
// every compilation, with the interpreter of interpreter.cpp as the fallback.
//
// It computes exactly what the evaluation form computes: the same values,
// failures, assignments and status. Where it cannot be had (another
// processor, a system that refuses executable memory, a program too big, or
// TONALIX_JIT=0 in the environment) the interpreter runs.
#ifndef TONALIX_FORMULA_MACHINECODE_H
#define TONALIX_FORMULA_MACHINECODE_H

#include <cstddef>

#include "formula/compiled.h"

// Whether this build makes machine code at all: on x86-64 processors.
#if defined(__x86_64__) || defined(_M_X64)
constexpr bool machineCodeAvailable = true;
#else
constexpr bool machineCodeAvailable = false;
#endif

// The per-sample entry of the machine code, or null when the interpreter
// runs. Called only with formulaStatus at FormulaReady, with the calling
// thread's errno address (the code is shared by every thread, errno is not);
// returns the value, or 0.0 after setting FormulaEvalFailed.
extern double (*machineEvaluate)(int *errnoAddress);

// Returns the calling thread's errno address, looked up once per thread.
int *threadErrnoAddress();

// Compiles `code` (length instructions of the evaluation form, the last one
// ending it) into machine code that evaluateFormula and runSampleLoop run
// from then on. Returns 1, or 0 when the interpreter runs instead.
int buildMachineCode(const Instruction *code, unsigned length);

// Forgets the machine code: the interpreter runs until the next build.
void discardMachineCode();

// Whether later builds make machine code: 1 at start, 0 when TONALIX_JIT is
// "0" in the environment. Tests switch it to compare the two forms.
int machineCodeEnabled();
void setMachineCodeEnabled(int enabled);

#endif
