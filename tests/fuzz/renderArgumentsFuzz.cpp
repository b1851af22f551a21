// Fuzz target: tonalix-render's command line and its compile report.  The
// input, cut at its NUL bytes, is the argument list.  A command line that is
// accepted must give a sample count, a start, a fade, a rate and a picture
// size within bounds, a name for each device option given, and a formula,
// or none for a mode that takes none (--list-devices); the compile report
// must be empty exactly for a formula that compiles, and show the formula's
// bytes around the fault only within its bounded width.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "tools/render/cli/arguments.h"
#include "tools/render/cli/compileReport.h"

namespace {

FILE *sink; // the usage texts go nowhere

const size_t maxArguments = 64;
const size_t longestReport = 400; // the stage's reason and two lines of about 80 bytes

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!sink) sink = std::fopen("/dev/null", "w");
    std::vector<std::string> arguments = {"tonalix-render"};
    std::string current;
    for (size_t i = 0; i < size && arguments.size() < maxArguments; i++) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += (char)data[i];
        }
    }
    if (size > 0 && arguments.size() < maxArguments) arguments.push_back(current);
    std::vector<char *> argv;
    for (std::string &a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    RenderOptions options;
    int parsed = parseRenderArguments((int)arguments.size(), argv.data(), renderModes, &options, sink, sink);
    if (parsed != -1) {
        if (parsed != 0 && parsed != 2) std::abort();
        return 0;
    }
    if ((isGiven(options, OptionDevice) && (!options.device || !*options.device)) ||
        (isGiven(options, OptionInputDevice) && (!options.inputDevice || !*options.inputDevice)))
        std::abort();
    if (!options.mode->formulas) {
        if (options.formula) std::abort();
        return 0;
    }
    if (!options.formula || !*options.formula || options.samples < 1 || options.samples > maxWavSamples ||
        (options.mode->option == OptionPlay && isGiven(options, OptionOutput)) || options.start >= options.samples ||
        2 * fadeSamples(options) > writtenSamples(options) || options.rate < 8000 || options.rate > 192000 ||
        (isGiven(options, OptionPlot) &&
         (options.width < 200 || options.height < 150 || options.width > 10000 || options.height > 10000)))
        std::abort();
    int compiles = compileFormula(options.formula) == 0;
    std::string report = describeCompileFailure(options.formula);
    if (compiles != report.empty() || report.size() > longestReport) {
        std::fprintf(stderr, "formula '%s': compiles %d, report '%s'\n", options.formula, compiles, report.c_str());
        std::abort();
    }
    return 0;
}
