// --analyze and --plot: see analyze.h.
//
// The span is evaluated once, a buffer at a time; each buffer goes to the
// levels, the spectrum and the waveform, so that memory stays that of a
// second however long the span.  The picture's file is opened first: a
// folder that cannot take it is reported before anything is computed.
#include "tools/render/analyze/analyze.h"

#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "tools/render/analyze/levels.h"
#include "tools/render/analyze/plot.h"
#include "tools/render/analyze/waveform.h"
#include "tools/render/common/drawing.h"
#include "tools/render/common/signal.h"
#include "tools/render/common/spectrum.h"

namespace {

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
    // The report's spectrum, and the picture's, which for a span shorter than
    // a second has bins closer together.
    Spectrum spectrum, drawn;
    const int drawnApart = plotting && span < longestSegment;
    if (!startSpectrum(&spectrum, span, plotting && !report) ||
        (drawnApart && report && !startSpectrum(&drawn, span, 1))) {
        if (plotting) abandonOutput(&picture);
        return 1;
    }
    const int twoSpectra = drawnApart && report;
    Levels levels;
    startLevels(&levels);
    Waveform waveform;
    if (plotting) startWaveform(&waveform, span, plotColumns(options.width, options.height));

    skipSignal(options.start);
    std::vector<double> values(signalChunk), times(signalChunk);
    std::vector<unsigned char> events(signalChunk);
    for (uint64_t done = 0; done < span;) {
        size_t step = span - done < signalChunk ? (size_t)(span - done) : signalChunk;
        evaluateSignal(values.data(), events.data(), times.data(), step);
        addToLevels(&levels, values.data(), events.data(), times.data(), step);
        addToSpectrum(&spectrum, values.data(), step);
        if (twoSpectra) addToSpectrum(&drawn, values.data(), step);
        if (plotting) addToWaveform(&waveform, values.data(), events.data(), step);
        done += step;
    }
    finishSpectrum(&spectrum);
    if (twoSpectra) finishSpectrum(&drawn);

    if (report) {
        printReport(stdout, levels, spectrum, isGiven(options, OptionJson));
        if (std::fflush(stdout) != 0) {
            std::fprintf(stderr, "tonalix-render: cannot write standard output\n");
            if (plotting) abandonOutput(&picture);
            return 1;
        }
    }
    if (!plotting) return 0;
    PlotRequest request = {options.formula, options.width, options.height,       isSvgPath(options.plot.c_str()),
                           options.start,   span,          levels.clipped.count, levels.failed.count};
    return drawPlot(&picture, request, waveform, twoSpectra ? drawn : spectrum) ? 0 : 1;
}

} // namespace

int analyzeSpan(const RenderOptions &options) { return measureSpan(options, 1); }

int plotSpan(const RenderOptions &options) { return measureSpan(options, 0); }
