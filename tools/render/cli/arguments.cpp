// tonalix-render's command line: see arguments.h.
//
// The command line is read in one pass against the option rows; then the
// mode is picked from the modes whose options it holds, and every option it
// holds must be one the mode takes.  A mode's option the mode does not take,
// or one of the options of writing samples, is refused with what the mode
// does instead ("--measure plays and records and writes no samples; leave
// out -o"); any other is refused with the modes that take it ("--json goes
// with --analyze or --measure").
#include "tools/render/cli/arguments.h"

#include <cmath>
#include <cstring>

#include "tools/render/cli/optionValues.h"
#include "tools/render/cli/printable.h"
#include "tools/render/common/channelNames.h"
#include "tools/render/measure/limits.h"

namespace {

FILE *messages; // where usage errors go

// Reports a usage error and returns 2.
int usageError(const std::string &message) {
    std::fprintf(messages, "tonalix-render: %s\n(tonalix-render --help describes the usage)\n", message.c_str());
    return 2;
}

// Returns seconds as a message shows them.
std::string secondsText(uint64_t samples, uint32_t rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", (double)samples / rate);
    return text;
}

struct OptionRow {
    OptionName option;
    const char *name;
    const char *value; // what its value is, for "needs a value"; null: it takes none
    int repeats;       // 1: it may come more than once
    OptionName needs;  // an option it goes with in every mode, or OptionNone
};

// clang-format off
const OptionRow optionRows[] = {
    {OptionEnd,     "--",        nullptr,                                   1, OptionNone},
    {OptionHelp,    "--help",    nullptr,                                   1, OptionNone},
    {OptionSeconds, "--seconds", "a value",                                 0, OptionNone},
    {OptionSamples, "--samples", "a value",                                 0, OptionNone},
    {OptionOutput,  "-o",        "a file name (or - for standard output)",  0, OptionNone},
    {OptionPlay,    "--play",    nullptr,                                   1, OptionNone},
    {OptionStart,   "--start",   "a number of seconds",                     0, OptionNone},
    {OptionFormat,  "--format",  "s16, s24 or f32",                         0, OptionNone},
    {OptionRate,    "--rate",    "a number of samples per second",          0, OptionNone},
    {OptionFade,    "--fade",    "a number of milliseconds",                0, OptionNone},
    {OptionAnalyze, "--analyze", nullptr,                                   1, OptionNone},
    {OptionJson,    "--json",    nullptr,                                   1, OptionNone},
    {OptionPlot,    "--plot",    "a file name",                             0, OptionNone},
    {OptionSize,    "--size",    "a size WxH",                              0, OptionPlot},
    {OptionMeasure, "--measure", nullptr,                                   1, OptionNone},
    {OptionLimit,   "--limit",   "a condition KEY<=NUMBER or KEY>=NUMBER",  1, OptionNone},
    {OptionInputChannels, "--input-channels", "a number of channels",       0, OptionNone},
    {OptionListDevices, "--list-devices", nullptr,                          1, OptionNone},
    {OptionDevice,  "--device",  "a device name (tonalix-render --list-devices lists them)", 0, OptionNone},
    {OptionInputDevice, "--input-device", "a device name (tonalix-render --list-devices lists them)", 0, OptionNone},
};
// clang-format on
static_assert(sizeof optionRows / sizeof optionRows[0] == OptionCount, "a row for every option");

// Returns the row of argument, or null.
const OptionRow *optionNamed(const std::string &argument) {
    for (const OptionRow &row : optionRows)
        if (argument == row.name) return &row;
    return nullptr;
}

// Returns the row of option.
const OptionRow &rowOf(OptionName option) { return optionRows[option]; }

// Returns the options of modes that picks a mode, given or not.
OptionSet modeOptions(const RenderModes &modes) {
    OptionSet set = 0;
    for (size_t i = 0; i < modes.count; i++)
        if (modes.rows[i].option != OptionNone) set |= optionBit(modes.rows[i].option);
    return set;
}

// Returns the mode that given asks for: of the modes whose options it holds,
// the one that takes all their options (--analyze takes --plot), else the
// first; with none of them, the mode of no option.  Null when modes has none.
const RenderMode *pickMode(const RenderModes &modes, OptionSet given) {
    const OptionSet asked = given & modeOptions(modes);
    const RenderMode *first = nullptr, *plain = nullptr;
    for (size_t i = 0; i < modes.count; i++) {
        const RenderMode *mode = &modes.rows[i];
        if (mode->option == OptionNone) {
            if (!plain) plain = mode;
            continue;
        }
        if (!(asked & optionBit(mode->option))) continue;
        if ((asked & ~mode->takes) == 0) return mode;
        if (!first) first = mode;
    }
    return first ? first : plain;
}

// Returns "--a", "--a or --b", "--a, --b or --c": the options of the modes
// that take option.
std::string modesTaking(const RenderModes &modes, OptionName option) {
    std::vector<const char *> names;
    for (size_t i = 0; i < modes.count; i++)
        if (modes.rows[i].option != OptionNone && (modes.rows[i].takes & optionBit(option)))
            names.push_back(rowOf(modes.rows[i].option).name);
    std::string text;
    for (size_t i = 0; i < names.size(); i++)
        text += std::string(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

// Returns a usage error for an option the picked mode does not take, or
// one that needs another option not given, else -1.
int checkModeOptions(const RenderModes &modes, const RenderOptions *o) {
    const RenderMode *mode = o->mode;
    OptionSet writing = 0; // the options of the mode of no option
    for (size_t i = 0; i < modes.count; i++)
        if (modes.rows[i].option == OptionNone) writing |= modes.rows[i].takes;
    const OptionSet refused = writing | modeOptions(modes);
    for (int n = 0; n < OptionCount; n++) {
        const OptionRow &row = rowOf((OptionName)n);
        if (isGiven(*o, row.option) && row.needs != OptionNone && !isGiven(*o, row.needs))
            return usageError(std::string(row.name) + " goes with " + rowOf(row.needs).name);
    }
    for (int n = 0; n < OptionCount; n++) {
        const OptionRow &row = rowOf((OptionName)n);
        if (!isGiven(*o, row.option) || (mode->takes & optionBit(row.option))) continue;
        if (mode->does && (refused & optionBit(row.option)))
            return usageError(std::string(rowOf(mode->option).name) + " " + mode->does + "; leave out " + row.name);
        return usageError(std::string(row.name) + " goes with " + modesTaking(modes, row.option));
    }
    if (o->kind == OutputFlac && !outputKinds[OutputFlac].takesFloat && o->format == FormatF32)
        return usageError("a FLAC file holds whole-number samples only: give --format s16 or s24 for " +
                          printableText(o->output));
    return -1;
}

// Returns a usage error for a span, an output or a fade that cannot be, else -1.
int checkLengths(const RenderOptions *o) {
    if (o->start >= o->samples)
        return usageError("--start is not before the end of the render at " + secondsText(o->samples, renderRate) +
                          " s (--seconds and --samples count from t = 0)");
    const SampleFormatRow &format = sampleFormats[o->format];
    const OutputKindRow &kind = outputKinds[o->kind];
    uint64_t written = writtenSamples(*o);
    const uint64_t most = (kind.limit - wavOverhead(o->channels, o->format)) / (format.bytes * o->channels);
    if (kind.limit != UINT64_MAX && written > most)
        return usageError("the span is too long for a " + std::string(kind.name) + " file of " + format.shown +
                          " samples (at most " + std::to_string((unsigned long long)most) + " samples)");
    if (2 * fadeSamples(*o) > written) {
        char ms[32];
        std::snprintf(ms, sizeof ms, "%.6g", o->fadeMs);
        return usageError(std::string("--fade ") + ms + " ms is longer than half the span (" +
                          secondsText(written * 500, o->rate) + " ms)");
    }
    return -1;
}

} // namespace

uint64_t spanSamples(const RenderOptions &o) { return o.samples > o.start ? o.samples - o.start : 0; }

uint64_t writtenSamples(const RenderOptions &o) {
    uint64_t span = spanSamples(o);
    if (o.rate == renderRate) return span;
    return (uint64_t)std::llround((double)span * o.rate / renderRate);
}

uint64_t fadeSamples(const RenderOptions &o) {
    double ramp = std::round(o.fadeMs * o.rate / 1000.0);
    return ramp > 1e18 ? (uint64_t)1e18 : (uint64_t)ramp;
}

int parseRenderArguments(int argc, char **argv, const RenderModes &modes, RenderOptions *options, FILE *out,
                         FILE *err) {
    messages = err;
    int endOfOptions = 0;
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        const OptionRow *row = endOfOptions ? nullptr : optionNamed(argument);
        if (!row) {
            if (!endOfOptions && argument.size() > 1 && argument[0] == '-' &&
                argument.find_first_of("0123456789.(") != 1)
                return usageError("unknown option '" + printableText(argument) +
                                  "' (put -- before a formula that begins with -)");
            if (options->formulas.size() == maxChannels)
                return usageError("give at most " + std::to_string(maxChannels) +
                                  " formulas, one a channel (quote each that holds blanks)");
            if (!options->formula) options->formula = argv[i];
            options->formulas.push_back(argv[i]);
            continue;
        }
        const char *value = nullptr;
        if (row->value) {
            if (i + 1 >= argc) return usageError(argument + " needs " + row->value);
            value = argv[++i];
        }
        const int again = isGiven(*options, row->option);
        if (again && row->option != OptionSeconds && row->option != OptionSamples && !row->repeats)
            return usageError("give " + argument + " only once");
        options->given |= optionBit(row->option);
        std::string why;
        int ok = 1;
        switch (row->option) {
        case OptionNone:
        case OptionCount:
        case OptionPlay:
        case OptionAnalyze:
        case OptionJson:
        case OptionMeasure:
        case OptionListDevices:
            break;
        case OptionDevice:
        case OptionInputDevice:
            if (!*value) return usageError(argument + " needs a device name");
            (row->option == OptionDevice ? options->device : options->inputDevice) = value;
            break;
        case OptionEnd:
            endOfOptions = 1;
            break;
        case OptionHelp:
            printRenderHelp(out, modes);
            return 0;
        case OptionSeconds:
        case OptionSamples:
            if (again || isGiven(*options, row->option == OptionSeconds ? OptionSamples : OptionSeconds))
                return usageError("give only one of --seconds and --samples, once");
            ok = row->option == OptionSeconds ? parseSeconds(value, &options->samples, &why)
                                              : parseSamples(value, &options->samples, &why);
            break;
        case OptionOutput:
            options->output = value;
            if (options->output.empty()) return usageError("-o needs a file name (or - for standard output)");
            options->kind = outputKindOf(options->output);
            break;
        case OptionStart:
            ok = parseStart(value, &options->start, &why);
            break;
        case OptionFormat:
            ok = parseFormat(value, &options->format, &why);
            break;
        case OptionRate:
            ok = parseRate(value, &options->rate, &why);
            break;
        case OptionFade:
            ok = parseFade(value, &options->fadeMs, &why);
            break;
        case OptionPlot:
            options->plot = value;
            if (options->plot.empty()) return usageError("--plot needs a file name");
            break;
        case OptionLimit:
            why = checkLimit(value);
            ok = why.empty();
            options->limits.push_back(value);
            break;
        case OptionSize:
            ok = parseSize(value, &options->width, &options->height, &why);
            break;
        case OptionInputChannels:
            ok = parseChannelCount(value, &options->inputChannels, &why);
            break;
        }
        if (!ok) return usageError(argument + " '" + printableText(value) + "' " + why);
    }
    options->mode = pickMode(modes, options->given);
    if (!options->mode) return usageError("no mode to run");
    if (!options->mode->formulas && options->formula)
        return usageError(std::string(rowOf(options->mode->option).name) + " takes no formula; leave out '" +
                          printableText(options->formula) + "'");
    if (!options->mode->formulas) return checkModeOptions(modes, options);
    if (!options->formula) return usageError("no formula given");
    options->channels = (unsigned)options->formulas.size();
    for (unsigned c = 0; c < options->channels; c++) {
        if (*options->formulas[c]) continue;
        if (options->channels == 1) return usageError("the formula is empty");
        return usageError("formula " + std::to_string(c + 1) + " of " + std::to_string(options->channels) + ", " +
                          channelName(c, options->channels) + ", is empty");
    }
    int refused = checkModeOptions(modes, options);
    if (refused < 0) refused = checkLengths(options);
    return refused;
}
