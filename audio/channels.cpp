// The channels of a stream: see channels.h.
//
// Channels that share no variable (beside t, which none assigns) give the
// same samples whether the frames run one at a time or each channel runs a
// piece of frames on its own from the same t.  The second is much the
// faster: one switch of program per piece, and the engine's machine-code
// loop for the 16-bit samples.  Shared variables need the first.
#include "audio/channels.h"

#include <cstring>

#include "audio/synthesis.h"

ChannelSet channelSet;

namespace {

const size_t pieceFrames = 1024; // frames each channel runs on its own in turn

// Returns 1 when a formula assigns t, or a variable that another formula
// reads or assigns.
int channelsShareVariables(unsigned count) {
    for (unsigned i = 0; i < count; i++) {
        if (variablesAssigned(i) & (1u << VariableT)) return 1;
        for (unsigned j = 0; j < count; j++)
            if (i != j && (variablesAssigned(i) & (variablesRead(j) | variablesAssigned(j)))) return 1;
    }
    return 0;
}

// Stores the 16-bit sample of value v at out, little-endian.
void storeSample(unsigned char *out, double v) {
    const uint16_t bits = (uint16_t)(int16_t)(int)(limitSample(v) * 32767.0);
    out[0] = (unsigned char)bits;
    out[1] = (unsigned char)(bits >> 8);
}

} // namespace

int setChannelPlaybackFormat(const char *const *formulas, unsigned count, unsigned *failed) {
    if (count < 1 || count > maxChannels) {
        *failed = count;
        return 0;
    }
    if (count == 1) {
        *failed = 0;
        if (!setPlaybackFormat(formulas[0])) return 0;
        channelSet = ChannelSet{0, 0};
        return 1;
    }
    for (unsigned c = 0; c < count; c++) {
        if (compileFormula(formulas[c]) != 0 || !keepProgram(c)) {
            *failed = c;
            return 0;
        }
    }
    channelSet = ChannelSet{count, channelsShareVariables(count)};
    setVariable(VariableT, 0.0);
    const int32_t block = (int32_t)(2 * count);
    // The format's own compilation is the last channel's, already kept.
    streamFormat = StreamFormat{
        1, (uint16_t)count, (uint32_t)streamSampleRate, (uint32_t)(block * streamSampleRate), (uint16_t)block, 16, 0};
    clockRate = streamSampleRate;
    return 1;
}

void evaluateChannelFrames(double *values, unsigned char *failed, double *times, size_t frames) {
    const unsigned count = channelSet.count;
    const double period = 1.0 / clockRate;
    if (channelSet.shared) {
        for (size_t i = 0; i < frames; i++, values += count, failed += count) {
            const double now = getVariable(VariableT);
            times[i] = now;
            for (unsigned c = 0; c < count; c++) {
                useProgram(c);
                values[c] = evaluateFormula();
                failed[c] = (formulaStatus & FormulaEvalFailed) != 0;
            }
            setVariable(VariableT, period + now);
        }
        return;
    }
    for (size_t first = 0; first < frames; first += pieceFrames) {
        const size_t length = frames - first < pieceFrames ? frames - first : pieceFrames;
        const double start = getVariable(VariableT);
        for (unsigned c = 0; c < count; c++) {
            useProgram(c);
            setVariable(VariableT, start);
            double now = start, *value = values + first * count + c;
            unsigned char *fail = failed + first * count + c;
            for (size_t i = 0; i < length; i++, value += count, fail += count) {
                if (c == 0) times[first + i] = now;
                *value = evaluateFormula();
                *fail = (formulaStatus & FormulaEvalFailed) != 0;
                now = period + now;
                setVariable(VariableT, now);
            }
        }
    }
}

void generateChannelSamples(unsigned char *out, size_t frames) {
    const unsigned count = channelSet.count;
    const double period = 1.0 / clockRate;
    if (channelSet.shared) {
        for (size_t i = 0; i < frames; i++) {
            const double now = getVariable(VariableT);
            lastSampleTime = now;
            for (unsigned c = 0; c < count; c++, out += 2) {
                useProgram(c);
                storeSample(out, evaluateFormula());
            }
            setVariable(VariableT, period + now);
        }
        return;
    }
    // Each channel's piece, then all of them interleaved in one pass that
    // writes the frames in order (a pass per channel, striding, cost twice).
    int16_t pieces[maxChannels][pieceFrames];
    for (size_t first = 0; first < frames; first += pieceFrames) {
        const size_t length = frames - first < pieceFrames ? frames - first : pieceFrames;
        const double start = getVariable(VariableT);
        for (unsigned c = 0; c < count; c++) {
            useProgram(c);
            setVariable(VariableT, start);
            generateFormulaSamples((unsigned char *)pieces[c], (int32_t)length);
        }
        unsigned char *to = out + 2 * first * count;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        if (count == 2) { // the common case, as one loop the compiler vectorises
            for (size_t i = 0; i < length; i++, to += 4) {
                const uint32_t frame = (uint16_t)pieces[0][i] | (uint32_t)(uint16_t)pieces[1][i] << 16;
                std::memcpy(to, &frame, 4);
            }
            continue;
        }
#endif
        for (size_t i = 0; i < length; i++)
            for (unsigned c = 0; c < count; c++, to += 2)
                std::memcpy(to, &pieces[c][i], 2);
    }
}
