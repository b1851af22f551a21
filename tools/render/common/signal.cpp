// The played values of the formula: see signal.h.
//
// The steps are generateSamples' own when it has no machine-code loop: t is
// read once and carried, each sample is evaluated, t is set to one period
// more, and the value is limited (limitSample).  The engine's status word tells a failed
// evaluation (setVariable clears it again for the next sample).
#include "tools/render/common/signal.h"

#include <cmath>
#include <vector>

#include "audio/synthesis.h"
#include "formula/formula.h"

void evaluateSignal(double *values, unsigned char *events, double *times, size_t count) {
    const double period = 1.0 / clockRate;
    double now = getVariable(VariableT);
    for (size_t i = 0; i < count; i++) {
        times[i] = now;
        double v = evaluateFormula();
        unsigned char event = (formulaStatus & FormulaEvalFailed) ? SampleFailed : 0;
        now = period + now;
        setVariable(VariableT, now);
        const double limited = limitSample(v);
        if (!(limited == v)) { // above 1, below -1, or not-a-number (played as -1)
            event |= std::isnan(v) ? SampleNonfinite : SampleClipped;
            if (std::isinf(v)) event |= SampleNonfinite;
        }
        values[i] = limited;
        events[i] = event;
    }
}

void skipSignal(uint64_t count) {
    std::vector<unsigned char> buffer(2 * signalChunk);
    while (count > 0) {
        size_t step = count < signalChunk ? (size_t)count : signalChunk;
        generateSamples(buffer.data(), (int32_t)(2 * step));
        count -= step;
    }
}
