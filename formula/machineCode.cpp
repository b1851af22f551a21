// The machine-code form's life: whether it is made, the code memory that
// holds it, and the entries that evaluateFormula and runSampleLoop call.
// machineEmitter.cpp assembles it.
#include "formula/machineCode.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#endif

#include "formula/engine.h"
#include "formula/machineEmitter.h"
#include "formula/machineFrame.h"
#include "platform/codeMemory.h"

double (*machineEvaluate)(int *errnoAddress) = nullptr;

namespace {

int enabled = -1; // -1: the environment has not been read yet
void (*machineSampleLoop)(SampleRun *run, int *errnoAddress) = nullptr;

// errno's address for this thread: reading errno costs a library call each
// time, this costs a load.
thread_local int *errnoAddress = nullptr;

#if defined(__x86_64__) || defined(_M_X64)
// MXCSR as every thread starts: all exceptions masked, round to nearest, no
// flush to zero and no denormals-are-zero.  The machine code's inline "%"
// is exact only there (machineEmitter.cpp).
constexpr unsigned DefaultMxcsr = 0x1F80;
constexpr unsigned MxcsrModeBits = 0xFFC0; // all but the sticky exception flags

// Returns whether the thread's floating-point mode is the default one.
bool defaultFloatingPointMode() { return (_mm_getcsr() & MxcsrModeBits) == DefaultMxcsr; }

// Clears the upper halves of the vector registers; changes nothing else.
// Code outside the engine (in the window's process) leaves them dirty, and
// then every switch between the interpreter's SSE code and the C library's
// VEX code costs tens of cycles: a buffer took several times as long.  The
// machine code clears them itself at entry.
__attribute__((target("avx"))) void clearUpperHalves() { _mm256_zeroupper(); }
void cleanVectorState() {
    if (hasAvx()) clearUpperHalves();
}
#else
bool defaultFloatingPointMode() { return true; }
void cleanVectorState() {}
#endif

} // namespace

int *threadErrnoAddress() {
    if (errnoAddress == nullptr) errnoAddress = &errno;
    return errnoAddress;
}

int machineCodeEnabled() {
    if (enabled < 0) {
        const char *setting = std::getenv("TONALIX_JIT");
        enabled = !(setting != nullptr && std::strcmp(setting, "0") == 0);
    }
    return enabled;
}

void setMachineCodeEnabled(int on) { enabled = on ? 1 : 0; }

void discardMachineCode() {
    machineEvaluate = nullptr;
    machineSampleLoop = nullptr;
}

void useMachineCode(const KeptMachineCode *kept) {
    machineEvaluate = kept->evaluate;
    machineSampleLoop = kept->sampleLoop;
}

int runSampleLoop(SampleRun *run) {
    // Another rounding mode, or flushing to zero, would make the machine
    // code's inline remainder differ from the C library's: the caller's
    // interpreter runs this buffer instead.
    if (machineSampleLoop == nullptr || formulaStatus != FormulaReady || !defaultFloatingPointMode()) {
        cleanVectorState(); // for the caller's interpreter
        return 0;
    }
    // Each sample ends by setting t, which clears a failure of its own
    // evaluation: with the status at FormulaReady before the loop, it is at
    // FormulaReady after every sample, and the loop never has to write it.
    machineSampleLoop(run, threadErrnoAddress());
    return 1;
}

#if !(defined(__x86_64__) || defined(_M_X64)) // machineCodeAvailable is false

int buildMachineCode(const Instruction *, unsigned) { return 0; }

void keepMachineCode(KeptMachineCode *kept) {
    kept->evaluate = nullptr;
    kept->sampleLoop = nullptr;
}

#else

namespace {

constexpr size_t CodeBytes = 256 * 1024; // both routines and their numbers

void *codeBlock = nullptr; // allocated at the first build, kept for the run
int codeBlockRefused = 0;  // the system refused code memory: never ask again
int codeBlockExecutable = 0;

} // namespace

void keepMachineCode(KeptMachineCode *kept) {
    const int ownCode = machineEvaluate != nullptr && machineEvaluate == reinterpret_cast<double (*)(int *)>(codeBlock);
    if (!ownCode) {
        kept->evaluate = nullptr;
        kept->sampleLoop = nullptr;
        return;
    }
    void *const given = kept->block;
    kept->block = codeBlock;
    kept->evaluate = machineEvaluate;
    kept->sampleLoop = machineSampleLoop;
    // The block given back was made executable when it was built.
    codeBlock = given;
    codeBlockExecutable = given != nullptr;
}

int buildMachineCode(const Instruction *code, unsigned length) {
    discardMachineCode();
    if (!machineCodeEnabled() || codeBlockRefused) return 0;
    if (codeBlock == nullptr) {
        codeBlock = allocateCodeMemory(CodeBytes);
        if (codeBlock == nullptr) {
            codeBlockRefused = 1;
            return 0;
        }
    } else if (codeBlockExecutable) {
        if (!makeCodeWritable(codeBlock, CodeBytes)) return 0;
        codeBlockExecutable = 0;
    }
    size_t loopOffset = 0;
    if (!assembleMachineCode(codeBlock, CodeBytes, code, length, &loopOffset)) return 0;
    // The whole block changes at once: protecting only the pages written would
    // split the mapping in two at every build and merge it at the next.
    if (!makeCodeExecutable(codeBlock, CodeBytes)) {
        codeBlockRefused = 1; // a system that forbids it once forbids it always
        return 0;
    }
    codeBlockExecutable = 1;
    machineEvaluate = reinterpret_cast<double (*)(int *)>(codeBlock);
    machineSampleLoop = reinterpret_cast<void (*)(SampleRun *, int *)>(static_cast<char *>(codeBlock) + loopOffset);
    return 1;
}

#endif
