// Writing samples: the span of the formula as raw samples, a WAV or a FLAC
// file, resampled and faded as asked; see writeSamples.h.
#include "tools/render/write/writeSamples.h"

#include <cstdio>
#include <vector>

#include "audio/synthesis.h"
#include "platform/files.h"
#include "tools/render/common/signal.h"
#include "tools/render/write/formats.h"
#include "tools/render/write/resample.h"

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

// The samples on their way out, and the fade they pass through.
struct Shaping {
    SampleFile *file;
    SampleFade fade;
    std::vector<double> faded;
};

// Writes count frames of values, faded where the ramps are: one gain a
// frame.  Returns 1, or 0 after a message (the file is abandoned).
int writeShaped(Shaping *s, const double *values, size_t count) {
    const unsigned channels = s->file->channels;
    if (!fadeIsFlat(&s->fade, (int64_t)count)) {
        s->faded.assign(values, values + count * channels);
        for (size_t i = 0; i < count; i++) {
            const double gain = nextFadeGain(&s->fade);
            for (unsigned c = 0; c < channels; c++)
                s->faded[i * channels + c] *= gain;
        }
        values = s->faded.data();
    } else
        s->fade.position += (int64_t)count;
    return writeValues(s->file, values, count * channels);
}

// Writes the span's played values to file: resampled, faded and in the
// file's format.  Returns 1, or 0 after a message (the file is abandoned).
int writePlayedValues(const RenderOptions &options, SampleFile *file, int progress) {
    const uint64_t span = spanSamples(options);
    Shaping shaping = {file, {}, {}};
    startFade(&shaping.fade, (int64_t)fadeSamples(options), (int64_t)writtenSamples(options));
    const unsigned channels = options.channels;
    std::vector<double> values(signalChunk * channels), times(signalChunk);
    std::vector<unsigned char> events(signalChunk * channels);
    Resampler resampler = {nullptr, 0, 0, {}, channels};
    const int resampling = options.rate != renderRate;
    if (resampling && !openResampler(&resampler, writtenSamples(options), options.rate, channels)) {
        abandonSampleFile(file);
        return 0;
    }
    int lastPercent = -1, ok = 1;
    for (uint64_t done = 0; ok && done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        evaluateSignal(values.data(), events.data(), times.data(), step);
        if (resampling) {
            ok = resampleValues(&resampler, values.data(), step) &&
                 writeShaped(&shaping, resampler.ready.data(), resampler.ready.size() / channels);
        } else
            ok = writeShaped(&shaping, values.data(), step);
        done += step;
        if (progress) showProgress(done, span, &lastPercent);
    }
    if (ok && resampling)
        ok = resampleValues(&resampler, nullptr, 0) &&
             writeShaped(&shaping, resampler.ready.data(), resampler.ready.size() / channels);
    closeResampler(&resampler);
    return ok;
}

// Writes the span's 16-bit samples as the stream makes them.  Returns 1, or
// 0 after a message (the file is abandoned).
int writeStreamSamples(const RenderOptions &options, SampleFile *file, int progress) {
    const uint64_t span = spanSamples(options);
    const unsigned channels = options.channels;
    std::vector<unsigned char> buffer(2 * signalChunk * channels);
    int lastPercent = -1;
    for (uint64_t done = 0; done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        generateSamples(buffer.data(), (int32_t)(2 * signalChunk * channels));
        if (!writeSixteenBit(file, buffer.data(), step * channels)) return 0;
        done += step;
        if (progress) showProgress(done, span, &lastPercent);
    }
    return 1;
}

} // namespace

int writeSamples(const RenderOptions &options) {
    if (options.output.empty() || options.output == "-") {
        if (isTerminal(stdout)) {
            std::fprintf(stderr, "tonalix-render: standard output is a terminal; write samples with -o FILE "
                                 "or pipe them into a program\n");
            return 1;
        }
    }
    SampleFile file;
    if (!openSampleFile(&file, options.output, options.kind, options.format, options.rate, writtenSamples(options),
                        options.channels))
        return 1;
    skipSignal(options.start);
    int progress = isTerminal(stderr) && spanSamples(options) > renderRate;
    // The stream's own 16-bit samples need none of the played values.
    int asStreamed = options.format == FormatS16 && options.rate == renderRate && fadeSamples(options) == 0;
    int ok = asStreamed ? writeStreamSamples(options, &file, progress) : writePlayedValues(options, &file, progress);
    if (!ok) return 1;
    return finishSampleFile(&file) ? 0 : 1;
}
