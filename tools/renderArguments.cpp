// tonalix-render's command line: see renderArguments.h.
#include "tools/renderArguments.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "tools/printable.h"

namespace {

const char helpText[] =
    "Usage: tonalix-render [--seconds S | --samples N] [-o FILE] FORMULA\n"
    "       tonalix-render --play [--seconds S | --samples N] FORMULA\n"
    "\n"
    "Renders FORMULA, a waveform in t (the time in seconds), as 16-bit signed\n"
    "mono samples at 132300 samples per second: evaluated once per sample from\n"
    "t = 0, limited to -1..1 and scaled by 32767, sample for sample what the\n"
    "Tonalix window plays after its countdown.\n"
    "\n"
    "  --seconds S   render S seconds (a decimal number; default 1)\n"
    "  --samples N   render exactly N samples\n"
    "  -o FILE       write to FILE; a name ending in .wav (any case) gets a\n"
    "                RIFF/WAVE file (PCM, 1 channel, 132300 Hz, 16 bits), any\n"
    "                other name raw samples.  The file appears only when the\n"
    "                render is complete; a device or a named pipe is written\n"
    "                in place.\n"
    "  -o -          write raw signed 16-bit little-endian samples to standard\n"
    "                output (also the default), for example for\n"
    "                aplay -f S16_LE -r 132300 -c 1\n"
    "  --play        play the formula on the default sound device instead, in\n"
    "                buffers of 250 ms (the time is rounded up to whole buffers)\n"
    "  --help        show this text\n"
    "  --            end of options: the next argument is the formula, even if\n"
    "                it begins with '-'\n"
    "\n"
    "S and N may be at most 2147483629 samples (about 4.5 hours).  On a terminal\n"
    "a render longer than a second shows its progress on standard error.\n"
    "\n"
    "Examples:\n"
    "  tonalix-render -o a440.wav 'sin(440*6.2831853071795865*t)'\n"
    "  tonalix-render --seconds 3 'sin(440*6.2831853071795865*t)' | aplay -f S16_LE -r 132300 -c 1\n"
    "  tonalix-render --play --seconds 2 '0.5*sin(220*6.2831853071795865*t)'\n"
    "\n"
    "Exit status: 0 on success, 1 on a failure (with a message), 2 for bad usage.\n";

FILE *messages; // where usage errors go

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

// Returns 1 after storing a --samples text in *samples; 0 otherwise, with
// *why set.
int parseSamples(const char *text, uint64_t *samples, std::string *why) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) {
        *why = "is not a whole number of samples";
        return 0;
    }
    errno = 0;
    unsigned long long count = std::strtoull(text, nullptr, 10);
    if (count == 0) {
        *why = "is less than one sample";
        return 0;
    }
    if (errno == ERANGE || count > maxWavSamples) {
        *why = "is too many (at most 2147483629 samples)";
        return 0;
    }
    *samples = count;
    return 1;
}

} // namespace

int parseRenderArguments(int argc, char **argv, RenderOptions *options, FILE *out, FILE *err) {
    messages = err;
    int endOfOptions = 0;
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (!endOfOptions && argument == "--") {
            endOfOptions = 1;
        } else if (!endOfOptions && argument == "--help") {
            std::fputs(helpText, out);
            return 0;
        } else if (!endOfOptions && (argument == "--seconds" || argument == "--samples")) {
            if (options->timeGiven) return usageError("give only one of --seconds and --samples, once");
            if (i + 1 >= argc) return usageError(argument + " needs a value");
            std::string why;
            const char *value = argv[++i];
            int ok = argument == "--seconds" ? parseSeconds(value, &options->samples, &why)
                                             : parseSamples(value, &options->samples, &why);
            if (!ok) return usageError(argument + " '" + printableText(value) + "' " + why);
            options->timeGiven = 1;
        } else if (!endOfOptions && argument == "-o") {
            if (options->outputGiven) return usageError("give -o only once");
            if (i + 1 >= argc) return usageError("-o needs a file name (or - for standard output)");
            options->output = argv[++i];
            options->outputGiven = 1;
            if (options->output.empty()) return usageError("-o needs a file name (or - for standard output)");
        } else if (!endOfOptions && argument == "--play") {
            options->play = 1;
        } else if (!endOfOptions && argument.size() > 1 && argument[0] == '-' &&
                   argument.find_first_of("0123456789.(") != 1) {
            return usageError("unknown option '" + printableText(argument) +
                              "' (put -- before a formula that begins with -)");
        } else if (options->formula) {
            return usageError("give one formula (quote it if it holds blanks)");
        } else {
            options->formula = argv[i];
        }
    }
    if (!options->formula) return usageError("no formula given");
    if (!*options->formula) return usageError("the formula is empty");
    if (options->play && options->outputGiven)
        return usageError("--play plays on the sound device and writes no output; leave out -o");
    return -1;
}
