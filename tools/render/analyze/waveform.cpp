// The waveform panel's data: see waveform.h.
#include "tools/render/analyze/waveform.h"

void startWaveform(Waveform *w, uint64_t span, int columns) {
    w->columns = columns;
    w->span = span;
    w->position = 0;
    w->column = 0;
    w->nextColumnStart = (span + (uint64_t)columns - 1) / (uint64_t)columns;
    w->lines = (double)span <= samplesPerColumnForLines * columns;
    w->values.clear();
    if (w->lines) {
        w->values.reserve((size_t)span);
        w->events.assign((size_t)span, 0);
        w->low.clear();
        w->high.clear();
    } else {
        w->low.assign((size_t)columns, 2.0f); // above any value: nothing yet
        w->high.assign((size_t)columns, -2.0f);
        w->events.assign((size_t)columns, 0);
    }
}

void addToWaveform(Waveform *w, const double *values, const unsigned char *events, size_t count) {
    if (w->lines) {
        for (size_t i = 0; i < count; i++) {
            w->events[w->values.size()] = events[i];
            w->values.push_back(values[i]);
        }
        w->position += count;
        return;
    }
    // Sample n falls in column n * columns / span: column c begins at the
    // first n with n * columns >= c * span.
    for (size_t i = 0; i < count; i++, w->position++) {
        while (w->position >= w->nextColumnStart) {
            w->column++;
            w->nextColumnStart =
                ((uint64_t)(w->column + 1) * w->span + (uint64_t)w->columns - 1) / (uint64_t)w->columns;
        }
        float v = (float)values[i];
        if (v < w->low[w->column]) w->low[w->column] = v;
        if (v > w->high[w->column]) w->high[w->column] = v;
        w->events[w->column] |= events[i];
    }
}

size_t waveformPoints(const Waveform &w) { return w.lines ? w.values.size() : w.low.size(); }
