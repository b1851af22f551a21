// Plays the countdown's silence through the sound device for the real-sound
// tests: the default formula is set up as Play does, but with the countdown
// flag held at 1 the stream carries zeros only.
//
// Usage: countdownPlayer SAMPLES
#include <cstdio>
#include <cstdlib>

#include "audio/synthesis.h"
#include "formula/formula.h"
#include "tools/render/play/play.h"

int main(int argc, char **argv) {
    const char *formula = "sin(440*6.2831853071795865*t)";
    long samples = argc > 1 ? std::atol(argv[1]) : 0;
    if (samples <= 0 || compileFormula(formula) != 0) {
        std::fprintf(stderr, "usage: countdownPlayer SAMPLES\n");
        return 2;
    }
    evaluateFormula();
    if (!setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formula)) return 1;
    return playThroughDevice((uint64_t)samples, 1);
}
