// Code memory on Windows: VirtualAlloc and VirtualProtect.
#include "platform/codeMemory.h"

#include <windows.h>

void *allocateCodeMemory(size_t size) { return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

int makeCodeExecutable(void *block, size_t size) {
    DWORD previous;
    if (!VirtualProtect(block, size, PAGE_EXECUTE_READ, &previous)) return 0;
    // x86 keeps its instruction cache coherent, but the system asks for this
    // call after code is written.
    FlushInstructionCache(GetCurrentProcess(), block, size);
    return 1;
}

int makeCodeWritable(void *block, size_t size) {
    DWORD previous;
    return VirtualProtect(block, size, PAGE_READWRITE, &previous) != 0;
}
