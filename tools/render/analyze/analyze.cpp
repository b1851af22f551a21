// --analyze and --plot: see analyze.h.
//
// The span is evaluated once, a buffer at a time; each buffer goes to the
// levels, the spectrum and the waveform, so that memory stays that of a
// second however long the span.  The picture's file is opened first: a
// folder that cannot take it is reported before anything is computed.
#include "tools/render/analyze/analyze.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tools/render/analyze/channelsReport.h"
#include "tools/render/analyze/levels.h"
#include "tools/render/analyze/pair.h"
#include "tools/render/analyze/plot.h"
#include "tools/render/analyze/waveform.h"
#include "tools/render/common/drawing.h"
#include "tools/render/common/signal.h"
#include "tools/render/common/spectrum.h"

namespace {

// Finishes the first count spectra of each of the lists.  Returns nothing.
void finishSpectra(std::vector<Spectrum> *report, std::vector<Spectrum> *drawn, unsigned count, int twoSpectra) {
    for (unsigned c = 0; c < count; c++) {
        finishSpectrum(&(*report)[c]);
        if (twoSpectra) finishSpectrum(&(*drawn)[c]);
    }
}

// Copies the samples of count frames of channels interleaved in values and
// events out into own and ownEvents, a channel's count after another's.
// Returns nothing.
void splitChannels(const double *values, const unsigned char *events, size_t count, unsigned channels, double *own,
                   unsigned char *ownEvents) {
    for (unsigned c = 0; c < channels; c++)
        for (size_t i = 0; i < count; i++) {
            own[c * count + i] = values[i * channels + c];
            ownEvents[c * count + i] = events[i * channels + c];
        }
}

// Runs the span of options; prints the report when report, and draws the
// picture when --plot is given.  Returns as analyzeSpan does.
int measureSpan(const RenderOptions &options, int report) {
    const int plotting = isGiven(options, OptionPlot);
    RenderOutput picture = {nullptr, "", "", "", 0};
    if (plotting) {
        if ((options.plot == "-") && isTerminal(stdout)) {
            std::fprintf(stderr, "tonalix-render: standard output is a terminal; give --plot a file name\n");
            return 2;
        }
        if (!openOutput(&picture, options.plot)) return 2;
    }
    const uint64_t span = spanSamples(options);
    const unsigned channels = options.channels;
    // Each channel's report spectrum, and the picture's, which for a span
    // shorter than a second has bins closer together.
    std::vector<Spectrum> spectra(channels), drawn(channels);
    const int drawnApart = plotting && span < longestSegment;
    const int twoSpectra = drawnApart && report;
    unsigned started = 0;
    for (; started < channels; started++) {
        if (!startSpectrum(&spectra[started], span, plotting && !report)) break;
        if (twoSpectra && !startSpectrum(&drawn[started], span, 1)) {
            finishSpectrum(&spectra[started]);
            break;
        }
    }
    if (started < channels) {
        finishSpectra(&spectra, &drawn, started, twoSpectra);
        if (plotting) abandonOutput(&picture);
        return 1;
    }
    // Two channels are measured together too.
    ChannelPair pair;
    const int paired = report && channels == 2;
    if (paired && !startPair(&pair, span)) {
        finishSpectra(&spectra, &drawn, channels, twoSpectra);
        if (plotting) abandonOutput(&picture);
        return 1;
    }
    std::vector<Levels> levels(channels);
    std::vector<Waveform> waveforms(channels);
    for (unsigned c = 0; c < channels; c++) {
        startLevels(&levels[c]);
        if (plotting) startWaveform(&waveforms[c], span, plotColumns(options.width, options.height));
    }

    skipSignal(options.start);
    std::vector<double> values(signalChunk * channels), times(signalChunk), own(channels > 1 ? values.size() : 0);
    std::vector<unsigned char> events(signalChunk * channels), ownEvents(own.size());
    for (uint64_t done = 0; done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        evaluateSignal(values.data(), events.data(), times.data(), step);
        if (channels > 1) splitChannels(values.data(), events.data(), step, channels, own.data(), ownEvents.data());
        for (unsigned c = 0; c < channels; c++) {
            const double *v = channels > 1 ? own.data() + c * step : values.data();
            const unsigned char *e = channels > 1 ? ownEvents.data() + c * step : events.data();
            addToLevels(&levels[c], v, e, times.data(), step);
            addToSpectrum(&spectra[c], v, step);
            if (twoSpectra) addToSpectrum(&drawn[c], v, step);
            if (plotting) addToWaveform(&waveforms[c], v, e, step);
        }
        if (paired) addToPair(&pair, own.data(), own.data() + step, step);
        done += step;
    }
    for (unsigned c = 0; c < channels; c++) {
        finishSpectrum(&spectra[c]);
        if (twoSpectra) finishSpectrum(&drawn[c]);
    }
    if (paired) finishPair(&pair);

    if (report) {
        const int json = isGiven(options, OptionJson);
        if (channels == 1)
            printReport(stdout, levels[0], spectra[0], json);
        else {
            const std::vector<ReportLine> together =
                paired ? pairLines(pair, levels.data(), spectra.data()) : std::vector<ReportLine>();
            printChannelsReport(stdout, levels.data(), spectra.data(), channels, together.data(), together.size(),
                                json);
        }
        if (std::fflush(stdout) != 0) {
            std::fprintf(stderr, "tonalix-render: cannot write standard output\n");
            if (plotting) abandonOutput(&picture);
            return 1;
        }
    }
    if (!plotting) return 0;
    std::string title;
    uint64_t clipped = 0, failed = 0;
    for (unsigned c = 0; c < channels; c++) {
        title += (c ? " | " : "") + std::string(options.formulas[c]);
        clipped += levels[c].clipped.count;
        failed += levels[c].failed.count;
    }
    PlotRequest request = {title.c_str(), channels, options.width, options.height, isSvgPath(options.plot.c_str()),
                           options.start, span,     clipped,       failed};
    return drawPlot(&picture, request, waveforms.data(), twoSpectra ? drawn.data() : spectra.data()) ? 0 : 1;
}

} // namespace

int analyzeSpan(const RenderOptions &options) { return measureSpan(options, 1); }

int plotSpan(const RenderOptions &options) { return measureSpan(options, 0); }
