// The machine code's registers and frames (machineFrame.h).
#include "formula/machineFrame.h"

#if defined(__x86_64__) || defined(_M_X64)

// The registers of the pending values, slot 0 first. On Windows a routine
// that calls out takes the registers that survive calls first; one that
// does not takes those it need not save.
#ifdef _WIN32
const SlotRegister callingSlots[SlotRegisterCount] = {{6, true},  {7, true},  {8, true},  {9, true},
                                                      {10, true}, {11, true}, {12, true}, {13, true},
                                                      {2, false}, {3, false}, {4, false}, {5, false}};
const SlotRegister windowsLeafSlots[SlotRegisterCount] = {{2, false}, {3, false}, {4, false}, {5, false},
                                                          {6, true},  {7, true},  {8, true},  {9, true},
                                                          {10, true}, {11, true}, {12, true}, {13, true}};
const SlotRegister *const leafSlots = windowsLeafSlots;
#else
const SlotRegister callingSlots[SlotRegisterCount] = {{2, false},  {3, false},  {4, false},  {5, false},
                                                      {6, false},  {7, false},  {8, false},  {9, false},
                                                      {10, false}, {11, false}, {12, false}, {13, false}};
const SlotRegister *const leafSlots = callingSlots;
#endif

bool hasSse41() {
    static const int supported = __builtin_cpu_supports("sse4.1") ? 1 : 0;
    return supported != 0;
}

bool hasAvx() {
    static const int supported = __builtin_cpu_supports("avx") ? 1 : 0;
    return supported != 0;
}

bool hasFma() {
    static const int supported = __builtin_cpu_supports("fma") ? 1 : 0;
    return supported != 0;
}

// Returns the function row of a function instruction (OpFloor carries no
// index: it is floor's).  Changes nothing.
unsigned functionOf(const Instruction &in) { return in.op == OpFloor ? unsigned{FunctionFloor} : in.index; }

// Returns the inline form the emitter uses for function instruction `in`,
// or InlineNone when it calls the row: the sign mask for a quiet abs, SSE4.1
// rounding for a quiet floor or ceil, and the square-root instruction, with
// its domain check, where errno is tested.  Changes nothing.
FunctionInline emittedInline(const Instruction &in) {
    const FunctionInline form = functionRows[functionOf(in)].inlineForm;
    const bool quiet = in.op == OpFuncQuiet || in.op == OpFloor;
    switch (form) {
    case InlineAbs:
        return quiet ? form : InlineNone;
    case InlineFloor:
    case InlineCeil:
        return quiet && hasSse41() ? form : InlineNone;
    case InlineSqrt:
        return in.op == OpFunc || in.op == OpFuncEnd ? form : InlineNone;
    default:
        return InlineNone;
    }
}

// Returns whether instruction `in` calls a library function: a function
// row that is not inlined, or an instruction whose traits say it may call.
bool callsOut(const Instruction &in) {
    switch (in.op) {
    case OpFunc:
    case OpFuncEnd:
    case OpFuncQuiet:
    case OpFloor:
        return emittedInline(in) == InlineNone;
    case OpFuncFinite:
    case OpFuncFiniteEnd:
        return true;
    default:
        return opTraits[in.op].mayCall != 0;
    }
}

// Fills `f` for a routine of the program that pushes `pushes` registers and
// keeps t and period (`clock`) in registers or, if `clockInFrame`, in the
// frame.
void planFrame(Frame &f, const Instruction *code, unsigned length, unsigned pushes, bool clock, bool clockInFrame) {
    unsigned depth = 0;
    for (unsigned i = 0; i < length; ++i) {
        if (opTraits[code[i].op].pushes) {
            if (++depth > f.depth) f.depth = depth;
        } else {
            depth -= opTraits[code[i].op].pops;
        }
        if (callsOut(code[i])) f.calls = true;
    }
    f.slots = f.calls ? callingSlots : leafSlots;
    f.slotRegisters = f.depth < SlotRegisterCount ? f.depth : SlotRegisterCount;
    for (unsigned s = 0; s < f.slotRegisters; ++s)
        if (f.slots[s].calleeSaved) f.saved[f.savedCount++] = f.slots[s].xmm;
#ifdef _WIN32
    if (clock && !clockInFrame) {
        f.saved[f.savedCount++] = ClockXmm;
        f.saved[f.savedCount++] = PeriodXmm;
    }
#else
    (void)clock;
#endif
    int offset = ShadowBytes + 8 * static_cast<int>(f.depth);
    f.clockOffset = offset;
    if (clockInFrame) offset += 16;
    f.saveOffset = (offset + 15) & ~15;
    offset = f.saveOffset + 16 * static_cast<int>(f.savedCount);
    // At entry rsp is 8 below a multiple of 16 (the return address); every
    // call must find it at a multiple of 16 again.
    const int misalignment = (8 + 8 * static_cast<int>(pushes) + offset) % 16;
    f.bytes = offset + (misalignment ? 16 - misalignment : 0);
}

#endif
