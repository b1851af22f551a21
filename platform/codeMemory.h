// Memory for machine code that the process writes itself.  A block is never
// writable and executable at once: it is written while read+write and turned
// read+execute before it runs, and back to read+write before it is written
// again.  Each platform implements these calls in one file
// (platform/linux/posixCodeMemory.cpp, platform/win32/win32CodeMemory.cpp).
// There is no fake: the tests use the backend of the platform they run on.
#pragma once

#include <cstddef>

// Returns a block of `size` bytes (a multiple of the page size), readable and
// writable and not executable, or null when the system refuses.
void *allocateCodeMemory(size_t size);

// Makes `block` readable and executable, and no longer writable.  Returns 1,
// or 0 when the system refuses (a hardened system may refuse executable
// memory that was ever writable); the block is then no longer executable.
int makeCodeExecutable(void *block, size_t size);

// Makes `block` readable and writable, and no longer executable.  Returns 1,
// or 0 when the system refuses.
int makeCodeWritable(void *block, size_t size);
