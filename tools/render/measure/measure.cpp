// --measure: see measure.h.
//
// The run of the devices is listen.cpp's, the analysis path.cpp's; here the
// report of one channel is printed, and the runs are made and reported.
#include "tools/render/measure/measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/synthesis.h"
#include "tools/render/analyze/plot.h"
#include "tools/render/common/drawing.h"
#include "tools/render/common/report.h"
#include "tools/render/measure/channels.h"
#include "tools/render/measure/limits.h"
#include "tools/render/measure/listen.h"
#include "tools/render/measure/pathPlot.h"
#include "tools/render/measure/stimulus.h"
#include "tools/render/write/formats.h"

std::vector<ReportLine> pathReportLines(const PathReport &r) {
    std::string response = "[", gaps = "[", responseText, gapsText = " " + std::to_string(r.gaps.size());
    char text[96];
    for (const ResponsePoint &p : r.response) {
        response +=
            (response.size() > 1 ? ", [" : "[") + reportNumber("%.1f", p.hz) + ", " + reportNumber("%.3f", p.db) + "]";
        std::snprintf(text, sizeof text, " %.0f Hz: %+.2f dB;", p.hz, p.db);
        responseText += text;
    }
    for (const PathGap &g : r.gaps) {
        gaps += (gaps.size() > 1 ? ", [" : "[") + reportNumber("%.1f", g.startMs) + ", " +
                reportNumber("%.1f", g.lengthMs) + "]";
        std::snprintf(text, sizeof text, "; at %.1f ms for %.1f ms", g.startMs, g.lengthMs);
        gapsText += text;
    }
    response += "]";
    gaps += "]";
    return {
        {"samples", "samples", std::to_string((unsigned long long)r.samples), "", ""},
        {"seconds", "seconds", reportNumber("%.9g", (double)r.samples / r.rate), " s", ""},
        {"rate", "rate", std::to_string((unsigned)r.rate), " Hz", ""},
        {"latency_ms", "latency", reportNumber("%.3f", r.latencyMs), " ms", ""},
        {"drift_ppm", "drift", reportNumber("%.3f", r.driftPpm), " ppm", ""},
        {"gain_db", "gain", reportNumber("%.3f", r.gainDb), " dB", ""},
        {"frequency_hz", "frequency", reportNumber("%.3f", r.frequencyHz), " Hz", ""},
        {"thd_db", "THD", reportNumber("%.3f", r.thdDb), " dB", ""},
        {"thdn_db", "THD+N", reportNumber("%.3f", r.thdnDb), " dB", ""},
        {"noise_dbfs", "noise", reportNumber("%.3f", r.noiseDbfs), " dBFS", ""},
        {"snr_db", "SNR", reportNumber("%.3f", r.snrDb), " dB", ""},
        {"response", "response", r.found ? response : "null", "", r.response.empty() ? " none" : responseText},
        {"gaps", "gaps", r.found ? gaps : "null", "", gapsText},
        {"clipped_input", "clipped input", std::to_string((unsigned long long)r.clippedInput), " samples", ""},
    };
}

void printPathReport(FILE *out, const PathReport &report, int json) {
    const std::vector<ReportLine> lines = pathReportLines(report);
    printReportLines(out, lines.data(), lines.size(), json, pathLabelWidth);
}

namespace {

// Measures one channel: plays the stimulus in channels.played, the others
// silent, while the input records, and analyses the recording.  Restarts
// the stimulus for that channel first, but for channel 0, which
// startStimulus made ready.  Returns 1 with *report filled, or 0 after a
// message.
int measureChannel(const RenderOptions &options, Stimulus *stimulus, const ListenChannels &channels,
                   PathReport *report) {
    stimulus->column = channels.played;
    if (channels.played > 0 && !restartStimulus(stimulus)) return 0;
    std::vector<int16_t> recorded;
    double skewMs = 0;
    if (playAndRecord(stimulus, channels, &recorded, &skewMs) != 0 || !restartStimulus(stimulus)) return 0;
    PathRun run;
    run.rate = options.rate;
    run.lead = stimulus->lead;
    run.span = stimulus->span;
    run.recorded = &recorded;
    run.inputs = channels.inputs;
    run.startSkewMs = skewMs;
    run.columns = isGiven(options, OptionPlot) ? pathPlotColumns(options.width, options.height) : 0;
    int madeOk = 1;
    run.nextPlayed = [&](int16_t *out, size_t count) {
        if (!nextStimulus(stimulus, out, count)) madeOk = 0;
    };
    return analysePath(run, report) >= 0 && madeOk;
}

} // namespace

int measureSoundPath(const RenderOptions &options) {
    // The picture's file first: a file that cannot be made is a usage error,
    // found before anything plays.
    RenderOutput picture = {};
    if (isGiven(options, OptionPlot) && !openOutput(&picture, options.plot)) return 2;
    const auto dropPicture = [&] {
        if (isGiven(options, OptionPlot)) abandonOutput(&picture);
    };
    Stimulus stimulus = {};
    if (!startStimulus(&stimulus, options.start, spanSamples(options), options.rate)) {
        dropPicture();
        return 1;
    }
    const unsigned outputs = options.channels, inputs = options.inputChannels ? options.inputChannels : outputs;
    std::vector<PathReport> reports(outputs);
    for (unsigned c = 0; c < outputs; c++)
        if (!measureChannel(options, &stimulus, ListenChannels{outputs, c, inputs}, &reports[c])) {
            endStimulus(&stimulus);
            dropPicture();
            return 1;
        }
    endStimulus(&stimulus);
    const int json = isGiven(options, OptionJson);
    int failed = 0, lost = 0;
    if (outputs == 1 && inputs == 1) {
        printPathReport(stdout, reports[0], json);
        if (!reports[0].found) std::printf("the played signal was not found in the input\n");
        failed = printFailedLimits(stdout, reports[0], options.limits);
    } else {
        printChannelsReport(stdout, reports, json);
        for (unsigned c = 0; c < outputs; c++)
            if (!reports[c].found)
                std::printf("the played signal of %s was not found in the input\n", channelTitle(c, outputs).c_str());
        failed = printFailedChannelLimits(stdout, reports, options.limits);
    }
    for (const PathReport &report : reports)
        lost |= !report.found;
    std::string title = options.formula;
    for (unsigned c = 1; c < outputs; c++)
        title += std::string("  |  ") + options.formulas[c];
    if (isGiven(options, OptionPlot) &&
        !drawPathPlot(&picture, reports, title, options.width, options.height, isSvgPath(options.plot.c_str())))
        return 1;
    std::fflush(stdout);
    return failed || lost ? 3 : 0;
}
