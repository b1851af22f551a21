// --measure: see measure.h.
//
// The run: a message-only window takes the messages of both devices.  The
// input device opens first and records from then on, into buffers of
// 100 ms that are added again as soon as they come back full; then the
// output device plays the stimulus in buffers of 100 ms, refilled as they
// come back.  When the last played buffer is back (the device holds what it
// has taken for a while yet) the recording goes on for a further quarter
// second past the stimulus's closing silence, then both devices are reset
// and closed and the analysis begins.
#include "tools/render/measure/measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/synthesis.h"
#include "platform/waveIn.h"
#include "platform/waveOut.h"
#include "platform/window.h"
#include "tools/render/analyze/plot.h"
#include "tools/render/common/drawing.h"
#include "tools/render/common/report.h"
#include "tools/render/measure/limits.h"
#include "tools/render/measure/pathPlot.h"
#include "tools/render/measure/stimulus.h"
#include "tools/render/write/formats.h"

namespace {

const unsigned bufferCount = 4;
const unsigned bufferMs = 100;
const double tailSeconds = 0.5; // silence played after the span
const double prerollSeconds = 0.3;
const double overhangSeconds = 0.25;  // recorded after the last played buffer came back
const double longestLagSeconds = 2.5; // and at least this much past the stimulus: the latency searched for
const unsigned watchdogTimer = 1, watchdogPeriodMs = 500;
const int stalledTicks = 8; // half-second ticks without a buffer from either device: give up

// What the run keeps between messages.
struct ListenRun {
    WaveOutHandle output;
    WaveInHandle input;
    Stimulus *stimulus;
    uint64_t total;                 // samples to play: lead, span and tail
    uint64_t queued;                // samples queued for playing so far
    unsigned playing, recording;    // buffers out with each device
    std::vector<int16_t> *recorded; // what came back
    uint64_t recordUntil;           // samples to record, once known
    // Samples to record before the stimulus begins, and those recorded so
    // far: until then the output plays silence.  Through a sound server a
    // recording starts late and loses its first moments (a monitor records
    // only once something plays), and a sound card's input may take a while
    // to settle; the played signal must not begin before the recording runs.
    uint64_t prerollWanted, preroll;
    uint64_t aheadSamples;  // silence queued for playing when the kept recording began
    uint64_t silenceQueued; // silence queued for playing before the stimulus
    // Where the devices' clocks stood, read as buffers came back: for each
    // reading, the moment (seconds of the monotonic clock) at which the
    // stream's first sample was played, or recorded.
    std::vector<double> outputOrigins, inputOrigins;
    uint32_t bufferSamples; // of each buffer
    int ticksSinceData;
    int stopping;
    const char *failure; // why the run ended early, or null
    WaveHeader playHeaders[bufferCount], recordHeaders[bufferCount];
    std::vector<int16_t> playBuffers[bufferCount], recordBuffers[bufferCount];
};

ListenRun listen;

// Resets both devices (every buffer comes back) and ends the loop once
// they are closed; notes failure, the first one given.
void stopRun(const char *failure) {
    if (!listen.failure) listen.failure = failure;
    if (listen.stopping) return;
    listen.stopping = 1;
    if (listen.output) waveReset(listen.output);
    if (listen.input) recordReset(listen.input);
}

// Fills a played buffer from the stimulus and queues it.  Returns nothing.
void queuePlayed(WaveHeader *header, std::vector<int16_t> *buffer) {
    const uint64_t left = listen.total - listen.queued;
    if (left == 0 || listen.stopping) return;
    const int prerolling = listen.preroll < listen.prerollWanted;
    const size_t count = prerolling ? buffer->size() : (size_t)std::min<uint64_t>(buffer->size(), left);
    if (prerolling) {
        std::fill(buffer->begin(), buffer->end(), 0);
    } else if (!nextStimulus(listen.stimulus, buffer->data(), count)) {
        stopRun("the played signal could not be made");
        return;
    }
    header->dwBufferLength = (uint32_t)(count * 2);
    header->dwFlags &= ~WHDR_DONE;
    if (waveWrite(listen.output, header, sizeof *header) != WaveOk) {
        stopRun("the output device was lost during the measurement");
        return;
    }
    if (prerolling)
        listen.silenceQueued += count;
    else
        listen.queued += count;
    listen.playing++;
}

// Reads where a device's clock stands and adds when its first sample was
// played (or recorded) to origins, once per new reading.
void readClock(WavePosition position, std::vector<double> *origins) {
    const double origin = (double)position.steadyNs * 1e-9 - (double)position.samples / listen.stimulus->rate;
    if (origins->empty() || origins->back() != origin) origins->push_back(origin);
}

// Returns the middle of values (which it sorts), or NaN for none.
double median(std::vector<double> *values) {
    if (values->empty()) return NAN;
    std::sort(values->begin(), values->end());
    return (*values)[values->size() / 2];
}

// Closes the devices once every buffer is back, and ends the loop.
void closeWhenDone() {
    if (!listen.stopping || listen.playing || listen.recording) return;
    if (listen.output) waveClose(listen.output);
    if (listen.input) recordClose(listen.input);
    listen.output = nullptr;
    listen.input = nullptr;
    postQuitMessage(listen.failure ? 1 : 0);
}

intptr_t listenProc(Window, unsigned message, WParam, LParam lParam) {
    auto *header = (WaveHeader *)lParam;
    switch (message) {
    case MM_WOM_DONE: {
        listen.playing--;
        listen.ticksSinceData = 0;
        WavePosition position;
        if (listen.output && waveGetPosition(listen.output, &position) == WaveOk)
            readClock(position, &listen.outputOrigins);
        if (listen.queued < listen.total)
            queuePlayed(header, &listen.playBuffers[header->dwUser]);
        else if (listen.playing == 0 && !listen.recordUntil)
            listen.recordUntil =
                std::max<uint64_t>(listen.recorded->size() + (uint64_t)(overhangSeconds * listen.stimulus->rate),
                                   listen.total + (uint64_t)(longestLagSeconds * listen.stimulus->rate));
        closeWhenDone();
        break;
    }
    case MM_WIM_DATA: {
        listen.recording--;
        listen.ticksSinceData = 0;
        WavePosition position;
        if (listen.input && recordGetPosition(listen.input, &position) == WaveOk)
            readClock(position, &listen.inputOrigins);
        if (!listen.stopping) {
            const int16_t *samples = (const int16_t *)header->lpData;
            if (listen.preroll < listen.prerollWanted) {
                listen.preroll += header->dwBytesRecorded / 2; // recorded before the stimulus: dropped
                // The silence still queued plays before the stimulus does.
                if (listen.preroll >= listen.prerollWanted) listen.aheadSamples = listen.playing * listen.bufferSamples;
            } else
                listen.recorded->insert(listen.recorded->end(), samples, samples + header->dwBytesRecorded / 2);
            if (listen.recordUntil && listen.recorded->size() >= listen.recordUntil) {
                stopRun(nullptr);
            } else {
                header->dwBytesRecorded = 0;
                header->dwFlags &= ~WHDR_DONE;
                if (recordAddBuffer(listen.input, header, sizeof *header) == WaveOk)
                    listen.recording++;
                else
                    stopRun("the input device was lost during the measurement");
            }
        }
        closeWhenDone();
        break;
    }
    case MM_WOM_LOST:
        stopRun("the output device was lost during the measurement");
        break;
    case MM_WIM_LOST:
        stopRun("the input device was lost during the measurement");
        break;
    case WM_TIMER:
        if (++listen.ticksSinceData >= stalledTicks) stopRun("the sound devices stopped moving samples");
        break;
    }
    return 0;
}

// Plays the stimulus and records meanwhile into *recorded.  Returns 0, or 1
// after a message.  *skewMs: how much later the stimulus began to play than
// the recording kept began to be recorded, so that the lag of the one behind
// the other, less the skew, is the latency of the path between the devices.
// It comes from the devices' clocks where both tell them; otherwise it is
// the silence queued ahead of the stimulus, which leaves out how long each
// device (and a sound server) holds the samples.
int playAndRecord(Stimulus *stimulus, std::vector<int16_t> *recorded, double *skewMs) {
    listen = ListenRun();
    listen.stimulus = stimulus;
    listen.recorded = recorded;
    listen.total = stimulus->lead + stimulus->span + (uint64_t)(tailSeconds * stimulus->rate);
    listen.prerollWanted = (uint64_t)(prerollSeconds * stimulus->rate);
    // All the recording will hold, and a buffer's worth more, at once: a
    // vector left to grow would hold its old and its doubled block together,
    // three times the recording of a 10-minute run.
    recorded->reserve(listen.total + (uint64_t)((longestLagSeconds + overhangSeconds) * stimulus->rate) +
                      stimulus->rate * bufferMs / 1000);
    Window window = createMessageWindow(listenProc);
    if (!window) {
        std::fprintf(stderr, "tonalix-render: cannot create the message window\n");
        return 1;
    }
    const StreamFormat format = {1, 1, stimulus->rate, stimulus->rate * 2, 2, 16, 0}; // 16-bit mono PCM
    const uint32_t bufferSamples = stimulus->rate * bufferMs / 1000;
    listen.bufferSamples = bufferSamples;
    WaveResult opened = recordOpen(&listen.input, WAVE_MAPPER, &format, window);
    if (opened != WaveOk) {
        if (opened == WaveErrorBadFormat)
            std::fprintf(stderr, "tonalix-render: the input device refuses 16-bit mono at %u Hz (try --rate)\n",
                         (unsigned)stimulus->rate);
        else
            std::fprintf(stderr, "tonalix-render: there is no input device to record from\n");
        destroyMessageWindow(window);
        return 1;
    }
    for (unsigned i = 0; i < bufferCount; i++) {
        listen.recordBuffers[i].assign(bufferSamples, 0);
        listen.recordHeaders[i] =
            WaveHeader{(char *)listen.recordBuffers[i].data(), bufferSamples * 2, 0, i, 0, 0, nullptr, 0};
        recordPrepareHeader(listen.input, &listen.recordHeaders[i], sizeof(WaveHeader));
        if (recordAddBuffer(listen.input, &listen.recordHeaders[i], sizeof(WaveHeader)) == WaveOk) listen.recording++;
    }
    recordStart(listen.input);
    WavePosition position;
    recordGetPosition(listen.input, &position); // the devices read their clocks from now on
    opened = waveOpen(&listen.output, WAVE_MAPPER, &format, window);
    if (opened != WaveOk) {
        std::fprintf(stderr, "tonalix-render: cannot open the default sound device for %u Hz 16-bit mono\n",
                     (unsigned)stimulus->rate);
        listen.output = nullptr;
        stopRun("");
    } else {
        waveGetPosition(listen.output, &position);
        for (unsigned i = 0; i < bufferCount; i++) {
            listen.playBuffers[i].assign(bufferSamples, 0);
            listen.playHeaders[i] =
                WaveHeader{(char *)listen.playBuffers[i].data(), bufferSamples * 2, 0, i, 0, 0, nullptr, 0};
            wavePrepareHeader(listen.output, &listen.playHeaders[i], sizeof(WaveHeader));
            queuePlayed(&listen.playHeaders[i], &listen.playBuffers[i]);
        }
    }
    startTimer(window, watchdogTimer, watchdogPeriodMs);
    closeWhenDone();
    const int result = runMessageLoop();
    const double outputOrigin = median(&listen.outputOrigins), inputOrigin = median(&listen.inputOrigins);
    if (std::isfinite(outputOrigin) && std::isfinite(inputOrigin))
        *skewMs = (outputOrigin - inputOrigin) * 1000.0 +
                  ((double)listen.silenceQueued - (double)listen.preroll) * 1000.0 / stimulus->rate;
    else
        *skewMs = (double)listen.aheadSamples * 1000.0 / stimulus->rate;
    stopTimer(window, watchdogTimer);
    destroyMessageWindow(window);
    if (listen.failure && *listen.failure) std::fprintf(stderr, "tonalix-render: %s\n", listen.failure);
    return result;
}

} // namespace

void printPathReport(FILE *out, const PathReport &r, int json) {
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
    const ReportLine lines[] = {
        {"samples", "samples", std::to_string((unsigned long long)r.samples), "", ""},
        {"seconds", "seconds", reportNumber("%.9g", (double)r.samples / r.rate), " s", ""},
        {"rate", "rate", std::to_string((unsigned)r.rate), " Hz", ""},
        {"latency_ms", "latency", reportNumber("%.3f", r.latencyMs), " ms", ""},
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
    printReportLines(out, lines, sizeof lines / sizeof lines[0], json, 15);
}

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
    std::vector<int16_t> recorded;
    double skewMs = 0;
    if (playAndRecord(&stimulus, &recorded, &skewMs) != 0 || !restartStimulus(&stimulus)) {
        endStimulus(&stimulus);
        dropPicture();
        return 1;
    }
    PathRun run;
    run.rate = options.rate;
    run.lead = stimulus.lead;
    run.span = stimulus.span;
    run.recorded = &recorded;
    run.startSkewMs = skewMs;
    run.columns = isGiven(options, OptionPlot) ? pathPlotColumns(options.width, options.height) : 0;
    int madeOk = 1;
    run.nextPlayed = [&](int16_t *out, size_t count) {
        if (!nextStimulus(&stimulus, out, count)) madeOk = 0;
    };
    PathReport report;
    const int analysed = analysePath(run, &report);
    endStimulus(&stimulus);
    if (analysed < 0 || !madeOk) {
        dropPicture();
        return 1;
    }
    printPathReport(stdout, report, isGiven(options, OptionJson));
    if (!report.found) std::printf("the played signal was not found in the input\n");
    const int failed = printFailedLimits(stdout, report, options.limits);
    if (isGiven(options, OptionPlot) && !drawPathPlot(&picture, report, options.formula, options.width, options.height,
                                                      isSvgPath(options.plot.c_str())))
        return 1;
    std::fflush(stdout);
    return failed || !report.found ? 3 : 0;
}
