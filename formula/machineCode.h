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
#include "formula/formula.h"

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

// The machine code of a kept program: its own code memory and entries.
struct KeptMachineCode {
    void *block;                                           // null: none, the interpreter runs it
    double (*evaluate)(int *errnoAddress);                 // machineEvaluate's value for it
    void (*sampleLoop)(SampleRun *run, int *errnoAddress); // runSampleLoop's routine for it
};

// Hands the engine's current machine code to kept, and the code memory kept
// held (if any) to the engine, which builds into it from then on.  The
// engine's entries keep pointing at the code now kept: it runs on until the
// next build.  Returns nothing.
void keepMachineCode(KeptMachineCode *kept);

// Makes kept's code the engine's machine code (none when kept has none)
// without taking its memory: the next build writes into the engine's own.
// Returns nothing.
void useMachineCode(const KeptMachineCode *kept);

// Whether later builds make machine code: 1 at start, 0 when TONALIX_JIT is
// "0" in the environment. Tests switch it to compare the two forms.
int machineCodeEnabled();
void setMachineCodeEnabled(int enabled);

#endif
