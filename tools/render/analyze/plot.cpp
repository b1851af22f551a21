// The picture of --plot: see plot.h.
//
// Two panels share the picture's width under a title: the waveform, the
// played values against the formula's time in ms, a lane for each channel
// stacked from the first, and the spectrum (spectrumPanel.cpp).
#include "tools/render/analyze/plot.h"

#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "tools/render/analyze/plotParts.h"
#include "tools/render/analyze/spectrumPanel.h"
#include "tools/render/common/channelNames.h"
#include "tools/render/common/drawing.h"
#include "tools/render/common/signal.h"

namespace {

// clang-format off
const Colour waveInk     = {0.10, 0.36, 0.74, 1.00};
const Colour clippedBand = {0.86, 0.14, 0.14, 0.18};
const Colour failedBand  = {0.52, 0.22, 0.84, 0.22};
// clang-format on

const double waveTop = 1.1; // the waveform's scale runs from -1.1 to 1.1

// Shades the stretches from x0 to x1 (pixels of b) where an event was.
void band(cairo_t *cr, const Box &b, double x0, double x1, const Colour &colour) {
    useColour(cr, colour);
    cairo_rectangle(cr, x0, b.y, std::fmax(x1 - x0, 1.0), b.h);
    cairo_fill(cr);
}

// Shades, for each event of mask, the runs of points that have it; point i
// covers x from x(i) to x(i + 1).
template <typename XOf>
void eventBands(cairo_t *cr, const Box &b, const std::vector<unsigned char> &events, unsigned char mask,
                const Colour &colour, XOf xOf) {
    size_t n = events.size();
    for (size_t i = 0; i < n;) {
        if (!(events[i] & mask)) {
            i++;
            continue;
        }
        size_t j = i;
        while (j < n && (events[j] & mask))
            j++;
        band(cr, b, xOf(i), xOf(j), colour);
        i = j;
    }
}

// Returns the legend entry of count samples that were what: with the count
// when long, else the word alone.
std::string legendText(uint64_t count, const char *what, int longForm) {
    if (!longForm) return what;
    return std::to_string((unsigned long long)count) + (count == 1 ? " sample " : " samples ") + what;
}

// Draws the legend of the waveform's bands under its right end, on the line
// of its axis title, from the right: with the counts where they fit in room,
// else without.  Returns 1 when it fits in room.
int bandLegend(cairo_t *cr, const PlotLayout &l, const Box &b, const PlotRequest &r, double room) {
    struct Entry {
        uint64_t count;
        const char *what;
        const Colour *colour;
    } entries[] = {{r.failed, "failed", &failedBand}, {r.clipped, "clipped", &clippedBand}};
    cairo_set_font_size(cr, l.font);
    int longForm = 1;
    double width = 0;
    for (longForm = 1; longForm >= 0; longForm--) {
        width = 0;
        for (const Entry &e : entries) {
            if (!e.count) continue;
            cairo_text_extents_t ext;
            cairo_text_extents(cr, legendText(e.count, e.what, longForm).c_str(), &ext);
            width += ext.x_advance + l.font * 2.6;
        }
        if (width <= room) break;
    }
    if (longForm < 0) longForm = 0;
    double x = b.x + b.w, y = b.y + b.h + l.font * 2.7;
    for (const Entry &e : entries) {
        if (!e.count) continue;
        std::string text = legendText(e.count, e.what, longForm);
        cairo_text_extents_t ext;
        cairo_text_extents(cr, text.c_str(), &ext);
        useColour(cr, ink);
        showText(cr, text, x, y, 1);
        Colour swatch = *e.colour;
        swatch.a = 0.6;
        useColour(cr, swatch);
        cairo_rectangle(cr, x - ext.x_advance - l.font * 1.3, y - l.font * 0.45, l.font * 0.9, l.font * 0.9);
        cairo_fill(cr);
        x -= ext.x_advance + l.font * 2.6;
    }
    return width <= room;
}

// A lane of the waveform panel: one channel's.
struct Lane {
    Box box;
    const Colour *ink;
    std::string name; // shown in its corner; empty for one channel
    int last;         // 1: the lowest, with the time labels, the axis titles and the bands' legend
};

// Shows the name of lane in its top left corner, on paper.  Returns
// nothing.
void laneName(cairo_t *cr, const PlotLayout &l, const Lane &lane) {
    cairo_set_font_size(cr, l.font);
    cairo_text_extents_t e;
    cairo_text_extents(cr, lane.name.c_str(), &e);
    const double x = lane.box.x + l.font * 0.6, y = lane.box.y + l.font * 0.9;
    Colour backing = panelPaper;
    backing.a = 0.85;
    useColour(cr, backing);
    cairo_rectangle(cr, x - l.font * 0.3, y - l.font * 0.7, e.x_advance + l.font * 0.6, l.font * 1.4);
    cairo_fill(cr);
    useColour(cr, *lane.ink);
    showText(cr, lane.name, x, y, 0);
}

// Draws lane of the waveform panel, whose lanes fill area: the bands of
// clipped and failed samples, the scales, the samples of w and, with the
// last lane, the time labels, the axis titles and the bands' legend.
// Returns nothing.
void drawLane(cairo_t *cr, const PlotLayout &l, const PlotRequest &r, const Waveform &w, const Lane &lane,
              const Box &area) {
    const Box &b = lane.box;
    const double spanMs = (double)r.span * 1000.0 / renderRate, startMs = (double)r.start * 1000.0 / renderRate;
    const auto yOf = [&](double v) { return b.y + b.h / 2 - v / waveTop * (b.h / 2); };
    panelPaperOf(cr, b);
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    if (w.lines) {
        const auto xOf = [&](size_t i) { return b.x + (double)i / (double)r.span * b.w; };
        eventBands(cr, b, w.events, SampleClipped, clippedBand, xOf);
        eventBands(cr, b, w.events, SampleFailed, failedBand, xOf);
    } else {
        const auto xOf = [&](size_t i) { return b.x + (double)i; };
        eventBands(cr, b, w.events, SampleClipped, clippedBand, xOf);
        eventBands(cr, b, w.events, SampleFailed, failedBand, xOf);
    }
    cairo_restore(cr);

    useColour(cr, ink);
    cairo_set_font_size(cr, l.font);
    const double values[] = {-1, -0.5, 0, 0.5, 1};
    const int everyOther = b.h < l.font * 9; // a low panel labels -1, 0 and 1 only
    const int zeroOnly = b.h < l.font * 3.5; // and a lane lower still 0 alone
    for (double v : values)
        if (!everyOther || v == (int)v)
            valueTick(cr, l, b, yOf(v), zeroOnly && v != 0 ? "" : tickLabel(v, v == (int)v ? 0 : 1),
                      v == 0 ? zeroLine : majorGrid);
    double step = niceStep(spanMs, b.w / (l.font * 7));
    int decimals = step >= 1 ? 0 : (int)std::ceil(-std::log10(step) - 1e-9);
    for (double t = std::ceil(startMs / step - 1e-9) * step; t <= startMs + spanMs + step * 1e-9; t += step) {
        const double x = b.x + (t - startMs) / spanMs * b.w;
        if (lane.last)
            timeTick(cr, l, b, x, tickLabel(t, decimals), majorGrid);
        else
            line(cr, std::round(x) + 0.5, b.y, std::round(x) + 0.5, b.y + b.h, majorGrid, 1);
    }
    if (lane.last) {
        // The legend takes the line of the axis title from the right, and the
        // title's place when it must.
        cairo_text_extents_t title;
        cairo_text_extents(cr, "Time (ms)", &title);
        int titleFits = bandLegend(cr, l, area, r, area.w / 2 - title.x_advance / 2 - l.font);
        axisTitles(cr, l, area, titleFits ? "Time (ms)" : "", "Value");
    }

    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    useColour(cr, *lane.ink);
    if (w.lines) {
        cairo_set_line_width(cr, std::fmax(1.0, l.font / 9));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        for (size_t i = 0; i < w.values.size(); i++) {
            double x = b.x + (double)i / (double)r.span * b.w;
            if (i == 0)
                cairo_move_to(cr, x, yOf(w.values[i]));
            else
                cairo_line_to(cr, x, yOf(w.values[i]));
        }
        cairo_stroke(cr);
        if ((double)w.values.size() * 6 <= b.w) // few samples: each gets a dot
            for (size_t i = 0; i < w.values.size(); i++) {
                cairo_arc(cr, b.x + (double)i / (double)r.span * b.w, yOf(w.values[i]), l.font / 5, 0,
                          2 * std::numbers::pi);
                cairo_fill(cr);
            }
    } else {
        // One bar per column from its lowest to its highest value, joined to
        // the next column's so that a steep edge stays unbroken.
        for (size_t c = 0; c < w.low.size(); c++) {
            if (w.low[c] > w.high[c]) continue;
            double low = w.low[c], high = w.high[c];
            if (c + 1 < w.low.size() && w.low[c + 1] <= w.high[c + 1]) {
                low = std::fmin(low, w.high[c + 1]);
                high = std::fmax(high, w.low[c + 1]);
            }
            double top = yOf(high), bottom = yOf(low);
            if (bottom - top < 1) top = (top + bottom) / 2 - 0.5, bottom = top + 1;
            cairo_rectangle(cr, b.x + (double)c, top, 1, bottom - top);
        }
        cairo_fill(cr);
    }
    if (!lane.name.empty()) laneName(cr, l, lane);
    cairo_restore(cr);
    panelFrame(cr, b);
}

// Draws the title, the formula, and beside it what the span is.
void drawTitle(cairo_t *cr, const PlotLayout &l, const PlotRequest &r) {
    char about[160];
    std::snprintf(about, sizeof about, "t = %.6g to %.6g s, %llu samples at %d Hz", (double)r.start / renderRate,
                  (double)(r.start + r.span) / renderRate, (unsigned long long)r.span, (int)renderRate);
    cairo_set_font_size(cr, l.font);
    cairo_text_extents_t e;
    cairo_text_extents(cr, about, &e);
    double right = l.wave.x + l.wave.w, baseline = l.font * 1.6;
    useColour(cr, quietInk);
    int aboutFits = e.x_advance < l.wave.w * 0.45;
    if (aboutFits) showText(cr, about, right, baseline, 1);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, l.font * 1.25);
    double room = l.wave.w - (aboutFits ? e.x_advance + l.font * 2 : 0);
    useColour(cr, ink);
    showText(cr, fitted(cr, r.title, room), l.wave.x, baseline, 0);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

} // namespace

int plotColumns(int width, int height) { return (int)layoutFor(width, height, 1).wave.w; }

int drawPlot(RenderOutput *output, const PlotRequest &request, const Waveform *waveforms, const Spectrum *spectra) {
    const unsigned channels = request.channels;
    PlotLayout l = layoutFor(request.width, request.height, channels);
    Picture picture;
    startPicture(&picture, output, request.width, request.height, request.svg, paper);
    drawTitle(picture.cr, l, request);
    const Box lowest = laneBox(l, channels - 1, channels);
    const Box area = {l.wave.x, l.wave.y, l.wave.w, lowest.y + lowest.h - l.wave.y};
    for (unsigned c = 0; c < channels; c++) {
        const Lane lane = {laneBox(l, c, channels), channels == 1 ? &waveInk : &channelInks[c],
                           channelName(c, channels), c + 1 == channels};
        drawLane(picture.cr, l, request, waveforms[c], lane, area);
    }
    drawSpectrumPanel(picture.cr, l, spectra, channels);
    return finishPicture(&picture);
}
