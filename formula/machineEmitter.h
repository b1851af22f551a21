// The emitter of the machine-code form (machineEmitter.cpp).
#ifndef TONALIX_FORMULA_MACHINEEMITTER_H
#define TONALIX_FORMULA_MACHINEEMITTER_H

#include <cstddef>

#include "formula/compiled.h"

// Assembles the two routines of `code` (length instructions of the
// evaluation form) into `block`, writable memory of `size` bytes: the
// evaluation, double (*)(), at the start, and the sample loop,
// void (*)(SampleRun *), at *loopOffset. Returns 1, or 0 when the code does
// not fit or an instruction has no machine code. x86-64 only.
int assembleMachineCode(void *block, size_t size, const Instruction *code, unsigned length, size_t *loopOffset);

#endif
