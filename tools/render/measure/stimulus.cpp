// The played signal of --measure: see stimulus.h.
#include "tools/render/measure/stimulus.h"

#include <algorithm>
#include <cmath>

#include "audio/synthesis.h"
#include "tools/render/common/signal.h"
#include "tools/render/write/formats.h"

namespace {

const double leadSeconds = 0.5;

// Returns a played value as the 16-bit sample the stream makes of it:
// scaled by 32767 and truncated.
int16_t streamSample(double value) { return (int16_t)(limitSample(value) * 32767.0); }

// Makes the next samples of the span into stimulus->ready.  Returns 1, or 0
// after a message.
int refill(Stimulus *s) {
    s->ready.clear();
    s->readyAt = 0;
    const size_t step = (size_t)std::min<uint64_t>(signalChunk, s->formulaSpan - s->formulaDone);
    const unsigned channels = signalChannels();
    std::vector<double> values(signalChunk * channels), times(signalChunk);
    std::vector<unsigned char> events(signalChunk * channels);
    if (step > 0) {
        evaluateSignal(values.data(), events.data(), times.data(), step);
        s->formulaDone += step;
    }
    for (size_t i = 0; channels > 1 && i < step; i++) // the column kept, to the front
        values[i] = values[i * channels + s->column];
    if (s->rate == renderRate) {
        for (size_t i = 0; i < step; i++)
            s->ready.push_back(streamSample(values[i]));
        return 1;
    }
    if (!resampleValues(&s->resampler, step ? values.data() : nullptr, step)) return 0;
    for (double v : s->resampler.ready)
        s->ready.push_back(streamSample(v));
    return 1;
}

// Runs the formula from t = 0 over the samples before the span.
void startFormula(Stimulus *s) {
    for (unsigned i = 0; i < VariableCount; i++)
        setVariable(i, s->variables[i]);
    skipSignal(s->skip);
}

} // namespace

int startStimulus(Stimulus *s, uint64_t skip, uint64_t formulaSpan, uint32_t rate) {
    s->rate = rate;
    s->skip = skip;
    s->formulaSpan = formulaSpan;
    s->column = 0;
    s->lead = (uint64_t)(leadSeconds * rate);
    s->span = rate == renderRate ? formulaSpan : (formulaSpan * rate + renderRate / 2) / renderRate;
    for (unsigned i = 0; i < VariableCount; i++)
        s->variables[i] = getVariable(i);
    s->resampler = Resampler{nullptr, 0, 0, {}, 1};
    return restartStimulus(s);
}

int restartStimulus(Stimulus *s) {
    closeResampler(&s->resampler);
    s->resampler = Resampler{nullptr, 0, 0, {}, 1};
    if (s->rate != renderRate && !openResampler(&s->resampler, s->span, s->rate, 1)) return 0;
    s->position = 0;
    s->formulaDone = 0;
    s->ready.clear();
    s->readyAt = 0;
    startFormula(s);
    return 1;
}

int nextStimulus(Stimulus *s, int16_t *out, size_t count) {
    for (size_t i = 0; i < count; i++, s->position++) {
        if (s->position < s->lead || s->position >= s->lead + s->span) {
            out[i] = 0;
            continue;
        }
        if (s->readyAt >= s->ready.size() && !refill(s)) return 0;
        out[i] = s->readyAt < s->ready.size() ? s->ready[s->readyAt++] : 0; // the resampler's last may fall short
    }
    return 1;
}

void endStimulus(Stimulus *s) {
    closeResampler(&s->resampler);
    s->resampler = Resampler{nullptr, 0, 0, {}, 1};
}
