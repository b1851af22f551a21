// What --measure finds: the sound path's latency, gain, response,
// distortion, noise and gaps, from the samples it played and the samples
// it recorded meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// One third-octave band of the response.
struct ResponsePoint {
    double hz; // the band's centre
    double db; // the returned power against the played power in the band
};

// A stretch of the span in which the returned signal fell silent while the
// played one did not.
struct PathGap {
    double startMs;  // from the span's start
    double lengthMs; // 2 ms or more
};

struct PathReport {
    uint64_t samples; // of the span, at the rate
    uint32_t rate;
    int found;          // 1: the played signal was found in the input (else the rest is NAN or empty)
    double latencyMs;   // from output to input
    double driftPpm;    // the input's clock against the output's, + when it runs fast; NAN when the span is too short
    double gainDb;      // RMS of the returned span against the played span's
    double frequencyHz; // the returned tone's, NAN when none stands out
    double thdDb, thdnDb;
    double noiseDbfs; // the input's RMS over the leading silence; NAN for digital silence
    double snrDb;     // the returned span's RMS against that noise
    std::vector<ResponsePoint> response;
    std::vector<PathGap> gaps;
    uint64_t clippedInput; // recorded samples at full scale (of the input that carries the played signal)
    // The lined-up span for a picture: per column, the lowest and highest
    // played and returned value (empty unless PathRun::columns asked).
    std::vector<float> playedLow, playedHigh, returnedLow, returnedHigh;
    // Of a recording of several inputs: the input (from 0) that carries the
    // played signal, the one where it is strongest, on which every figure
    // above is measured (of one input, 0; of none found, the one where it
    // correlates best, for the noise).  Per input, the returned span's level
    // against the carrying input's in dB: 0 for that one, -INFINITY for
    // digital silence, NAN for all when the signal is not found.
    unsigned inputChannel;
    std::vector<double> crosstalkDb;
};

// What the run gives the analysis.
struct PathRun {
    uint32_t rate;
    uint64_t lead, span; // played: lead samples of silence, then the span (then silence)
    // Writes the next count played samples, from the first (the run's
    // played signal again, from its start).
    std::function<void(int16_t *out, size_t count)> nextPlayed;
    const std::vector<int16_t> *recorded; // from the start of the recording, inputs samples a frame
    unsigned inputs = 1;                  // the recording's channels, interleaved
    double startSkewMs;                   // the playback began this long after the recording
    int columns = 0;                      // columns of the picture's waveform; 0: none
};

// Finds where the played signal lies in each input of the recording by
// cross-correlation and compares the lined-up span of the input that
// carries it with what was played.  Returns the report;
// changes nothing else (nextPlayed is read through once).  Returns 0 with
// report->found 0 when there is no trace of the played signal, 1 otherwise,
// or -1 after a message when FFTW cannot plan a transform.
int analysePath(const PathRun &run, PathReport *report);

// Third-octave band centres from 20 Hz up to nyquist.  Changes nothing.
std::vector<double> thirdOctaveCentres(double nyquist);
