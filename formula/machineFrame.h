// The machine code's registers and frames, which need no assembler: which
// xmm registers hold the pending values, which instructions call out, and
// the frame a routine of a program needs.  machineEmitter.cpp assembles the
// routines from them.
#ifndef TONALIX_FORMULA_MACHINEFRAME_H
#define TONALIX_FORMULA_MACHINEFRAME_H

#include "formula/functions.h"
#include "formula/opcodes.h"

#ifdef _WIN32
constexpr int ShadowBytes = 32; // the callee's home for its four register arguments
#else
constexpr int ShadowBytes = 0;
#endif

struct SlotRegister {
    int xmm;
    bool calleeSaved; // survives calls, and a routine that uses it saves it
};

// The registers of the pending values, slot 0 first: callingSlots for a
// routine that calls out, leafSlots for one that does not.
constexpr unsigned SlotRegisterCount = 12;
extern const SlotRegister callingSlots[SlotRegisterCount];
extern const SlotRegister *const leafSlots;
constexpr int ClockXmm = 14, PeriodXmm = 15; // t and the sample period in the loop

// Return whether the processor has SSE4.1 (roundsd), AVX and FMA, asked once.
bool hasSse41();
bool hasAvx();
bool hasFma();

// Returns the function row of a function instruction (OpFloor carries no
// index: it is floor's).  Changes nothing.
unsigned functionOf(const Instruction &in);

// Returns the inline form the emitter uses for function instruction `in`,
// or InlineNone when it calls the row.  Changes nothing.
FunctionInline emittedInline(const Instruction &in);

// Returns whether instruction `in` calls a library function.
bool callsOut(const Instruction &in);

// The shape of a routine's frame, from the program it runs.
struct Frame {
    unsigned depth = 0; // the most values pending at once
    bool calls = false; // some instruction calls out
    const SlotRegister *slots = nullptr;
    unsigned slotRegisters = 0; // slots held in registers
    int saved[10] = {};         // xmm registers the routine saves (Win64)
    unsigned savedCount = 0;
    int clockOffset = 0; // t and period, when in the frame
    int saveOffset = 0;  // the first saved register
    int bytes = 0;       // subtracted from rsp
};

// Fills `f` for a routine of the program that pushes `pushes` registers and
// keeps t and period (`clock`) in registers or, if `clockInFrame`, in the
// frame.
void planFrame(Frame &f, const Instruction *code, unsigned length, unsigned pushes, bool clock, bool clockInFrame);

#endif
