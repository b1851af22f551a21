// The building blocks of the machine code (machineAssembler.h).
#include "formula/machineAssembler.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <cmath>
#include <cstring>

#include "formula/library.h"

Assembler::Assembler(void *block, size_t size)
    : CodeGenerator(size, block), poppedAddress(qword[rsp]), poppedRegister(xmm0) {
    setDefaultJmpNEAR(true);
}

void Assembler::emitPool() {
    align(16);
    L(pool);
    dq(SignMask);
    dq(0);
    dq(AbsMask);
    dq(0);
    const double fixed[] = {1.0, -1.0, 32767.0, HUGE_VAL, -HUGE_VAL};
    for (double v : fixed)
        dq(bitsOf(v));
    for (uint64_t bits : numbers)
        dq(bits);
}

uint64_t Assembler::bitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

void Assembler::enterFrame(const Frame &f) {
    if (f.bytes) sub(rsp, f.bytes);
    for (unsigned i = 0; i < f.savedCount; ++i)
        movups(ptr[rsp + f.saveOffset + 16 * i], Xbyak::Xmm(f.saved[i]));
}

void Assembler::leaveFrame(const Frame &f) {
    for (unsigned i = 0; i < f.savedCount; ++i)
        movups(Xbyak::Xmm(f.saved[i]), ptr[rsp + f.saveOffset + 16 * i]);
    if (f.bytes) add(rsp, f.bytes);
}

Xbyak::Address Assembler::pooled(int offset) { return qword[rip + pool + offset]; }

Xbyak::Address Assembler::number(double v) {
    numbers.push_back(bitsOf(v));
    return pooled(FirstNumberOffset + 8 * static_cast<int>(numbers.size() - 1));
}

Xbyak::Address Assembler::variable(unsigned index) { return qword[vars + 8 * index]; }

Xbyak::Address Assembler::home(unsigned slot) { return qword[rsp + ShadowBytes + 8 * slot]; }

void Assembler::loadNumber(const Xbyak::Xmm &to, double v) {
    if (bitsOf(v) == 0) {
        xorpd(to, to); // +0.0
    } else {
        movsd(to, number(v));
    }
}

void Assembler::load(const Xbyak::Xmm &to, const Xbyak::Operand &from) {
    if (from.isMEM()) {
        movsd(to, static_cast<const Xbyak::Address &>(from));
    } else if (from.getIdx() != to.getIdx()) {
        movapd(to, from);
    }
}

// Pushes the accumulator as the newest pending value.
void Assembler::pushAccumulator() {
    const unsigned s = depth++;
    inHome[s] = s >= frame->slotRegisters;
    if (inHome[s]) {
        movsd(home(s), xmm0);
    } else {
        movapd(Xbyak::Xmm(frame->slots[s].xmm), xmm0);
    }
}

// Pops the newest pending value. Returns where it is: its register or its
// home, valid until the next pop.
const Xbyak::Operand &Assembler::popPending() {
    const unsigned s = --depth;
    if (inHome[s]) {
        poppedAddress = home(s);
        return poppedAddress;
    }
    poppedRegister = Xbyak::Xmm(frame->slots[s].xmm);
    return poppedRegister;
}

// Stores the pending values that a call would clobber in their homes.
void Assembler::saveAcrossCall() {
    for (unsigned s = 0; s < depth; ++s) {
        if (inHome[s] || frame->slots[s].calleeSaved) continue;
        movsd(home(s), Xbyak::Xmm(frame->slots[s].xmm));
        inHome[s] = true;
    }
}

// Calls the function in table row `entry` on xmm0 (and xmm1), clearing
// errno before and failing after if it is set, when `testErrno`.
void Assembler::callRow(const void *entry, bool testErrno, Xbyak::Label &failed) {
    if (testErrno) mov(dword[err], 0);
    mov(rax, reinterpret_cast<size_t>(entry));
    call(qword[rax]);
    if (testErrno) {
        cmp(dword[err], 0);
        jne(failed);
    }
}

// Calls "%" or "^" (table row `row`) on xmm0 and xmm1, with errno tested.
void Assembler::callOperator(const void *row, Xbyak::Label &failed) {
    saveAcrossCall();
    callRow(row, true, failed);
}

// Fails with EDOM when `divisor` is zero of either sign or not a number.
void Assembler::checkDivisor(const Xbyak::Operand &divisor, Xbyak::Label &failedDomain) {
    xorpd(xmm1, xmm1);
    ucomisd(xmm1, divisor); // equal or unordered: ZF
    je(failedDomain);
}

// acc := function(acc) for function row f.
void Assembler::emitFunction(const Instruction &in, Xbyak::Label &failed, Xbyak::Label &failedDomain) {
    const unsigned f = functionOf(in);
    const void *row = &functionRows[f].call;
    const bool quiet = in.op == OpFuncQuiet || in.op == OpFloor;
    const FunctionInline form = emittedInline(in);
    if (form == InlineAbs) {
        andpd(xmm0, pooled(AbsMaskOffset));
    } else if (form == InlineFloor || form == InlineCeil) {
        roundsd(xmm0, xmm0, form == InlineFloor ? 9 : 10); // toward -inf / +inf, no inexact signal
    } else if (form == InlineSqrt) {
        xorpd(xmm1, xmm1);
        ucomisd(xmm1, xmm0); // 0 > x, ordered: below zero, NaN and -0 excepted
        ja(failedDomain);
        sqrtsd(xmm0, xmm0);
    } else if (quiet) {
        saveAcrossCall();
        callRow(row, false, failed);
    } else if (in.op == OpFuncFinite || in.op == OpFuncFiniteEnd) {
        saveAcrossCall();
        Xbyak::Label finite, next;
        movq(rax, xmm0);
        add(rax, rax);
        mov(r11, NonFiniteTwice);
        cmp(rax, r11);
        jb(finite);
        callRow(row, true, failed);
        jmp(next);
        L(finite);
        callRow(finiteArgumentRow(f), false, failed);
        L(next);
    } else {
        saveAcrossCall();
        callRow(row, true, failed);
    }
}

// Jumps to `yes` when the double in `x` is finite and not zero, using rax
// and r11 (which must hold NonFiniteTwice - 1): its doubled bits less one
// are then below NonFiniteTwice - 1, and zero wraps round to the top.
void Assembler::jumpIfFiniteNonzero(const Xbyak::Xmm &x, Xbyak::Label &yes) {
    movq(rax, x);
    add(rax, rax);
    sub(rax, 1);
    cmp(rax, r11);
    jb(yes);
}

// acc := acc * acc, failing with ERANGE where the square of a finite
// nonzero base is zero or infinite (formulaSquare).
void Assembler::emitSquare(Xbyak::Label &failedRange) {
    Xbyak::Label done;
    movapd(xmm1, xmm0);
    mulsd(xmm0, xmm0);
    mov(r11, NonFiniteTwice - 1);
    jumpIfFiniteNonzero(xmm0, done);
    jumpIfFiniteNonzero(xmm1, failedRange);
    L(done);
}

// acc := 1 / acc, failing with ERANGE for an infinite result
// (formulaReciprocal).
void Assembler::emitReciprocal(Xbyak::Label &failedRange) {
    movsd(xmm1, pooled(OneOffset));
    divsd(xmm1, xmm0);
    movapd(xmm0, xmm1);
    movq(rax, xmm0);
    add(rax, rax);
    mov(r11, NonFiniteTwice);
    cmp(rax, r11);
    je(failedRange);
}

// acc := acc % k (the table's fmod in row `modRow`) for the number k.
//
// fmod is exact, and so is this for a finite x whose quotient by m = |k|
// is below 2^51: with n the floor of |x| * (1/m), n is the true quotient's
// floor or one off it, and |x| - n*m in one fused operation is then exact
// when n is right, below zero when it is one too big and at least m when
// it is one too small; n is mended, and the remainder takes x's sign, as
// fmod's does. Anything else (x infinite or not a number, a huge
// quotient, a k that is zero, not a number or extreme) calls fmod.
//
// This holds in the default floating-point mode only: round to nearest, no
// flush to zero.  In any other the product, the fused operation and the
// mending round differently from fmod, so runSampleLoop leaves a buffer in
// another mode to the interpreter (machineCode.cpp).
void Assembler::emitRemainderByNumber(double k, const void *modRow, Xbyak::Label &failed) {
    const double m = k < 0.0 ? -k : k;
    saveAcrossCall(); // on both paths, so that the slots agree where they join
    if (!(hasFma() && hasSse41() && m >= 0x1p-1000 && m <= 0x1p1000)) {
        loadNumber(xmm1, k);
        callRow(modRow, true, failed);
        return;
    }
    const Xbyak::Address modulus = number(m), reciprocal = number(1.0 / m), limit = number(m * 0x1p51);
    Xbyak::Label slow, tooBig, tooSmall, again, sign, done;
    movq(rax, xmm0); // x, for its sign and the recomputation
    andpd(xmm0, pooled(AbsMaskOffset));
    ucomisd(xmm0, limit);
    jp(slow);  // not a number
    jae(slow); // infinite, or a quotient too big
    movapd(xmm1, xmm0);
    mulsd(xmm1, reciprocal);
    roundsd(xmm1, xmm1, 9);            // n
    vfnmadd231sd(xmm0, xmm1, modulus); // |x| - n*m
    ucomisd(xmm0, pooled(ZeroOffset));
    jb(tooBig);
    ucomisd(xmm0, modulus);
    jae(tooSmall);
    L(sign);
    movq(xmm1, rax);
    andpd(xmm1, pooled(SignMaskOffset));
    orpd(xmm0, xmm1);
    jmp(done);
    L(tooBig);
    subsd(xmm1, pooled(OneOffset));
    jmp(again);
    L(tooSmall);
    addsd(xmm1, pooled(OneOffset));
    L(again);
    movq(xmm0, rax);
    andpd(xmm0, pooled(AbsMaskOffset));
    vfnmadd231sd(xmm0, xmm1, modulus);
    jmp(sign);
    L(slow);
    movq(xmm0, rax);
    loadNumber(xmm1, k);
    callRow(modRow, true, failed);
    L(done);
}

// acc := acc ^ 0.5 (formulaHalfPower): the square root plus +0, which
// makes -0 +0; below zero, +inf for -inf and EDOM for the rest.
void Assembler::emitHalfPower(Xbyak::Label &failedDomain) {
    Xbyak::Label negative, done;
    xorpd(xmm1, xmm1);
    ucomisd(xmm1, xmm0); // 0 > x, ordered: below zero, -0 and NaN excepted
    ja(negative);
    sqrtsd(xmm0, xmm0);
    addsd(xmm0, xmm1);
    jmp(done);
    L(negative);
    ucomisd(xmm0, pooled(MinusInfinityOffset));
    jne(failedDomain);
    movsd(xmm0, pooled(InfinityOffset));
    L(done);
}

#endif
