// The played values of the formula: see signal.h.
//
// The steps are generateSamples' own when it has no machine-code loop: t is
// read once and carried, each sample is evaluated, t is set to one period
// more, and the value is limited (limitSample).  The engine's status word tells a failed
// evaluation (setVariable clears it again for the next sample).
#include "tools/render/common/signal.h"

#include <cmath>
#include <vector>

#include "audio/channels.h"
#include "audio/synthesis.h"
#include "formula/formula.h"

namespace {

// The SampleEvent bits of played value limited, made from value v, of a
// sample whose formula failed or not.
unsigned char sampleEvents(double v, double limited, int failed) {
    unsigned char event = failed ? SampleFailed : 0;
    if (!(limited == v)) { // above 1, below -1, or not-a-number (played as -1)
        event |= std::isnan(v) ? SampleNonfinite : SampleClipped;
        if (std::isinf(v)) event |= SampleNonfinite;
    }
    return event;
}

} // namespace

unsigned signalChannels() { return channelSet.count > 1 ? channelSet.count : 1; }

void evaluateSignal(double *values, unsigned char *events, double *times, size_t count) {
    if (channelSet.count > 1) {
        const size_t samples = count * channelSet.count;
        evaluateChannelFrames(values, events, times, count);
        for (size_t i = 0; i < samples; i++) {
            const double v = values[i];
            if (v >= -1.0 && v <= 1.0) { // played as it is: the one test most samples need
                events[i] = events[i] ? SampleFailed : 0;
                continue;
            }
            values[i] = limitSample(v);
            events[i] = sampleEvents(v, values[i], events[i]);
        }
        return;
    }
    const double period = 1.0 / clockRate;
    double now = getVariable(VariableT);
    for (size_t i = 0; i < count; i++) {
        times[i] = now;
        double v = evaluateFormula();
        const int failed = (formulaStatus & FormulaEvalFailed) != 0;
        now = period + now;
        setVariable(VariableT, now);
        const double limited = limitSample(v);
        values[i] = limited;
        events[i] = sampleEvents(v, limited, failed);
    }
}

void skipSignal(uint64_t count) {
    const unsigned channels = signalChannels();
    std::vector<unsigned char> buffer(2 * signalChunk * channels);
    while (count > 0) {
        size_t step = count < signalChunk ? (size_t)count : signalChunk;
        generateSamples(buffer.data(), (int32_t)(2 * step * channels));
        count -= step;
    }
}
