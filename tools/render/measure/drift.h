// The drift of the input's clock against the output's, found while the
// analysis of --measure streams the span: the lag of the played signal in
// the recording is measured stretch by stretch, a line is fitted through
// the lags, and the recording is read along that line, between its samples
// where the lag is fractional, so that the returned span stays lined up with
// the played one however far the clocks part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DriftTrack {
    const int16_t *recorded; // the recording, inputs samples a frame
    size_t frames;
    unsigned inputs, input; // the input followed
    // The lag applied now (recorded position less played position, in
    // samples) and its step a sample within the current piece.
    double lag, step;
    uint64_t position; // the played position the next sample read has
    // The fitted line's sums over the lags measured: n, sums of x, y, xx, xy,
    // x from the first stretch's centre.
    double n, sx, sy, sxx, sxy, origin;
    double expected;   // the lag the next stretch is searched around
    uint64_t measured; // the played positions before this were measured from the head
    int reading;       // 1 once a returned value is read
    double rate;
};

// Starts a track of input of recorded at the integer lag found from the
// first seconds, for played positions from position on.  Returns nothing;
// changes *track only.
void startDriftTrack(DriftTrack *track, const std::vector<int16_t> &recorded, unsigned inputs, unsigned input, long lag,
                     uint64_t position, double rate);

// Measures the lag at the stretches of head (count played samples from
// position on, the track's first), from its middle to its end, then from
// its middle back to its start: there the integer lag, found over the
// head, holds best, and the line found from both ways leads the search
// when the clocks part far.  Returns nothing; changes *track.
void primeDriftTrack(DriftTrack *track, const int16_t *head, size_t count);

// Measures the lag at the stretches of played (count samples, from the
// track's position on) not measured from the head, and sets the lag's
// course over them (the first piece starts on the line).  Then writes
// the count returned values (of full scale 1, silence outside the
// recording) into returned and moves the track past them.  Returns nothing.
void followDrift(DriftTrack *track, const int16_t *played, size_t count, double *returned);

// Returns the input's clock against the output's in parts per million,
// positive when the input runs fast (the lag grows), NAN with fewer than
// two stretches measured.  Changes nothing.
double driftPpm(const DriftTrack &track);
