// Code memory on Linux: anonymous private pages and mprotect.
#include "platform/codeMemory.h"

#include <sys/mman.h>

void *allocateCodeMemory(size_t size) {
    void *block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

int makeCodeExecutable(void *block, size_t size) { return mprotect(block, size, PROT_READ | PROT_EXEC) == 0; }

int makeCodeWritable(void *block, size_t size) { return mprotect(block, size, PROT_READ | PROT_WRITE) == 0; }
