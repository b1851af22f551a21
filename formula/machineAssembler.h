// The building blocks of the machine code: the number pool, the pending
// values in their registers and frame homes, calls through the tables with
// errno tested, and the inline arithmetic that stands in for a call where
// its result and its failure are the same.  machineEmitter.cpp assembles
// the routines from them.
#ifndef TONALIX_FORMULA_MACHINEASSEMBLER_H
#define TONALIX_FORMULA_MACHINEASSEMBLER_H

#if defined(__x86_64__) || defined(_M_X64)

#define XBYAK_NO_EXCEPTION // errors are read with Xbyak::GetError
#include <xbyak/xbyak.h>

#include <cstdint>
#include <vector>

#include "formula/machineFrame.h"
#include "formula/tokens.h"

// The values the routines use besides the program's numbers, at the start
// of the number pool (the masks 16-byte aligned, as their instructions need).
constexpr uint64_t SignMask = 0x8000000000000000u;
constexpr uint64_t AbsMask = 0x7FFFFFFFFFFFFFFFu;
constexpr int SignMaskOffset = 0, ZeroOffset = 8, AbsMaskOffset = 16, OneOffset = 32, MinusOneOffset = 40,
              FullScaleOffset = 48, InfinityOffset = 56, MinusInfinityOffset = 64;
constexpr int FirstNumberOffset = 72;

// The doubled bits of the smallest non-finite double: a double is finite
// when twice its bits, the sign shifted out, are below this.
constexpr uint64_t NonFiniteTwice = 0xFFE0000000000000u;

class Assembler : public Xbyak::CodeGenerator {
public:
    Assembler(void *block, size_t size);

    // Emits the number pool: the fixed values above, then the program's
    // numbers in the order number() handed them out.
    void emitPool();

protected:
    // Returns the bits of v.
    static uint64_t bitsOf(double v);

    // Makes frame f (rsp lowered, the registers it saves stored), and undoes it.
    void enterFrame(const Frame &f);
    void leaveFrame(const Frame &f);

    // Return the addresses of the pool value at offset, of number v (added to
    // the pool), of variable index and of a pending slot's frame home.
    Xbyak::Address pooled(int offset);
    Xbyak::Address number(double v);
    Xbyak::Address variable(unsigned index);
    Xbyak::Address home(unsigned slot);

    // Load a number, or any operand, into register to.
    void loadNumber(const Xbyak::Xmm &to, double v);
    void load(const Xbyak::Xmm &to, const Xbyak::Operand &from);

    // Pushes the accumulator as the newest pending value.
    void pushAccumulator();

    // Pops the newest pending value. Returns where it is: its register or its
    // home, valid until the next pop.
    const Xbyak::Operand &popPending();

    // Stores the pending values that a call would clobber in their homes.
    void saveAcrossCall();

    // Calls the function in table row `entry` on xmm0 (and xmm1), clearing
    // errno before and failing after if it is set, when `testErrno`.
    void callRow(const void *entry, bool testErrno, Xbyak::Label &failed);

    // Calls "%" or "^" (table row `row`) on xmm0 and xmm1, with errno tested.
    void callOperator(const void *row, Xbyak::Label &failed);

    // acc := operand op acc, for an operator that is not commutative.
    template <class Op> void reversed(Op op, const Xbyak::Operand &left) {
        load(xmm1, left);
        (this->*op)(xmm1, xmm0);
        movapd(xmm0, xmm1);
    }
    // Fails with EDOM when `divisor` is zero of either sign or not a number.
    void checkDivisor(const Xbyak::Operand &divisor, Xbyak::Label &failedDomain);

    // acc := function(acc) for function row f.
    void emitFunction(const Instruction &in, Xbyak::Label &failed, Xbyak::Label &failedDomain);

    // Jumps to `yes` when the double in `x` is finite and not zero, using rax
    // and r11 (which must hold NonFiniteTwice - 1): its doubled bits less one
    // are then below NonFiniteTwice - 1, and zero wraps round to the top.
    void jumpIfFiniteNonzero(const Xbyak::Xmm &x, Xbyak::Label &yes);

    // acc := acc * acc, failing with ERANGE where the square of a finite
    // nonzero base is zero or infinite (formulaSquare).
    void emitSquare(Xbyak::Label &failedRange);

    // acc := 1 / acc, failing with ERANGE for an infinite result
    // (formulaReciprocal).
    void emitReciprocal(Xbyak::Label &failedRange);

    // acc := acc % k (the table's fmod in row `modRow`) for the number k.
    //
    // fmod is exact, and so is this for a finite x whose quotient by m = |k|
    // is below 2^51: with n the floor of |x| * (1/m), n is the true quotient's
    // floor or one off it, and |x| - n*m in one fused operation is then exact
    // when n is right, below zero when it is one too big and at least m when
    // it is one too small; n is mended, and the remainder takes x's sign, as
    // fmod's does. Anything else (x infinite or not a number, a huge
    // quotient, a k that is zero, not a number or extreme) calls fmod.
    void emitRemainderByNumber(double k, const void *modRow, Xbyak::Label &failed);

    // acc := acc ^ 0.5 (formulaHalfPower): the square root plus +0, which
    // makes -0 +0; below zero, +inf for -inf and EDOM for the rest.
    void emitHalfPower(Xbyak::Label &failedDomain);

    Frame *frame = nullptr;
    Xbyak::Reg64 vars, err;
    bool inHome[TokenSlots] = {}; // slot s is in its frame home, not its register
    unsigned depth = 0;
    Xbyak::Label pool;
    std::vector<uint64_t> numbers;
    Xbyak::Address poppedAddress;
    Xbyak::Xmm poppedRegister;
};

#endif

#endif
