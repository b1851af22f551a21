// tonalix-render: renders a formula offline, sample for sample what Play
// streams once the countdown is over, or plays it through the sound device;
// measures and draws it.
#include <cstdio>
#include <string>

#include "audio/synthesis.h"
#include "formula/formula.h"
#include "platform/files.h"
#include "platform/waveOut.h"
#include "tools/render/analyze/analyze.h"
#include "tools/render/cli/arguments.h"
#include "tools/render/cli/compileReport.h"
#include "tools/render/measure/measure.h"
#include "tools/render/play/play.h"
#include "tools/render/write/writeSamples.h"

int main(int argc, char **argv) {
    argv = utf8Arguments(argc, argv); // file names in any script, on every system
    RenderOptions options;
    int parsed = parseRenderArguments(argc, argv, &options, stdout, stderr);
    if (parsed >= 0) return parsed;

    // The same steps as Play: compile, evaluate once (assignments in the
    // formula take effect), then fix the format, which compiles again and
    // sets t to 0.
    if (compileFormula(options.formula) != 0) {
        std::string why = describeCompileFailure(options.formula);
        std::fprintf(stderr, "tonalix-render: the formula does not compile: %s\n", why.c_str());
        return 1;
    }
    evaluateFormula();
    if (!setPlaybackFormat(options.formula)) {
        std::fprintf(stderr, "tonalix-render: the formula does not compile\n");
        return 1;
    }
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
    if (options.play) return waveProcessExit(playSpan(options));
    if (options.measure) return waveProcessExit(measureSoundPath(options));
    if (options.analyze || options.plotGiven) return measureSpan(options);
    return writeSamples(options);
}
