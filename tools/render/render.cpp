// tonalix-render: renders a formula offline, sample for sample what Play
// streams once the countdown is over, or plays it through the sound device;
// measures and draws it.
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
#include "tools/render/renderArguments.h"
#include "tools/render/renderCompile.h"
#include "tools/render/renderFormats.h"
#include "tools/render/renderListen.h"
#include "tools/render/renderMeasure.h"
#include "tools/render/renderOutput.h"
#include "tools/render/renderPlay.h"
#include "tools/render/renderResample.h"
#include "tools/render/renderSignal.h"

namespace {

// Shows "rendered x of y s (p%)" on standard error when p has changed.
void showProgress(uint64_t done, uint64_t total, int *lastPercent) {
    int percent = (int)(done * 100 / total);
    if (percent == *lastPercent) return;
    *lastPercent = percent;
    std::fprintf(stderr, "\rtonalix-render: %.1f of %.1f s (%d%%)", (double)done / renderRate,
                 (double)total / renderRate, percent);
    if (done == total) std::fputc('\n', stderr);
}

// The samples on their way out: where the next one stands among those
// written, for the fade.
struct Shaping {
    SampleFile *file;
    uint64_t position, total, ramp;
    std::vector<double> faded;
};

// Writes count values, faded where the ramps are.  Returns 1, or 0 after a
// message (the file is abandoned).
int writeShaped(Shaping *s, const double *values, size_t count) {
    if (s->ramp > 0 && (s->position < s->ramp || s->position + count > s->total - s->ramp)) {
        s->faded.assign(values, values + count);
        for (size_t i = 0; i < count; i++)
            s->faded[i] *= fadeGain((int64_t)(s->position + i), (int64_t)s->ramp, (int64_t)s->total);
        values = s->faded.data();
    }
    s->position += count;
    return writeValues(s->file, values, count);
}

// Writes the span's played values to file: resampled, faded and in the
// file's format.  Returns 1, or 0 after a message (the file is abandoned).
int writePlayedValues(const RenderOptions &options, SampleFile *file, int progress) {
    const uint64_t span = spanSamples(options);
    Shaping shaping = {file, 0, writtenSamples(options), fadeSamples(options), {}};
    std::vector<double> values(signalChunk), times(signalChunk);
    std::vector<unsigned char> events(signalChunk);
    Resampler resampler = {nullptr, 0, 0, {}};
    const int resampling = options.rate != renderRate;
    if (resampling && !openResampler(&resampler, shaping.total, options.rate)) {
        abandonSampleFile(file);
        return 0;
    }
    int lastPercent = -1, ok = 1;
    for (uint64_t done = 0; ok && done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        evaluateSignal(values.data(), events.data(), times.data(), step);
        if (resampling) {
            ok = resampleValues(&resampler, values.data(), step) &&
                 writeShaped(&shaping, resampler.ready.data(), resampler.ready.size());
        } else
            ok = writeShaped(&shaping, values.data(), step);
        done += step;
        if (progress) showProgress(done, span, &lastPercent);
    }
    if (ok && resampling)
        ok = resampleValues(&resampler, nullptr, 0) &&
             writeShaped(&shaping, resampler.ready.data(), resampler.ready.size());
    closeResampler(&resampler);
    return ok;
}

// Writes the span's 16-bit samples as the stream makes them.  Returns 1, or
// 0 after a message (the file is abandoned).
int writeStreamSamples(const RenderOptions &options, SampleFile *file, int progress) {
    const uint64_t span = spanSamples(options);
    std::vector<unsigned char> buffer(2 * signalChunk);
    int lastPercent = -1;
    for (uint64_t done = 0; done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        generateSamples(buffer.data(), (int32_t)(2 * signalChunk));
        if (!writeSixteenBit(file, buffer.data(), step)) return 0;
        done += step;
        if (progress) showProgress(done, span, &lastPercent);
    }
    return 1;
}

// Returns 0 after writing the span of the stream format's formula to the
// output, 1 after a failure message.
int renderToOutput(const RenderOptions &options) {
    if (options.output.empty() || options.output == "-") {
        if (isTerminal(stdout)) {
            std::fprintf(stderr, "tonalix-render: standard output is a terminal; write samples with -o FILE "
                                 "or pipe them into a program\n");
            return 1;
        }
    }
    SampleFile file;
    if (!openSampleFile(&file, options.output, options.kind, options.format, options.rate, writtenSamples(options)))
        return 1;
    skipSignal(options.start);
    int progress = isTerminal(stderr) && spanSamples(options) > renderRate;
    // The stream's own 16-bit samples need none of the played values.
    int asStreamed = options.format == FormatS16 && options.rate == renderRate && fadeSamples(options) == 0;
    int ok = asStreamed ? writeStreamSamples(options, &file, progress) : writePlayedValues(options, &file, progress);
    if (!ok) return 1;
    return finishSampleFile(&file) ? 0 : 1;
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
    if (options.play) {
        skipSignal(options.start);
        sampleFade = SampleFade{(int64_t)fadeSamples(options), (int64_t)spanSamples(options), 0};
        return waveProcessExit(playThroughDevice(spanSamples(options), 0));
    }
    if (options.measure) return waveProcessExit(measureSoundPath(options));
    if (options.analyze || options.plotGiven) return measureSpan(options);
    return renderToOutput(options);
}
