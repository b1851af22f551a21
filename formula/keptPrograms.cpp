// The kept programs: copies of compiled programs that a stream of several
// channels switches between, one per channel (see formula.h).
//
// A switch copies only the instructions of the evaluation form and points
// the machine-code entries at the kept code: a few hundred bytes, cheap
// enough to do per sample when the channels share variables.
#include <cstring>

#include "formula/compiled.h"
#include "formula/engine.h"
#include "formula/machineCode.h"

namespace {

struct KeptProgram {
    int filled;               // 1 once a program was kept here
    CompiledProgram compiled; // its evaluation form
    KeptMachineCode machine;  // its machine code, if any
    uint32_t read, assigned;  // its variables, as bits 1 << index
};

KeptProgram keptPrograms[KeptProgramSlots]; // the kept programs of the run

// Copies the evaluation form from `from` to `to`: the flags and the
// instructions up to OpEnd, which is all the interpreter reads.
void copyCompiledProgram(CompiledProgram *to, const CompiledProgram *from) {
    const unsigned length = from->length > 0 ? from->length : 1;
    std::memcpy(to->code, from->code, length * sizeof(Instruction));
    to->length = from->length;
    to->usesErrno = from->usesErrno;
    to->isConstant = from->isConstant;
    to->constantValue = from->constantValue;
    to->isScaledCall = from->isScaledCall;
}

} // namespace

int keepProgram(unsigned slot) {
    if (slot >= KeptProgramSlots || (formulaStatus & FormulaCompileFailed)) return 0;
    KeptProgram &kept = keptPrograms[slot];
    copyCompiledProgram(&kept.compiled, &compiledProgram);
    keepMachineCode(&kept.machine);
    kept.read = kept.assigned = 0;
    for (const Token *token = tokenArray; token->code != TK_END; token++) {
        if (isVariable(token->code)) kept.read |= 1u << (token->code - TK_VAR);
        if (isAssignment(token->code)) kept.assigned |= 1u << (token->code - TK_ASSIGN);
    }
    kept.filled = 1;
    return 1;
}

int useProgram(unsigned slot) {
    if (slot >= KeptProgramSlots || !keptPrograms[slot].filled) return 0;
    const KeptProgram &kept = keptPrograms[slot];
    copyCompiledProgram(&compiledProgram, &kept.compiled);
    useMachineCode(&kept.machine);
    formulaStatus = FormulaReady;
    return 1;
}

uint32_t variablesRead(unsigned slot) { return slot < KeptProgramSlots ? keptPrograms[slot].read : 0; }

uint32_t variablesAssigned(unsigned slot) { return slot < KeptProgramSlots ? keptPrograms[slot].assigned : 0; }
