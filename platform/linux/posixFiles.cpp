// Files on Linux: a UTF-8 path is the path itself.
#include "platform/files.h"

FILE *openFile(const char *path, const char *mode) { return fopen(path, mode); }
