// The instructions of the evaluation form and what each does to the stack,
// to errno and to the machine's registers: one traits row per instruction,
// which the lowering (lowering.cpp), the interpreter loop and the
// machine-code emitter read instead of working it out each on its own.
#ifndef TONALIX_FORMULA_OPCODES_H
#define TONALIX_FORMULA_OPCODES_H

#include <cstdint>

// ORDER OP: the rows of opTraits and the interpreter's table of handlers
// follow this order; an operator's row of five (K, V, S, RK, RV) is kept
// together, since the lowering adds the form to the row's first code.
// "acc" is the accumulator; K is the instruction's number, V
// its variable, S the value popped from the stack. R-forms take the
// instruction's operand as the left operand of the operator.
enum OpCode : uint16_t {
    OpEnd,        // the result is acc
    OpFail,       // the evaluation fails
    OpLoadK,      // acc = K
    OpLoadV,      // acc = V
    OpPushK,      // push acc; acc = K
    OpPushV,      // push acc; acc = V
    OpNeg,        // acc = -acc
    OpAssign,     // V = acc
    OpFunc,       // acc = function(acc), errno tested
    OpFuncQuiet,  // acc = function(acc), for functions that never set errno
    OpFuncFinite, // acc = function(acc), errno tested only for an infinite or NaN acc
    OpFloor,      // acc = floor(acc)
    // one row per operator: acc op K, acc op V, S op acc, K op acc, V op acc
    OpAddK,
    OpAddV,
    OpAddS,
    OpSubK,
    OpSubV,
    OpSubS,
    OpRSubK,
    OpRSubV,
    OpMulK,
    OpMulV,
    OpMulS,
    OpDivK,
    OpDivV,
    OpDivS,
    OpRDivK,
    OpRDivV,
    OpModK,
    OpModV,
    OpModS,
    OpRModK,
    OpRModV,
    OpPowK,
    OpPowV,
    OpPowS,
    OpRPowK,
    OpRPowV,
    // acc = V op K: a variable loaded and combined with a number at once
    OpLoadVAddK,
    OpLoadVSubK,
    OpLoadVMulK,
    OpSquare,        // acc = acc ^ 2, as formulaSquare computes it
    OpReciprocal,    // acc = acc ^ (-1), as formulaReciprocal computes it
    OpHalfPower,     // acc = acc ^ 0.5, as formulaHalfPower computes it
    OpFuncEnd,       // OpFunc and then OpEnd: a formula that is a function of something
    OpFuncFiniteEnd, // OpFuncFinite and then OpEnd
    OpCount
};

struct Instruction {
    uint16_t op;
    uint16_t index; // variable or function index
    double k;       // number operand
};

// What an instruction does beside computing acc.
struct OpTraits {
    OpCode op;          // the row's own code, checked below
    uint8_t pops;       // values it takes from the stack
    uint8_t pushes;     // values it puts on the stack
    uint8_t testsErrno; // clears errno before a call and fails if the call set it
    uint8_t mayCall;    // may call a library function (the machine code may inline it)
};

// clang-format off
constexpr OpTraits opTraits[OpCount] = {
    //  op             pops pushes errno call
    {OpEnd,            0, 0, 0, 0},
    {OpFail,           0, 0, 0, 0},
    {OpLoadK,          0, 0, 0, 0},
    {OpLoadV,          0, 0, 0, 0},
    {OpPushK,          0, 1, 0, 0},
    {OpPushV,          0, 1, 0, 0},
    {OpNeg,            0, 0, 0, 0},
    {OpAssign,         0, 0, 0, 0},
    {OpFunc,           0, 0, 1, 1},
    {OpFuncQuiet,      0, 0, 0, 1},
    {OpFuncFinite,     0, 0, 1, 1},
    {OpFloor,          0, 0, 0, 1},
    {OpAddK,           0, 0, 0, 0},
    {OpAddV,           0, 0, 0, 0},
    {OpAddS,           1, 0, 0, 0},
    {OpSubK,           0, 0, 0, 0},
    {OpSubV,           0, 0, 0, 0},
    {OpSubS,           1, 0, 0, 0},
    {OpRSubK,          0, 0, 0, 0},
    {OpRSubV,          0, 0, 0, 0},
    {OpMulK,           0, 0, 0, 0},
    {OpMulV,           0, 0, 0, 0},
    {OpMulS,           1, 0, 0, 0},
    {OpDivK,           0, 0, 0, 0},
    {OpDivV,           0, 0, 0, 0},
    {OpDivS,           1, 0, 0, 0},
    {OpRDivK,          0, 0, 0, 0},
    {OpRDivV,          0, 0, 0, 0},
    {OpModK,           0, 0, 1, 1},
    {OpModV,           0, 0, 1, 1},
    {OpModS,           1, 0, 1, 1},
    {OpRModK,          0, 0, 1, 1},
    {OpRModV,          0, 0, 1, 1},
    {OpPowK,           0, 0, 1, 1},
    {OpPowV,           0, 0, 1, 1},
    {OpPowS,           1, 0, 1, 1},
    {OpRPowK,          0, 0, 1, 1},
    {OpRPowV,          0, 0, 1, 1},
    {OpLoadVAddK,      0, 0, 0, 0},
    {OpLoadVSubK,      0, 0, 0, 0},
    {OpLoadVMulK,      0, 0, 0, 0},
    {OpSquare,         0, 0, 0, 0},
    {OpReciprocal,     0, 0, 0, 0},
    {OpHalfPower,      0, 0, 0, 0},
    {OpFuncEnd,        0, 0, 1, 1},
    {OpFuncFiniteEnd,  0, 0, 1, 1},
};
// clang-format on

// Returns whether every row of opTraits stands at its own code.  Changes nothing.
constexpr bool opTraitsInOrder() {
    for (unsigned i = 0; i < OpCount; ++i)
        if (opTraits[i].op != i) return false;
    return true;
}
static_assert(opTraitsInOrder(), "opTraits must follow OpCode, one row each");

#endif
