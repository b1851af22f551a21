// The run of --measure's devices: see listen.h.
//
// A message-only window takes the messages of both devices.  The input
// device opens first and records from then on, into buffers of 100 ms that
// are added again as soon as they come back full; then the output device
// plays the stimulus in buffers of 100 ms, refilled as they come back.  When
// the last played buffer is back (the device holds what it has taken for a
// while yet) the recording goes on for a further quarter second past the
// stimulus's closing silence, then both devices are reset and closed.
//
// Every count of the run is of frames: a played frame holds the output's
// channels, a recorded one the input's.
#include "tools/render/measure/listen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/deviceList.h"
#include "platform/streamFormat.h"
#include "platform/waveIn.h"
#include "platform/waveOut.h"
#include "platform/window.h"
#include "tools/render/cli/printable.h"
#include "tools/render/devices/refusal.h"
#include "tools/render/play/play.h"

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
    ListenChannels channels;
    uint64_t total;                 // frames to play: lead, span and tail
    uint64_t queued;                // frames queued for playing so far
    unsigned playing, recording;    // buffers out with each device
    std::vector<int16_t> *recorded; // what came back
    uint64_t recordUntil;           // frames to record, once known
    // Frames to record before the stimulus begins, and those recorded so
    // far: until then the output plays silence.  Through a sound server a
    // recording starts late and loses its first moments (a monitor records
    // only once something plays), and a sound card's input may take a while
    // to settle; the played signal must not begin before the recording runs.
    uint64_t prerollWanted, preroll;
    uint64_t aheadFrames;   // silence queued for playing when the kept recording began
    uint64_t silenceQueued; // silence queued for playing before the stimulus
    // Where the devices' clocks stood, read as buffers came back: for each
    // reading, the moment (seconds of the monotonic clock) at which the
    // stream's first frame was played, or recorded.
    std::vector<double> outputOrigins, inputOrigins;
    uint32_t bufferFrames; // of each buffer
    int ticksSinceData;
    int stopping;
    const char *failure; // why the run ended early, or null
    WaveHeader playHeaders[bufferCount], recordHeaders[bufferCount];
    std::vector<int16_t> playBuffers[bufferCount], recordBuffers[bufferCount];
    std::vector<int16_t> column; // the stimulus's frames, spread into the played channel
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

// Writes count frames of the stimulus to buffer, in the played channel of
// the output's frames.  Returns 1, or 0 when the stimulus could not be made.
int fillPlayed(int16_t *buffer, size_t count) {
    const unsigned outputs = listen.channels.outputs;
    if (outputs == 1) return nextStimulus(listen.stimulus, buffer, count);
    listen.column.resize(count);
    if (!nextStimulus(listen.stimulus, listen.column.data(), count)) return 0;
    std::fill(buffer, buffer + count * outputs, 0);
    for (size_t i = 0; i < count; i++)
        buffer[i * outputs + listen.channels.played] = listen.column[i];
    return 1;
}

// Fills a played buffer from the stimulus and queues it.  Returns nothing.
void queuePlayed(WaveHeader *header, std::vector<int16_t> *buffer) {
    const uint64_t left = listen.total - listen.queued;
    if (left == 0 || listen.stopping) return;
    const int prerolling = listen.preroll < listen.prerollWanted;
    const size_t count = prerolling ? listen.bufferFrames : (size_t)std::min<uint64_t>(listen.bufferFrames, left);
    if (prerolling) {
        std::fill(buffer->begin(), buffer->end(), 0);
    } else if (!fillPlayed(buffer->data(), count)) {
        stopRun("the played signal could not be made");
        return;
    }
    header->dwBufferLength = (uint32_t)(count * 2 * listen.channels.outputs);
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

// Returns the frames recorded and kept so far.
uint64_t recordedFrames() { return listen.recorded->size() / listen.channels.inputs; }

// Reads where a device's clock stands and adds when its first frame was
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
                std::max<uint64_t>(recordedFrames() + (uint64_t)(overhangSeconds * listen.stimulus->rate),
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
            const uint32_t frames = header->dwBytesRecorded / (2 * listen.channels.inputs);
            if (listen.preroll < listen.prerollWanted) {
                listen.preroll += frames; // recorded before the stimulus: dropped
                // The silence still queued plays before the stimulus does.
                if (listen.preroll >= listen.prerollWanted) listen.aheadFrames = listen.playing * listen.bufferFrames;
            } else
                listen.recorded->insert(listen.recorded->end(), samples,
                                        samples + (size_t)frames * listen.channels.inputs);
            if (listen.recordUntil && recordedFrames() >= listen.recordUntil) {
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

// Returns the 16-bit PCM format of channels at rate.
StreamFormat pcmFormat(unsigned channels, uint32_t rate) {
    const uint16_t frameBytes = (uint16_t)(2 * channels);
    return StreamFormat{1, (uint16_t)channels, rate, rate * frameBytes, frameBytes, 16, 0};
}

// Returns "mono" or "N channels" for a message.
std::string channelsText(unsigned channels) {
    return channels == 1 ? std::string("mono") : std::to_string(channels) + " channels";
}

// Gives every buffer of headers and buffers count frames of channels and
// prepares it with prepare on device.  Returns nothing.
template <typename Handle, typename Prepare>
void prepareBuffers(Handle device, Prepare prepare, WaveHeader *headers, std::vector<int16_t> *buffers, uint32_t frames,
                    unsigned channels) {
    for (unsigned i = 0; i < bufferCount; i++) {
        buffers[i].assign((size_t)frames * channels, 0);
        headers[i] = WaveHeader{(char *)buffers[i].data(), frames * 2 * channels, 0, i, 0, 0, nullptr, 0};
        prepare(device, &headers[i], sizeof(WaveHeader));
    }
}

} // namespace

int playAndRecord(Stimulus *stimulus, const ListenChannels &channels, std::vector<int16_t> *recorded, double *skewMs) {
    listen = ListenRun();
    listen.stimulus = stimulus;
    listen.channels = channels;
    listen.recorded = recorded;
    listen.total = stimulus->lead + stimulus->span + (uint64_t)(tailSeconds * stimulus->rate);
    listen.prerollWanted = (uint64_t)(prerollSeconds * stimulus->rate);
    // All the recording will hold, and a buffer's worth more, at once: a
    // vector left to grow would hold its old and its doubled block together,
    // three times the recording of a 10-minute run.
    recorded->reserve((listen.total + (uint64_t)((longestLagSeconds + overhangSeconds) * stimulus->rate) +
                       stimulus->rate * bufferMs / 1000) *
                      channels.inputs);
    Window window = createMessageWindow(listenProc);
    if (!window) {
        std::fprintf(stderr, "tonalix-render: cannot create the message window\n");
        return 1;
    }
    const StreamFormat inputFormat = pcmFormat(channels.inputs, stimulus->rate);
    const StreamFormat outputFormat = pcmFormat(channels.outputs, stimulus->rate);
    const uint32_t bufferFrames = stimulus->rate * bufferMs / 1000;
    listen.bufferFrames = bufferFrames;
    WaveResult opened = recordOpen(&listen.input, WAVE_MAPPER, &inputFormat, window);
    const std::string inputRefused =
        opened == WaveErrorBadFormat ? refusalText(DeviceCapture, stimulus->rate, channels.inputs, 1) : "";
    if (opened != WaveOk) {
        if (!inputRefused.empty())
            std::fprintf(stderr, "tonalix-render: %s\n", inputRefused.c_str());
        else if (opened == WaveErrorBadFormat)
            std::fprintf(stderr, "tonalix-render: the input device refuses 16-bit %s at %u Hz (try --rate%s)\n",
                         channelsText(channels.inputs).c_str(), (unsigned)stimulus->rate,
                         channels.inputs > 1 ? " or --input-channels" : "");
        else if (!chosenDevice(DeviceCapture).empty())
            std::fprintf(stderr, "tonalix-render: cannot record from the input device '%s'\n",
                         printableText(chosenDevice(DeviceCapture)).c_str());
        else
            std::fprintf(stderr, "tonalix-render: there is no input device to record from\n");
        destroyMessageWindow(window);
        return 1;
    }
    prepareBuffers(listen.input, recordPrepareHeader, listen.recordHeaders, listen.recordBuffers, bufferFrames,
                   channels.inputs);
    for (unsigned i = 0; i < bufferCount; i++)
        if (recordAddBuffer(listen.input, &listen.recordHeaders[i], sizeof(WaveHeader)) == WaveOk) listen.recording++;
    recordStart(listen.input);
    WavePosition position;
    recordGetPosition(listen.input, &position); // the devices read their clocks from now on
    opened = waveOpen(&listen.output, WAVE_MAPPER, &outputFormat, window);
    if (opened != WaveOk) {
        const std::string device = outputDeviceText();
        const std::string refused =
            opened == WaveErrorBadFormat ? refusalText(DevicePlayback, stimulus->rate, channels.outputs, 1) : "";
        if (!refused.empty())
            std::fprintf(stderr, "tonalix-render: %s\n", refused.c_str());
        else if (channels.outputs == 1)
            std::fprintf(stderr, "tonalix-render: cannot open %s for %u Hz 16-bit mono\n", device.c_str(),
                         (unsigned)stimulus->rate);
        else if (opened == WaveErrorBadFormat)
            std::fprintf(stderr, "tonalix-render: the output device refuses 16-bit %s at %u Hz\n",
                         channelsText(channels.outputs).c_str(), (unsigned)stimulus->rate);
        else
            std::fprintf(stderr, "tonalix-render: cannot open %s for %u Hz 16-bit %s\n", device.c_str(),
                         (unsigned)stimulus->rate, channelsText(channels.outputs).c_str());
        listen.output = nullptr;
        stopRun("");
    } else {
        waveGetPosition(listen.output, &position);
        prepareBuffers(listen.output, wavePrepareHeader, listen.playHeaders, listen.playBuffers, bufferFrames,
                       channels.outputs);
        for (unsigned i = 0; i < bufferCount; i++)
            queuePlayed(&listen.playHeaders[i], &listen.playBuffers[i]);
    }
    startTimer(window, watchdogTimer, watchdogPeriodMs);
    closeWhenDone();
    const int result = runMessageLoop();
    const double outputOrigin = median(&listen.outputOrigins), inputOrigin = median(&listen.inputOrigins);
    if (std::isfinite(outputOrigin) && std::isfinite(inputOrigin))
        *skewMs = (outputOrigin - inputOrigin) * 1000.0 +
                  ((double)listen.silenceQueued - (double)listen.preroll) * 1000.0 / stimulus->rate;
    else
        *skewMs = (double)listen.aheadFrames * 1000.0 / stimulus->rate;
    stopTimer(window, watchdogTimer);
    destroyMessageWindow(window);
    if (listen.failure && *listen.failure) std::fprintf(stderr, "tonalix-render: %s\n", listen.failure);
    return result;
}
