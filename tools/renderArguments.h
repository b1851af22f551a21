// tonalix-render's command line: the options, their checks and the usage
// text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/renderOutput.h"

struct RenderOptions {
    uint64_t samples = renderRate; // one second unless told
    int timeGiven = 0;             // 1 after --seconds or --samples
    std::string output;            // empty: standard output
    int outputGiven = 0;
    int play = 0;
    const char *formula = nullptr; // one of argv
};

// Fills options from the command line.  Returns -1 when a render can go on,
// 0 after printing the usage text on out (--help), or 2 after a usage error
// on err.
int parseRenderArguments(int argc, char **argv, RenderOptions *options, FILE *out, FILE *err);
