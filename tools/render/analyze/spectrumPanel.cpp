// The spectrum panel: see spectrumPanel.h.
#include "tools/render/analyze/spectrumPanel.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/render/common/channelNames.h"
#include "tools/render/common/signal.h"

namespace {

// clang-format off
const Colour spectrumInk  = {0.80, 0.32, 0.08, 1.00};
const Colour spectrumFill = {0.80, 0.32, 0.08, 0.14};
// clang-format on

const double topDbfs = 10, bottomDbfs = -140; // a square wave's fundamental is +2.1 dBFS
const double lowestHz = 10;
const double legendSwatch = 1.3, legendGap = 1.2; // a legend entry's swatch and text, and the room between entries

// Sets xs and levels to the curve of s across b: per pixel column, the
// highest bin within it, or where the bins are sparser than the pixels, the
// level between the two nearest bins.  Returns nothing.
template <typename HzAt>
void curveOf(const Box &b, const Spectrum &s, HzAt hzAt, std::vector<double> *xs, std::vector<double> *levels) {
    const size_t bins = s.power.size();
    for (int c = 0; c < (int)b.w; c++) {
        double from = hzAt(b.x + c) / s.binHz, to = hzAt(b.x + c + 1) / s.binHz, middle = (from + to) / 2;
        if (middle < 1 || middle > (double)(bins - 1)) continue;
        size_t first = (size_t)std::ceil(from), last = (size_t)std::ceil(to);
        double level;
        if (first < last && first < bins) {
            level = -1000;
            for (size_t k = first; k < last && k < bins; k++)
                level = std::fmax(level, binDbfs(s, k));
        } else {
            size_t below = (size_t)std::floor(middle);
            size_t above = below + 1 < bins ? below + 1 : below;
            double fraction = middle - (double)below;
            level = binDbfs(s, below) * (1 - fraction) + binDbfs(s, above) * fraction;
        }
        xs->push_back(b.x + c + 0.5);
        levels->push_back(level);
    }
}

// Sets texts to the entries of the legend of count channels, their names or
// their short labels, and widths to the width of each column of rows
// entries.  Returns the width of them all.
double legendColumns(cairo_t *cr, const PlotLayout &l, unsigned count, size_t rows, int labels,
                     std::vector<std::string> *texts, std::vector<double> *widths) {
    texts->assign(count, "");
    widths->assign((count + rows - 1) / rows, 0.0);
    double total = l.font * legendGap * (double)(widths->size() - 1);
    for (unsigned c = 0; c < count; c++) {
        (*texts)[c] = labels ? channelRows[c].label : channelName(c, count);
        cairo_text_extents_t e;
        cairo_text_extents(cr, (*texts)[c].c_str(), &e);
        double &width = (*widths)[c / rows];
        width = std::fmax(width, l.font * legendSwatch + e.x_advance);
    }
    for (double width : *widths)
        total += width;
    return total;
}

// Draws the legend of count spectra in the top right corner of b: a swatch
// of each channel's ink and its name, in columns of channels no taller than
// half of b, and short labels in place of the names where these would take
// more than a third of b's width; none where even those do not fit.
// Returns nothing.
void channelLegend(cairo_t *cr, const PlotLayout &l, const Box &b, unsigned count) {
    cairo_set_font_size(cr, l.font);
    const double margin = l.font * 0.6, line = l.font * 1.4;
    const size_t rows = std::min<size_t>(count, std::max<size_t>(1, (size_t)((b.h / 2 - margin) / line)));
    std::vector<std::string> texts;
    std::vector<double> widths;
    double width = legendColumns(cr, l, count, rows, 0, &texts, &widths);
    if (width > b.w / 3) width = legendColumns(cr, l, count, rows, 1, &texts, &widths);
    if (width > b.w - 2 * margin) return; // a legend cut short would mislead
    const double left = b.x + b.w - margin - width, top = b.y + margin;
    Colour backing = panelPaper;
    backing.a = 0.9;
    useColour(cr, backing);
    cairo_rectangle(cr, left - margin / 2, top - margin / 2, width + margin, (double)rows * line + margin);
    cairo_fill(cr);
    double x = left;
    for (unsigned c = 0; c < count; c++) {
        if (c > 0 && c % rows == 0) x += widths[c / rows - 1] + l.font * legendGap;
        const double y = top + line * ((double)(c % rows) + 0.5);
        useColour(cr, channelInks[c]);
        cairo_rectangle(cr, x, y - l.font * 0.1, l.font * 0.9, l.font * 0.2);
        cairo_fill(cr);
        useColour(cr, ink);
        showText(cr, texts[c], x + l.font * legendSwatch, y, 0);
    }
}

} // namespace

void drawSpectrumPanel(cairo_t *cr, const PlotLayout &l, const Spectrum *spectra, unsigned count) {
    const Box &b = l.spectrum;
    const double highestHz = renderRate / 2.0, decades = std::log10(highestHz / lowestHz);
    const auto xOf = [&](double hz) { return b.x + std::log10(hz / lowestHz) / decades * b.w; };
    const auto hzAt = [&](double x) { return lowestHz * std::pow(10, (x - b.x) / b.w * decades); };
    const auto yOf = [&](double db) {
        db = std::fmax(bottomDbfs - 5, std::fmin(topDbfs + 5, db));
        return b.y + (topDbfs - db) / (topDbfs - bottomDbfs) * b.h;
    };
    panelPaperOf(cr, b);
    cairo_set_font_size(cr, l.font);
    for (double decade = lowestHz; decade <= highestHz; decade *= 10)
        for (int m = 2; m <= 9 && decade * m <= highestHz; m++)
            timeTick(cr, l, b, xOf(decade * m), "", minorGrid);
    const char *decadeLabels[] = {"10", "100", "1k", "10k"};
    double decade = lowestHz;
    for (const char *label : decadeLabels) {
        timeTick(cr, l, b, xOf(decade), label, majorGrid);
        decade *= 10;
    }
    // Labels at least a line and a half apart.
    const double steps[] = {20, 40, 70, 140};
    double step = steps[0];
    for (double candidate : steps) {
        step = candidate;
        if (b.h * candidate / (topDbfs - bottomDbfs) >= l.font * 1.5) break;
    }
    for (double db = 0; db >= bottomDbfs; db -= step)
        valueTick(cr, l, b, yOf(db), tickLabel(db, 0), majorGrid);
    axisTitles(cr, l, b, "Frequency (Hz)", "Level (dBFS)");

    // One channel's curve is filled below; several are lines in their inks,
    // over each other in channel order.
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    for (unsigned c = 0; c < count; c++) {
        std::vector<double> xs, levels;
        curveOf(b, spectra[c], hzAt, &xs, &levels);
        if (xs.empty()) continue;
        if (count == 1) {
            cairo_move_to(cr, xs[0], b.y + b.h);
            for (size_t i = 0; i < xs.size(); i++)
                cairo_line_to(cr, xs[i], yOf(levels[i]));
            cairo_line_to(cr, xs.back(), b.y + b.h);
            cairo_close_path(cr);
            useColour(cr, spectrumFill);
            cairo_fill(cr);
        }
        for (size_t i = 0; i < xs.size(); i++)
            (i ? cairo_line_to : cairo_move_to)(cr, xs[i], yOf(levels[i]));
        useColour(cr, count == 1 ? spectrumInk : channelInks[c]);
        cairo_set_line_width(cr, std::fmax(1.0, l.font / 10));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    if (count > 1) channelLegend(cr, l, b, count);
    cairo_restore(cr);
    panelFrame(cr, b);
}
