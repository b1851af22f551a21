// The emitter of the machine-code form: it turns the evaluation form,
// instruction by instruction, into a few x86-64 instructions each (from the
// building blocks of machineAssembler.cpp) in one block that holds two
// routines:
//
// - evaluate: one evaluation, for evaluateFormula;
// - the sample loop: a whole buffer of the sample generator's steps, for
//   runSampleLoop.
//
// Registers, in both routines:
//
//   xmm0        the accumulator; the argument and result of every call
//   xmm1        scratch; the right operand of "%" and "^"
//   xmm2-xmm13  the stack of pending values, slot 0 first (callingSlots, leafSlots)
//   xmm14/15    t and the sample period in the loop, when kept in registers
//   rbx         the variables a to z (a scratch register in a routine without a frame)
//   r12         errno's address, the routines' last argument (that argument's
//               own register in a routine without a frame)
//   r13, r14    the next output sample and the samples left, in the loop
//   r15         the SampleRun, in the loop
//
// The frame, from rsp up:
//
//   +---------------+-------------------------+--------------+--------------+
//   | shadow space  | slot homes, 8 bytes per | t and period | saved        |
//   | (Win64: 32 B) | pending value, slot 0   | (loop, when  | xmm6-xmm15   |
//   |               | first                   | not in regs) | (Win64 only) |
//   +---------------+-------------------------+--------------+--------------+
//
// A pending value whose register a call would clobber is stored in its home
// before the call and used from there. System V clobbers every xmm register
// in a call; the Windows x64 convention keeps xmm6-xmm15, which a routine
// must save and restore itself.
//
// The semantics are the evaluation form's, token for token: library calls go
// through operatorTable and functionRows with errno cleared before and
// tested after, through its address, which each routine takes as its last
// argument: errno is the calling thread's own, and the code runs on any.
// Calls are replaced by instructions only where the result and the failure
// are the same: floor, ceil and abs never fail, and sqrt fails exactly for an
// argument below zero (EDOM), also on Windows, whose table follows the same
// rule.  x^2, x^(-1) and x^0.5 are formulaSquare, formulaReciprocal and
// formulaHalfPower, inline.
#include "formula/machineEmitter.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "formula/engine.h"
#include "formula/library.h"
#include "formula/machineAssembler.h"

namespace {

// The integer argument registers and the scratch register that a routine
// without a frame keeps the variables in.  errno's address is an argument,
// not a constant of the code: errno is the calling thread's own, and the
// code may run on any thread.
#ifdef _WIN32
const Xbyak::Reg64 FirstArgument(Xbyak::Operand::RCX), SecondArgument(Xbyak::Operand::RDX);
const Xbyak::Reg64 FramelessVariables(Xbyak::Operand::RDX);
#else
const Xbyak::Reg64 FirstArgument(Xbyak::Operand::RDI), SecondArgument(Xbyak::Operand::RSI);
const Xbyak::Reg64 FramelessVariables(Xbyak::Operand::RCX);
#endif

class Emitter : public Assembler {
public:
    Emitter(void *block, size_t size) : Assembler(block, size) {}

    // Emits the routine of one evaluation, for machineEvaluate.
    void emitEvaluate(const Instruction *code, unsigned length) {
        clearUpperHalves();
        if (endsInTailCall(code, length)) return emitTailCallEvaluate(code, length);
        Frame f;
        planFrame(f, code, length, 2, false, false);
        frame = &f;
        const bool frameless = !f.calls && f.depth <= f.slotRegisters && f.savedCount == 0;
        if (frameless) {
            vars = FramelessVariables;
            err = FirstArgument;
        } else {
            push(rbx);
            push(r12);
            vars = rbx;
            err = r12;
            mov(err, FirstArgument);
            enterFrame(f);
        }
        mov(vars, reinterpret_cast<size_t>(variableTable.value));
        Xbyak::Label done, failed, failedDomain, failedRange;
        emitBody(code, length, failed, failedDomain, failedRange);
        L(done);
        if (!frameless) {
            leaveFrame(f);
            pop(r12);
            pop(rbx);
        }
        ret();
        emitFailures(done, failed, failedDomain, failedRange);
    }

    // Returns whether the program's one call is its last instruction, sin, cos
    // or tan of what the rest computes with nothing pending: every pure tone.
    static bool endsInTailCall(const Instruction *code, unsigned length) {
        if (length < 2 || code[length - 1].op != OpFuncFiniteEnd) return false;
        unsigned depth = 0;
        for (unsigned i = 0; i + 1 < length; ++i) {
            if (callsOut(code[i])) return false;
            if (opTraits[code[i].op].pushes) ++depth;
        }
        return depth == 0;
    }

    // The evaluate routine of a program that endsInTailCall: no frame, and for
    // a finite argument the function is jumped to, so that it returns straight
    // to the caller. Only an argument that may make it fail (an infinite one)
    // takes a frame for a call with errno cleared and tested.
    void emitTailCallEvaluate(const Instruction *code, unsigned length) {
        Frame f; // nothing pending, nothing saved: no frame
        frame = &f;
        vars = FramelessVariables;
        err = FirstArgument;
        mov(vars, reinterpret_cast<size_t>(variableTable.value));
        Xbyak::Label done, failed, failedDomain, failedRange, notFinite;
        emitBody(code, length - 1, failed, failedDomain, failedRange);
        const void *row = &functionRows[code[length - 1].index].call;
        movq(rax, xmm0);
        add(rax, rax);
        mov(r11, NonFiniteTwice);
        cmp(rax, r11);
        jae(notFinite);
        mov(rax, reinterpret_cast<size_t>(finiteArgumentRow(code[length - 1].index)));
        jmp(qword[rax]);
        L(notFinite);
        // errno's address is kept across the call in the 8 bytes that bring
        // rsp to a multiple of 16 for it.
        mov(dword[err], 0);
        push(err);
        if (ShadowBytes > 0) sub(rsp, ShadowBytes);
        mov(rax, reinterpret_cast<size_t>(row));
        call(qword[rax]);
        if (ShadowBytes > 0) add(rsp, ShadowBytes);
        pop(rax);
        cmp(dword[rax], 0);
        jne(failed);
        L(done);
        ret();
        // the body's own failures come before the call, with err still in its register;
        // after the call only `failed` is taken
        emitFailures(done, failed, failedDomain, failedRange);
    }

    // Emits the failure exits of an evaluate routine: errno set to ERANGE or
    // EDOM (through `err`), the status marked failed, 0.0 returned via `done`.
    void emitFailures(Xbyak::Label &done, Xbyak::Label &failed, Xbyak::Label &failedDomain, Xbyak::Label &failedRange) {
        L(failedRange);
        mov(dword[err], ERANGE);
        jmp(failed);
        L(failedDomain);
        mov(dword[err], EDOM);
        L(failed);
        mov(rax, reinterpret_cast<size_t>(&formulaStatus));
        mov(dword[rax], FormulaEvalFailed);
        xorpd(xmm0, xmm0);
        jmp(done);
    }

    // Emits the sample loop, for machineSampleLoop: its arguments are the
    // SampleRun and errno's address.
    void emitSampleLoop(const Instruction *code, unsigned length) {
        clearUpperHalves();
        Frame f;
        bool calls = false;
        for (unsigned i = 0; i < length; ++i)
            calls = calls || callsOut(code[i]);
#ifdef _WIN32
        const bool clockInFrame = false; // xmm14 and xmm15 survive calls
#else
        const bool clockInFrame = calls;
#endif
        planFrame(f, code, length, 5, true, clockInFrame);
        frame = &f;
        push(rbx);
        push(r12);
        push(r13);
        push(r14);
        push(r15);
        enterFrame(f);
        mov(r15, FirstArgument);
        vars = rbx;
        err = r12;
        mov(err, SecondArgument);
        mov(vars, reinterpret_cast<size_t>(variableTable.value));
        mov(r13, qword[r15 + offsetof(SampleRun, out)]);
        mov(r14, qword[r15 + offsetof(SampleRun, count)]);
        const Xbyak::Xmm clock(ClockXmm), period(PeriodXmm);
        const Xbyak::Address clockHome = qword[rsp + f.clockOffset], periodHome = qword[rsp + f.clockOffset + 8];
        const Xbyak::Address t = qword[vars + 8 * VariableT], lastTime = qword[r15 + offsetof(SampleRun, lastTime)];
        if (clockInFrame) {
            movsd(xmm1, t);
            movsd(clockHome, xmm1);
            movsd(xmm1, qword[r15 + offsetof(SampleRun, period)]);
            movsd(periodHome, xmm1);
        } else {
            movsd(clock, t);
            movsd(period, qword[r15 + offsetof(SampleRun, period)]);
        }
        Xbyak::Label loop, sampleDone, failed, failedDomain, failedRange, finished;
        test(r14, r14);
        jle(finished);
        align(16);
        L(loop);
        if (clockInFrame) {
            movsd(xmm1, clockHome);
            movsd(lastTime, xmm1);
        } else {
            movsd(lastTime, clock);
        }
        emitBody(code, length, failed, failedDomain, failedRange);
        L(sampleDone);
        // t := period + the t read, whatever the formula assigned to t
        if (clockInFrame) {
            movsd(xmm1, clockHome);
            addsd(xmm1, periodHome);
            movsd(clockHome, xmm1);
            movsd(t, xmm1);
        } else {
            addsd(clock, period);
            movsd(t, clock);
        }
        // limitSample's rule (audio/synthesis.h): above 1 is 1; below -1 and
        // NaN are -1 (maxsd gives its second operand for a NaN); then scale
        // and truncate.
        maxsd(xmm0, pooled(MinusOneOffset));
        minsd(xmm0, pooled(OneOffset));
        mulsd(xmm0, pooled(FullScaleOffset));
        cvttsd2si(eax, xmm0);
        mov(word[r13], ax);
        add(r13, 2);
        sub(r14, 1);
        jnz(loop);
        L(finished);
        leaveFrame(f);
        pop(r15);
        pop(r14);
        pop(r13);
        pop(r12);
        pop(rbx);
        ret();
        L(failedRange);
        mov(dword[err], ERANGE);
        jmp(failed);
        L(failedDomain);
        mov(dword[err], EDOM);
        L(failed); // a failing sample is 0; the status needs no change (runSampleLoop)
        xorpd(xmm0, xmm0);
        jmp(sampleDone);
    }

    // Emits the number pool that both routines read.
private:
    // Clears the upper halves of the vector registers where the processor
    // has them.  Code the routines never see, such as a window toolkit's
    // drawing, can leave them dirty; every legacy-SSE instruction then pays
    // for the merge (and every switch to the library's VEX code), which made
    // a sample of the start formula cost ten times as much in the window as
    // in tonalix-render.  Cleared at entry, they stay clean for the call.
    void clearUpperHalves() {
        if (hasAvx()) vzeroupper();
    }

    // Emits the program, leaving its value in xmm0; a failure jumps to
    // `failed`, or to `failedDomain` or `failedRange` where errno must first be
    // set to EDOM or ERANGE.
    void emitBody(const Instruction *code, unsigned length, Xbyak::Label &failed, Xbyak::Label &failedDomain,
                  Xbyak::Label &failedRange) {
        depth = 0;
        if (code[0].op == OpEnd) xorpd(xmm0, xmm0); // the empty program's value
        const void *modRow = &operatorTable[tokenArgument(TK_MOD)];
        const void *powRow = &operatorTable[tokenArgument(TK_POW)];
        using Arithmetic = void (Xbyak::CodeGenerator::*)(const Xbyak::Xmm &, const Xbyak::Operand &);
        const Arithmetic subtract = &Xbyak::CodeGenerator::subsd, divide = &Xbyak::CodeGenerator::divsd;
        for (unsigned i = 0; i < length; ++i) {
            const Instruction &in = code[i];
            switch (in.op) {
            case OpEnd:
                break;
            case OpFail:
                jmp(failedDomain);
                break;
            case OpLoadK:
                loadNumber(xmm0, in.k);
                break;
            case OpLoadV:
                movsd(xmm0, variable(in.index));
                break;
            case OpPushK:
                pushAccumulator();
                loadNumber(xmm0, in.k);
                break;
            case OpPushV:
                pushAccumulator();
                movsd(xmm0, variable(in.index));
                break;
            case OpNeg:
                xorpd(xmm0, pooled(SignMaskOffset));
                break;
            case OpAssign:
                movsd(variable(in.index), xmm0);
                break;
            case OpFunc:
            case OpFuncQuiet:
            case OpFuncFinite:
            case OpFloor:
            case OpFuncEnd:
            case OpFuncFiniteEnd:
                emitFunction(in, failed, failedDomain);
                break;

            case OpAddK:
                addsd(xmm0, number(in.k));
                break;
            case OpAddV:
                addsd(xmm0, variable(in.index));
                break;
            case OpAddS:
                addsd(xmm0, popPending());
                break;
            case OpSubK:
                subsd(xmm0, number(in.k));
                break;
            case OpSubV:
                subsd(xmm0, variable(in.index));
                break;
            case OpSubS:
                reversed(subtract, popPending());
                break;
            case OpRSubK:
                reversed(subtract, number(in.k));
                break;
            case OpRSubV:
                reversed(subtract, variable(in.index));
                break;
            case OpMulK:
                mulsd(xmm0, number(in.k));
                break;
            case OpMulV:
                mulsd(xmm0, variable(in.index));
                break;
            case OpMulS:
                mulsd(xmm0, popPending());
                break;

            // The emitter has ruled out a zero or NaN number as a divisor.
            case OpDivK:
                divsd(xmm0, number(in.k));
                break;
            case OpDivV:
                checkDivisor(variable(in.index), failedDomain);
                divsd(xmm0, variable(in.index));
                break;
            case OpDivS:
                checkDivisor(xmm0, failedDomain);
                reversed(divide, popPending());
                break;
            case OpRDivK:
                checkDivisor(xmm0, failedDomain);
                reversed(divide, number(in.k));
                break;
            case OpRDivV:
                checkDivisor(xmm0, failedDomain);
                reversed(divide, variable(in.index));
                break;

            case OpModK:
                emitRemainderByNumber(in.k, modRow, failed);
                break;
            case OpPowK:
                loadNumber(xmm1, in.k);
                callOperator(powRow, failed);
                break;
            case OpModV:
            case OpPowV:
                movsd(xmm1, variable(in.index));
                callOperator(in.op == OpModV ? modRow : powRow, failed);
                break;
            case OpModS:
            case OpPowS:
                movapd(xmm1, xmm0);
                load(xmm0, popPending());
                callOperator(in.op == OpModS ? modRow : powRow, failed);
                break;
            case OpRModK:
            case OpRPowK:
                movapd(xmm1, xmm0);
                loadNumber(xmm0, in.k);
                callOperator(in.op == OpRModK ? modRow : powRow, failed);
                break;
            case OpRModV:
            case OpRPowV:
                movapd(xmm1, xmm0);
                movsd(xmm0, variable(in.index));
                callOperator(in.op == OpRModV ? modRow : powRow, failed);
                break;

            case OpLoadVAddK:
                movsd(xmm0, variable(in.index));
                addsd(xmm0, number(in.k));
                break;
            case OpLoadVSubK:
                movsd(xmm0, variable(in.index));
                subsd(xmm0, number(in.k));
                break;
            case OpLoadVMulK:
                movsd(xmm0, variable(in.index));
                mulsd(xmm0, number(in.k));
                break;
            case OpSquare:
                emitSquare(failedRange);
                break;
            case OpReciprocal:
                emitReciprocal(failedRange);
                break;
            case OpHalfPower:
                emitHalfPower(failedDomain);
                break;
            default:
                Xbyak::local::SetError(Xbyak::ERR_INTERNAL);
                break; // an instruction without machine code
            }
        }
    }
};

} // namespace

int assembleMachineCode(void *block, size_t size, const Instruction *code, unsigned length, size_t *loopOffset) {
    Xbyak::ClearError();
    {
        Emitter e(block, size);
        e.emitEvaluate(code, length);
        e.align(16);
        *loopOffset = e.getSize();
        e.emitSampleLoop(code, length);
        e.emitPool();
        if (e.hasUndefinedLabel()) return 0;
    }
    return Xbyak::GetError() == 0; // 0: too big for the block, or no code for an instruction
}

#endif
