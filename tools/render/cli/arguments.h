// tonalix-render's command line: the options and their checks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/common/signal.h"
#include "tools/render/write/formats.h"

struct RenderOptions {
    uint64_t samples = renderRate; // where the render ends, counted from t = 0; one second unless told
    int timeGiven = 0;             // 1 after --seconds or --samples
    uint64_t start = 0;            // the span's first sample: nothing before it is written, drawn or measured
    int startGiven = 0;
    std::string output; // empty: standard output
    int outputGiven = 0;
    OutputKind kind = OutputRaw; // from the output's name
    SampleFormat format = FormatS16;
    int formatGiven = 0;
    uint32_t rate = renderRate; // of the samples written
    int rateGiven = 0;
    double fadeMs = 0; // the raised-cosine ramps at both ends of what is written
    int fadeGiven = 0;
    int play = 0;
    int analyze = 0, json = 0;
    int measure = 0;                 // --measure: play and record, and report what the sound path did
    std::vector<std::string> limits; // --limit conditions, in order
    std::string plot;                // the picture's file
    int plotGiven = 0;
    int width = 1200, height = 800; // the picture's size
    int sizeGiven = 0;
    const char *formula = nullptr; // one of argv
};

// Returns the samples of the span: from options.start to options.samples.
uint64_t spanSamples(const RenderOptions &options);
// Returns the samples written: the span's, at options.rate.
uint64_t writtenSamples(const RenderOptions &options);
// Returns the samples of each of the fade's ramps, at options.rate.
uint64_t fadeSamples(const RenderOptions &options);
// Fills options from the command line.  Returns -1 when a render can go on,
// 0 after printing the usage text on out (--help), or 2 after a usage error
// on err.
int parseRenderArguments(int argc, char **argv, RenderOptions *options, FILE *out, FILE *err);
// Writes the usage text, with the options this build lacks, to out.
void printRenderHelp(FILE *out);
