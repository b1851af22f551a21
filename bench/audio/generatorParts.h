// What the generator's benchmarks share: starting a formula as playback does,
// and the generator's loop written by hand around a native formula.
#ifndef TONALIX_BENCH_AUDIO_GENERATORPARTS_H
#define TONALIX_BENCH_AUDIO_GENERATORPARTS_H

#include <cstdint>
#include <cstring>

#include "audio/synthesis.h"
#include "bench/benchFormulas.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace generatorParts {

using namespace benchFormulas;

inline const int samplesPerBuffer = 33075;
inline const double sampleRate = 132300;

// Starts formula f as playback does, with machine code or without.
inline void startFormula(int f, int machineCode) {
    setMachineCodeEnabled(machineCode);
    compileFormula(formulas[f].text);
    evaluateFormula();
    setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formulas[f].text);
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
}

// The generator's loop written by hand around the native formula: the time
// of the next sample, the time of the last one, and the buffer.
struct NativeGenerator {
    double (*formula)(double);
    double now = 0.0;
    double lastTime = 0.0;

    void fill(unsigned char *out, int count) {
        const double period = 1.0 / 132300;
        for (int i = 0; i < count; i++, out += 2) {
            lastTime = now;
            double v = formula(now);
            now = period + now;
            if (v > 1.0)
                v = 1.0;
            else if (!(v >= -1.0))
                v = -1.0;
            const int16_t sample = (int16_t)(v * 32767.0);
            std::memcpy(out, &sample, 2);
        }
    }
};

} // namespace generatorParts

#endif
