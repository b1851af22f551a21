// tonalix-render's command line: the options, the modes they pick and take,
// and their checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/common/signal.h"
#include "tools/render/write/formats.h"

// The options, one row each of optionRows (arguments.cpp).
enum OptionName : int {
    OptionNone = -1, // a mode that no option picks
    OptionEnd,
    OptionHelp,
    OptionSeconds,
    OptionSamples,
    OptionOutput,
    OptionPlay,
    OptionStart,
    OptionFormat,
    OptionRate,
    OptionFade,
    OptionAnalyze,
    OptionJson,
    OptionPlot,
    OptionSize,
    OptionMeasure,
    OptionLimit,
    OptionInputChannels,
    OptionListDevices,
    OptionDevice,
    OptionInputDevice,
    OptionCount
};

typedef uint32_t OptionSet; // of optionBit()s
static_assert(OptionCount <= 32, "an option set holds every option");

// Returns the set that holds option alone.
constexpr OptionSet optionBit(OptionName option) { return (OptionSet)1 << option; }

struct RenderOptions;

// A mode of tonalix-render: one row of the mode table (main.cpp).
struct RenderMode {
    OptionName option; // the option that picks it; OptionNone for writing samples, the mode of no option
    const char *usage; // its usage after "tonalix-render "; each further line after a "\n"
    OptionSet takes;   // the options it takes
    int formulas;      // 1: it needs 1 to 8 formulas; 0: it takes none
    const char *does;  // what it does instead of writing samples, as refusals say it; null for writing them
    int (*run)(const RenderOptions &options); // runs it; returns the exit status
};

struct RenderModes {
    const RenderMode *rows;
    size_t count;
};

// The mode table (main.cpp).
extern const RenderModes renderModes;

struct RenderOptions {
    const RenderMode *mode = nullptr; // what the command line asks for
    OptionSet given = 0;              // the options the command line holds
    uint64_t samples = renderRate;    // where the render ends, counted from t = 0; one second unless told
    uint64_t start = 0;               // the span's first sample: nothing before it is written, drawn or measured
    std::string output;               // empty: standard output
    OutputKind kind = OutputRaw;      // from the output's name
    SampleFormat format = FormatS16;
    uint32_t rate = renderRate;         // of the samples written (or played and recorded by --measure)
    double fadeMs = 0;                  // the raised-cosine ramps at both ends of what is written
    std::vector<std::string> limits;    // --limit conditions, in order
    std::string plot;                   // the picture's file
    int width = 1200, height = 800;     // the picture's size
    const char *formula = nullptr;      // the first formula: one of argv
    std::vector<const char *> formulas; // every formula, one a channel in WAV's speaker order: of argv
    unsigned channels = 1;              // formulas.size()
    unsigned inputChannels = 0;         // the channels --measure records; 0: as many as the formulas
    const char *device = nullptr;       // the output device's name (--device), or null: the default; of argv
    const char *inputDevice = nullptr;  // the input device's name (--input-device), or null; of argv
};

// Returns 1 when the command line held option, else 0.
inline int isGiven(const RenderOptions &options, OptionName option) { return (options.given & optionBit(option)) != 0; }
// Returns the samples of the span: from options.start to options.samples.
uint64_t spanSamples(const RenderOptions &options);
// Returns the samples written: the span's, at options.rate.
uint64_t writtenSamples(const RenderOptions &options);
// Returns the samples of each of the fade's ramps, at options.rate.
uint64_t fadeSamples(const RenderOptions &options);
// Fills options from the command line, with options->mode the row of modes
// it asks for.  Returns -1 when the mode can run, 0 after printing the usage
// text on out (--help), or 2 after a usage error on err.
int parseRenderArguments(int argc, char **argv, const RenderModes &modes, RenderOptions *options, FILE *out, FILE *err);
// Writes the usage text to out: each mode's usage, then the options.
// Returns nothing.
void printRenderHelp(FILE *out, const RenderModes &modes);
