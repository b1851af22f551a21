// tonalix-render's command line: see arguments.h.
#include "tools/render/cli/arguments.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "tools/render/analyze/plot.h"
#include "tools/render/cli/printable.h"
#include "tools/render/measure/limits.h"

namespace {

FILE *messages; // where usage errors go

const unsigned long long lowestRate = 8000, highestRate = 192000; // --rate's range

// Reports a usage error and returns 2.
int usageError(const std::string &message) {
    std::fprintf(messages, "tonalix-render: %s\n(tonalix-render --help describes the usage)\n", message.c_str());
    return 2;
}

// Returns 1 after storing the sample count of a --seconds text in *samples;
// returns 0 for a malformed or out-of-range text, with *why set.
int parseSeconds(const char *text, uint64_t *samples, std::string *why) {
    // Plain decimal only: no hexadecimal, infinity or not-a-number spellings.
    if (!*text || std::strspn(text, "0123456789.eE+-") != std::strlen(text)) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    char *end = nullptr;
    errno = 0;
    double seconds = std::strtod(text, &end);
    if (*end != '\0' || end == text) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    double count = std::round(seconds * renderRate);
    if (seconds == 0 && errno == ERANGE && text[0] != '-') {
        *why = "is less than one sample (1/132300 s)"; // too small even for a double
        return 0;
    }
    if (!(seconds > 0)) {
        *why = "is not a positive number of seconds";
        return 0;
    }
    if (!(count >= 1)) {
        *why = "is less than one sample (1/132300 s)";
        return 0;
    }
    if (errno == ERANGE || count > (double)maxWavSamples) {
        *why = "is too long (at most 2147483629 samples, about 16232 s)";
        return 0;
    }
    *samples = (uint64_t)count;
    return 1;
}

// Returns 1 after storing a text of decimal digits alone in *value (the
// largest value when it is too large for one); 0 for any other text.
int parseWholeNumber(const char *text, unsigned long long *value) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return 0;
    *value = std::strtoull(text, nullptr, 10); // ULLONG_MAX when out of range
    return 1;
}

// Returns 1 after storing a --samples text in *samples; 0 otherwise, with
// *why set.
int parseSamples(const char *text, uint64_t *samples, std::string *why) {
    unsigned long long count = 0;
    if (!parseWholeNumber(text, &count)) {
        *why = "is not a whole number of samples";
        return 0;
    }
    if (count == 0) {
        *why = "is less than one sample";
        return 0;
    }
    if (count > maxWavSamples) {
        *why = "is too many (at most 2147483629 samples)";
        return 0;
    }
    *samples = count;
    return 1;
}

// Returns 1 after storing a plain decimal text (no hexadecimal, infinity or
// not-a-number spellings) in *value; 0 otherwise.
int parseDecimal(const char *text, double *value) {
    if (!*text || std::strspn(text, "0123456789.eE+-") != std::strlen(text)) return 0;
    char *end = nullptr;
    *value = std::strtod(text, &end);
    return *end == '\0' && end != text;
}

// Returns 1 after storing a --start text as a sample in *sample; 0
// otherwise, with *why set.
int parseStart(const char *text, uint64_t *sample, std::string *why) {
    double seconds;
    if (!parseDecimal(text, &seconds)) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    if (!(seconds >= 0)) {
        *why = "is before t = 0";
        return 0;
    }
    double at = std::round(seconds * renderRate);
    *sample = at > (double)maxWavSamples ? maxWavSamples + 1 : (uint64_t)at; // beyond any end
    return 1;
}

// Returns 1 after storing a --fade text in *ms; 0 otherwise, with *why set.
int parseFade(const char *text, double *ms, std::string *why) {
    if (!parseDecimal(text, ms) || !std::isfinite(*ms)) {
        *why = "is not a decimal number of milliseconds";
        return 0;
    }
    if (*ms < 0) {
        *why = "is negative";
        return 0;
    }
    return 1;
}

// Returns 1 after storing a --rate text in *rate; 0 otherwise, with *why set.
int parseRate(const char *text, uint32_t *rate, std::string *why) {
    unsigned long long value = 0;
    if (!parseWholeNumber(text, &value)) {
        *why = "is not a whole number of samples per second";
        return 0;
    }
    if (value < lowestRate || value > highestRate) {
        *why = "is out of range (" + std::to_string(lowestRate) + " to " + std::to_string(highestRate) + " Hz)";
        return 0;
    }
    *rate = (uint32_t)value;
    return 1;
}

// Returns 1 after storing a --format text in *format; 0 otherwise, with *why
// set.
int parseFormat(const char *text, SampleFormat *format, std::string *why) {
    for (const SampleFormatRow &row : sampleFormats)
        if (!std::strcmp(text, row.name)) {
            *format = row.format;
            return 1;
        }
    *why = "is not a sample format: give s16, s24 or f32";
    return 0;
}

// Returns 1 after storing a --size text ("WxH") in *width and *height; 0
// otherwise, with *why set.
int parseSize(const char *text, int *width, int *height, std::string *why) {
    const char *cross = std::strchr(text, 'x');
    size_t digits = std::strspn(text, "0123456789");
    if (!cross || digits == 0 || text + digits != cross || !cross[1] ||
        std::strspn(cross + 1, "0123456789") != std::strlen(cross + 1)) {
        *why = "is not a size of the form WxH (for example 1200x800)";
        return 0;
    }
    // More than five digits is more than any side can be.
    unsigned long w = digits > 5 ? 100000 : std::strtoul(text, nullptr, 10);
    unsigned long h = std::strlen(cross + 1) > 5 ? 100000 : std::strtoul(cross + 1, nullptr, 10);
    if (w > (unsigned long)largestPlotSide || h > (unsigned long)largestPlotSide) {
        *why = "is too large (at most " + std::to_string(largestPlotSide) + " pixels on a side)";
        return 0;
    }
    if (w < (unsigned long)smallestPlotWidth || h < (unsigned long)smallestPlotHeight) {
        *why = "is too small (at least " + std::to_string(smallestPlotWidth) + "x" +
               std::to_string(smallestPlotHeight) + ")";
        return 0;
    }
    *width = (int)w;
    *height = (int)h;
    return 1;
}

// Returns the kind of output that path names, by its ending (in any case).
OutputKind outputKindOf(const std::string &path) {
    for (const OutputKindRow &row : outputKinds) {
        size_t n = std::strlen(row.suffix);
        if (n == 0 || path.size() < n) continue;
        int same = 1;
        for (size_t i = 0; i < n; i++)
            same &= std::tolower((unsigned char)path[path.size() - n + i]) == row.suffix[i];
        if (same) return row.kind;
    }
    return OutputRaw;
}

// Returns seconds as a message shows them.
std::string secondsText(uint64_t samples, uint32_t rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", (double)samples / rate);
    return text;
}

// Returns a usage error for options that do not go together, else -1.
int checkCombinations(const RenderOptions *o) {
    if (o->measure) {
        const struct {
            int given;
            const char *option;
        } apart[] = {{o->outputGiven, "-o"},
                     {o->play, "--play"},
                     {o->analyze, "--analyze"},
                     {o->formatGiven, "--format"},
                     {o->fadeGiven, "--fade"}};
        for (const auto &a : apart)
            if (a.given)
                return usageError(std::string("--measure plays and records and writes no samples; leave out ") +
                                  a.option);
        return -1;
    }
    if (!o->limits.empty()) return usageError("--limit goes with --measure");
    if (o->json && !o->analyze) return usageError("--json goes with --analyze or --measure");
    if (o->sizeGiven && !o->plotGiven) return usageError("--size goes with --plot");
    if (o->analyze || o->plotGiven) {
        const char *mode = o->analyze ? "--analyze" : "--plot";
        const struct {
            int given;
            const char *option;
        } writing[] = {{o->outputGiven, "-o"},
                       {o->formatGiven, "--format"},
                       {o->rateGiven, "--rate"},
                       {o->fadeGiven, "--fade"},
                       {o->play, "--play"}};
        for (const auto &w : writing)
            if (w.given)
                return usageError(std::string(mode) + " measures and draws the played values and writes no samples; " +
                                  "leave out " + w.option);
    }
    if (o->play && o->outputGiven)
        return usageError("--play plays on the sound device and writes no output; leave out -o");
    if (o->play && (o->formatGiven || o->rateGiven))
        return usageError(std::string("--play plays the stream's own samples; leave out ") +
                          (o->formatGiven ? "--format" : "--rate"));
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
    if (kind.limit != UINT64_MAX && written > (kind.limit - format.wavOverhead) / format.bytes)
        return usageError(
            "the span is too long for a " + std::string(kind.name) + " file of " + format.shown + " samples (at most " +
            std::to_string((unsigned long long)((kind.limit - format.wavOverhead) / format.bytes)) + " samples)");
    if (2 * fadeSamples(*o) > written) {
        char ms[32];
        std::snprintf(ms, sizeof ms, "%.6g", o->fadeMs);
        return usageError(std::string("--fade ") + ms + " ms is longer than half the span (" +
                          secondsText(written * 500, o->rate) + " ms)");
    }
    return -1;
}

// The options, one row each.
enum OptionName : int {
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
};

struct OptionRow {
    OptionName option;
    const char *name;
    const char *value; // what its value is, for "needs a value"; null: it takes none
};

// clang-format off
const OptionRow optionRows[] = {
    {OptionEnd,     "--",        nullptr},
    {OptionHelp,    "--help",    nullptr},
    {OptionSeconds, "--seconds", "a value"},
    {OptionSamples, "--samples", "a value"},
    {OptionOutput,  "-o",        "a file name (or - for standard output)"},
    {OptionPlay,    "--play",    nullptr},
    {OptionStart,   "--start",   "a number of seconds"},
    {OptionFormat,  "--format",  "s16, s24 or f32"},
    {OptionRate,    "--rate",    "a number of samples per second"},
    {OptionFade,    "--fade",    "a number of milliseconds"},
    {OptionAnalyze, "--analyze", nullptr},
    {OptionJson,    "--json",    nullptr},
    {OptionPlot,    "--plot",    "a file name"},
    {OptionSize,    "--size",    "a size WxH"},
    {OptionMeasure, "--measure", nullptr},
    {OptionLimit,   "--limit",   "a condition KEY<=NUMBER or KEY>=NUMBER"},
};
// clang-format on

// Returns the row of argument, or null.
const OptionRow *optionNamed(const std::string &argument) {
    for (const OptionRow &row : optionRows)
        if (argument == row.name) return &row;
    return nullptr;
}

// Returns a usage error when an option that may come once came again, else
// -1; marks it given.
int once(int *given, const char *what) {
    if (*given) return usageError(std::string("give ") + what + " only once");
    *given = 1;
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

int parseRenderArguments(int argc, char **argv, RenderOptions *options, FILE *out, FILE *err) {
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
            if (options->formula) return usageError("give one formula (quote it if it holds blanks)");
            options->formula = argv[i];
            continue;
        }
        const char *value = nullptr;
        if (row->value) {
            if (i + 1 >= argc) return usageError(argument + " needs " + row->value);
            value = argv[++i];
        }
        std::string why;
        int ok = 1, refused = -1;
        switch (row->option) {
        case OptionEnd:
            endOfOptions = 1;
            break;
        case OptionHelp:
            printRenderHelp(out);
            return 0;
        case OptionSeconds:
        case OptionSamples:
            if (options->timeGiven) return usageError("give only one of --seconds and --samples, once");
            ok = row->option == OptionSeconds ? parseSeconds(value, &options->samples, &why)
                                              : parseSamples(value, &options->samples, &why);
            options->timeGiven = 1;
            break;
        case OptionOutput:
            refused = once(&options->outputGiven, "-o");
            options->output = value;
            if (options->output.empty()) return usageError("-o needs a file name (or - for standard output)");
            options->kind = outputKindOf(options->output);
            break;
        case OptionPlay:
            options->play = 1;
            break;
        case OptionStart:
            refused = once(&options->startGiven, "--start");
            ok = parseStart(value, &options->start, &why);
            break;
        case OptionFormat:
            refused = once(&options->formatGiven, "--format");
            ok = parseFormat(value, &options->format, &why);
            break;
        case OptionRate:
            refused = once(&options->rateGiven, "--rate");
            ok = parseRate(value, &options->rate, &why);
            break;
        case OptionFade:
            refused = once(&options->fadeGiven, "--fade");
            ok = parseFade(value, &options->fadeMs, &why);
            break;
        case OptionAnalyze:
            options->analyze = 1;
            break;
        case OptionJson:
            options->json = 1;
            break;
        case OptionPlot:
            refused = once(&options->plotGiven, "--plot");
            options->plot = value;
            if (options->plot.empty()) return usageError("--plot needs a file name");
            break;
        case OptionMeasure:
            options->measure = 1;
            break;
        case OptionLimit:
            why = checkLimit(value);
            ok = why.empty();
            options->limits.push_back(value);
            break;
        case OptionSize:
            refused = once(&options->sizeGiven, "--size");
            ok = parseSize(value, &options->width, &options->height, &why);
            break;
        }
        if (refused >= 0) return refused;
        if (!ok) return usageError(argument + " '" + printableText(value) + "' " + why);
    }
    if (!options->formula) return usageError("no formula given");
    if (!*options->formula) return usageError("the formula is empty");
    int refused = checkCombinations(options);
    if (refused < 0) refused = checkLengths(options);
    return refused;
}
