// tonalix-render: renders a formula offline, sample for sample what Play
// streams once the countdown is over, or plays it through the sound device.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "formula/formula.h"
#include "platform/files.h"
#include "tools/renderArguments.h"
#include "tools/renderCompile.h"
#include "tools/renderOutput.h"
#include "tools/renderPlay.h"

namespace {

// One buffer of the stream as Play fills it: 33075 samples.
const int32_t bufferBytes = 2 * (streamSampleRate * playBufferMilliseconds / 1000);

// Shows "rendered x of y s (p%)" on standard error when p has changed.
void showProgress(uint64_t done, uint64_t total, int *lastPercent) {
    int percent = (int)(done * 100 / total);
    if (percent == *lastPercent) return;
    *lastPercent = percent;
    std::fprintf(stderr, "\rtonalix-render: %.1f of %.1f s (%d%%)", (double)done / renderRate,
                 (double)total / renderRate, percent);
    if (done == total) std::fputc('\n', stderr);
}

// Returns 0 after writing options->samples samples of the stream format's
// formula to the output, 1 after a failure message.
int renderToOutput(const RenderOptions &options) {
    if (options.output.empty() || options.output == "-") {
        if (isTerminal(stdout)) {
            std::fprintf(stderr, "tonalix-render: standard output is a terminal; write samples with -o FILE "
                                 "or pipe them into a program\n");
            return 1;
        }
    }
    RenderOutput output;
    if (!openOutput(&output, options.output, options.samples)) return 1;
    int progress = isTerminal(stderr) && options.samples > renderRate;
    int lastPercent = -1;
    std::vector<unsigned char> buffer(bufferBytes);
    for (uint64_t done = 0; done < options.samples;) {
        generateSamples(buffer.data(), bufferBytes);
        uint64_t count = options.samples - done < bufferBytes / 2 ? options.samples - done : bufferBytes / 2;
        if (!writeOutput(&output, buffer.data(), (size_t)count * 2)) return 1;
        done += count;
        if (progress) showProgress(done, options.samples, &lastPercent);
    }
    return finishOutput(&output) ? 0 : 1;
}

} // namespace

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
    if (options.play) return waveProcessExit(playThroughDevice(options.samples, 0));
    return renderToOutput(options);
}
