// The spectrum panel: see spectrumPanel.h.
#include "tools/render/analyze/spectrumPanel.h"

#include <cmath>
#include <vector>

#include "tools/render/common/signal.h"

namespace {

// clang-format off
const Colour spectrumInk  = {0.80, 0.32, 0.08, 1.00};
const Colour spectrumFill = {0.80, 0.32, 0.08, 0.14};
// clang-format on

const double topDbfs = 10, bottomDbfs = -140; // a square wave's fundamental is +2.1 dBFS
const double lowestHz = 10;

} // namespace

void drawSpectrumPanel(cairo_t *cr, const PlotLayout &l, const Spectrum &s) {
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

    // Per pixel column: the highest bin within it, or where the bins are
    // sparser than the pixels, the level between the two nearest bins.
    std::vector<double> levels;
    std::vector<double> xs;
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
        xs.push_back(b.x + c + 0.5);
        levels.push_back(level);
    }
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    if (!xs.empty()) {
        cairo_move_to(cr, xs[0], b.y + b.h);
        for (size_t i = 0; i < xs.size(); i++)
            cairo_line_to(cr, xs[i], yOf(levels[i]));
        cairo_line_to(cr, xs.back(), b.y + b.h);
        cairo_close_path(cr);
        useColour(cr, spectrumFill);
        cairo_fill(cr);
        for (size_t i = 0; i < xs.size(); i++)
            (i ? cairo_line_to : cairo_move_to)(cr, xs[i], yOf(levels[i]));
        useColour(cr, spectrumInk);
        cairo_set_line_width(cr, std::fmax(1.0, l.font / 10));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    panelFrame(cr, b);
}
