// tonalix-render: renders a formula offline, sample for sample what Play
// streams once the countdown is over, or plays it through the sound device;
// measures and draws it.
//
// Each mode is one row of the mode table below: the option that picks it,
// its usage line, the options it takes and the function that runs it.  The
// command line, the help and the refusals of options a mode does not take
// all come from the table.  The tests build this file without main() for
// the table (TONALIX_RENDER_TABLE_ONLY).
#include <cstdio>
#include <string>

#include "audio/channels.h"
#include "audio/synthesis.h"
#include "formula/formula.h"
#include "platform/files.h"
#include "platform/waveOut.h"
#include "tools/render/analyze/analyze.h"
#include "tools/render/cli/arguments.h"
#include "tools/render/cli/compileReport.h"
#include "tools/render/common/channelNames.h"
#include "tools/render/devices/devices.h"
#include "tools/render/measure/measure.h"
#include "tools/render/play/play.h"
#include "tools/render/write/writeSamples.h"

namespace {

// What every mode takes: the span, the end of options and the help.
constexpr OptionSet everyMode = optionBit(OptionEnd) | optionBit(OptionHelp) | optionBit(OptionSeconds) |
                                optionBit(OptionSamples) | optionBit(OptionStart);
// What the picture of a mode that draws takes.
constexpr OptionSet picture = optionBit(OptionPlot) | optionBit(OptionSize);

// clang-format off
constexpr RenderMode modeRows[] = {
    {.option = OptionNone,
     .usage = "[--seconds S | --samples N] [--start S] [-o FILE]\n[--format s16|s24|f32] [--rate R] [--fade MS] FORMULA...",
     .takes = everyMode | optionBit(OptionOutput) | optionBit(OptionFormat) | optionBit(OptionRate) |
              optionBit(OptionFade),
     .formulas = 1,
     .does = nullptr,
     .run = writeSamples},
    {.option = OptionAnalyze,
     .usage = "--analyze [--json] [--plot FILE [--size WxH]] [time options] FORMULA...",
     .takes = everyMode | optionBit(OptionAnalyze) | optionBit(OptionJson) | picture,
     .formulas = 1,
     .does = "measures and draws the played values and writes no samples",
     .run = analyzeSpan},
    {.option = OptionPlot,
     .usage = "--plot FILE [--size WxH] [time options] FORMULA...",
     .takes = everyMode | picture,
     .formulas = 1,
     .does = "measures and draws the played values and writes no samples",
     .run = plotSpan},
    {.option = OptionPlay,
     .usage = "--play [--seconds S | --samples N] [--start S] [--rate R] [--fade MS]\n[--device NAME] FORMULA...",
     .takes = everyMode | optionBit(OptionPlay) | optionBit(OptionFade) | optionBit(OptionRate) | optionBit(OptionDevice),
     .formulas = 1,
     .does = "plays the stream's own samples on the sound device and writes no output",
     .run = playSpan},
    {.option = OptionMeasure,
     .usage = "--measure [time options] [--rate R] [--input-channels M] [--json]\n[--plot FILE [--size WxH]] "
              "[--limit COND]...\n[--device NAME] [--input-device NAME] FORMULA...",
     .takes = everyMode | optionBit(OptionMeasure) | optionBit(OptionRate) | optionBit(OptionJson) | picture |
              optionBit(OptionLimit) | optionBit(OptionInputChannels) | optionBit(OptionDevice) |
              optionBit(OptionInputDevice),
     .formulas = 1,
     .does = "plays and records and writes no samples",
     .run = measureSoundPath},
    {.option = OptionListDevices,
     .usage = "--list-devices [--json]",
     .takes = optionBit(OptionEnd) | optionBit(OptionHelp) | optionBit(OptionListDevices) | optionBit(OptionJson),
     .formulas = 0,
     .does = "lists the sound devices and plays nothing",
     .run = listSoundDevices},
};
// clang-format on

} // namespace

const RenderModes renderModes = {modeRows, sizeof modeRows / sizeof modeRows[0]};

#ifndef TONALIX_RENDER_TABLE_ONLY
int main(int argc, char **argv) {
    argv = utf8Arguments(argc, argv); // file names in any script, on every system
    RenderOptions options;
    int parsed = parseRenderArguments(argc, argv, renderModes, &options, stdout, stderr);
    if (parsed >= 0) return parsed;
    if (!options.mode->formulas) return options.mode->run(options);
    if (!chooseNamedDevices(options)) return 1;

    // The same steps as Play, formula by formula in channel order: compile,
    // evaluate once (assignments in the formula take effect), then fix the
    // format, which compiles each again and sets t to 0.
    for (unsigned c = 0; c < options.channels; c++) {
        const char *formula = options.formulas[c];
        if (compileFormula(formula) == 0) {
            evaluateFormula();
            continue;
        }
        std::string why = describeCompileFailure(formula);
        if (options.channels == 1)
            std::fprintf(stderr, "tonalix-render: the formula does not compile: %s\n", why.c_str());
        else
            std::fprintf(stderr, "tonalix-render: formula %u of %u, %s, does not compile: %s\n", c + 1,
                         options.channels, channelName(c, options.channels).c_str(), why.c_str());
        return 1;
    }
    unsigned failed = 0;
    if (!setChannelPlaybackFormat(options.formulas.data(), options.channels, &failed)) {
        std::fprintf(stderr, "tonalix-render: the formula does not compile\n");
        return 1;
    }
    // The stream's countdown and capture records are at rest from the
    // program's start: the stream makes formula samples only.
    // A mode that used a sound device may leave a thread of it held in the
    // system; waveProcessExit then ends the process at once.
    return waveProcessExit(options.mode->run(options));
}
#endif
