// The machine-code form's life: whether it is made, the code memory that
// holds it, and the entries that evaluateFormula and runSampleLoop call.
// machineEmitter.cpp assembles it.
#include "formula/machineCode.h"

#include <cstdlib>
#include <cstring>

#include "formula/engine.h"
#include "formula/machineEmitter.h"
#include "platform/codeMemory.h"

double (*machineEvaluate)() = nullptr;

namespace {

int enabled = -1; // -1: the environment has not been read yet
void (*machineSampleLoop)(SampleRun *) = nullptr;

} // namespace

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

int runSampleLoop(SampleRun *run) {
    if (machineSampleLoop == nullptr || formulaStatus != FormulaReady) return 0;
    // Each sample ends by setting t, which clears a failure of its own
    // evaluation: with the status at FormulaReady before the loop, it is at
    // FormulaReady after every sample, and the loop never has to write it.
    machineSampleLoop(run);
    return 1;
}

#if !(defined(__x86_64__) || defined(_M_X64)) // machineCodeAvailable is false

int buildMachineCode(const Instruction *, unsigned) { return 0; }

#else

namespace {

constexpr size_t CodeBytes = 256 * 1024; // both routines and their numbers

void *codeBlock = nullptr; // allocated at the first build, kept for the run
int codeBlockRefused = 0;  // the system refused code memory: never ask again
int codeBlockExecutable = 0;

} // namespace

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
    machineEvaluate = reinterpret_cast<double (*)()>(codeBlock);
    machineSampleLoop = reinterpret_cast<void (*)(SampleRun *)>(static_cast<char *>(codeBlock) + loopOffset);
    return 1;
}

#endif
