// The picture of --measure --plot: see pathPlot.h.
//
// Two panels under a title, every size derived from one font size: the
// waveforms across the span, the played in blue and the returned in orange
// over it, each column from its lowest to its highest value; and the
// response, dB against a logarithmic frequency axis from 20 Hz to half the
// rate, one point per third-octave band.
#include "tools/render/measure/pathPlot.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

struct Panel {
    double x, y, w, h;
};

struct Ink {
    double r, g, b, a;
};

// clang-format off
const Ink paperInk    = {1.00, 1.00, 1.00, 1.00};
const Ink textInk     = {0.14, 0.16, 0.20, 1.00};
const Ink gridInk     = {0.86, 0.88, 0.91, 1.00};
const Ink frameInk    = {0.55, 0.58, 0.63, 1.00};
const Ink playedInk   = {0.10, 0.36, 0.74, 0.55};
const Ink returnedInk = {0.85, 0.40, 0.08, 0.55};
const Ink responseInk = {0.80, 0.32, 0.08, 1.00};
// clang-format on

const double lowestHz = 20;

void use(cairo_t *cr, const Ink &ink) { cairo_set_source_rgba(cr, ink.r, ink.g, ink.b, ink.a); }

// Shows text with its left edge, centre or right edge (across 0, 0.5 or 1)
// at x and its middle at y.
void text(cairo_t *cr, const std::string &s, double x, double y, double across) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - across * e.x_advance, y - e.y_bearing - e.height / 2);
    cairo_show_text(cr, s.c_str());
}

// Draws a line of ink from x0, y0 to x1, y1.
void line(cairo_t *cr, double x0, double y0, double x1, double y1, const Ink &ink, double width) {
    use(cr, ink);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// Returns value with decimals places and a true minus sign.
std::string label(double value, int decimals) {
    char s[32];
    std::snprintf(s, sizeof s, "%.*f", decimals, std::fabs(value) < 1e-9 ? 0.0 : value);
    std::string t = s;
    return t[0] == '-' ? "\u2212" + t.substr(1) : t;
}

// Draws the two waveforms of report across p.
void drawWaveforms(cairo_t *cr, const Panel &p, const PathReport &report, double font) {
    const double top = 1.1;
    const auto y = [&](double v) { return p.y + p.h * (top - v) / (2 * top); };
    for (double v : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
        line(cr, p.x, y(v), p.x + p.w, y(v), gridInk, 1);
        use(cr, textInk);
        text(cr, label(v, 1), p.x - font * 0.6, y(v), 1);
    }
    const double seconds = (double)report.samples / report.rate;
    for (int i = 0; i <= 4; i++) {
        const double x = p.x + p.w * i / 4;
        line(cr, x, p.y, x, p.y + p.h, gridInk, 1);
        use(cr, textInk);
        text(cr, label(seconds * 1000 * i / 4, 0), x, p.y + p.h + font, 0.5);
    }
    text(cr, "time in the span (ms)", p.x + p.w / 2, p.y + p.h + font * 2.3, 0.5);
    const auto envelope = [&](const std::vector<float> &low, const std::vector<float> &high, const Ink &ink) {
        use(cr, ink);
        cairo_set_line_width(cr, 1);
        for (size_t c = 0; c < low.size(); c++) {
            if (low[c] > high[c]) continue;
            const double x = p.x + (double)c + 0.5;
            cairo_move_to(cr, x, y(high[c]) - 0.5);
            cairo_line_to(cr, x, y(low[c]) + 0.5);
        }
        cairo_stroke(cr);
    };
    envelope(report.playedLow, report.playedHigh, playedInk);
    envelope(report.returnedLow, report.returnedHigh, returnedInk);
    use(cr, playedInk);
    text(cr, "played", p.x + p.w - font * 9, p.y - font * 0.7, 0);
    use(cr, returnedInk);
    text(cr, "returned", p.x + p.w - font * 4.5, p.y - font * 0.7, 0);
}

// Draws the response of report across p.
void drawResponse(cairo_t *cr, const Panel &p, const PathReport &report, double font) {
    double low = -24, high = 6;
    for (const ResponsePoint &point : report.response) {
        low = std::min(low, std::floor((point.db - 3) / 6) * 6);
        high = std::max(high, std::ceil((point.db + 3) / 6) * 6);
    }
    const double nyquist = report.rate / 2.0;
    const auto x = [&](double hz) { return p.x + p.w * std::log(hz / lowestHz) / std::log(nyquist / lowestHz); };
    const auto y = [&](double db) { return p.y + p.h * (high - db) / (high - low); };
    const double step = (high - low) > 60 ? 20 : (high - low) > 30 ? 10 : 6;
    for (double db = std::ceil(low / step) * step; db <= high; db += step) {
        line(cr, p.x, y(db), p.x + p.w, y(db), gridInk, 1);
        use(cr, textInk);
        text(cr, label(db, 0), p.x - font * 0.6, y(db), 1);
    }
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0, 50000.0}) {
        if (hz > nyquist) break;
        line(cr, x(hz), p.y, x(hz), p.y + p.h, gridInk, 1);
        use(cr, textInk);
        text(cr, hz >= 1000 ? label(hz / 1000, 0) + "k" : label(hz, 0), x(hz), p.y + p.h + font, 0.5);
    }
    text(cr, "frequency (Hz)", p.x + p.w / 2, p.y + p.h + font * 2.3, 0.5);
    text(cr, "response (dB)", p.x, p.y - font * 0.7, 0);
    if (report.response.empty()) {
        text(cr, "no response: the played signal was not found", p.x + p.w / 2, p.y + p.h / 2, 0.5);
        return;
    }
    use(cr, responseInk);
    cairo_set_line_width(cr, std::max(1.5, font / 6));
    for (size_t i = 0; i < report.response.size(); i++) {
        const ResponsePoint &point = report.response[i];
        if (i == 0)
            cairo_move_to(cr, x(point.hz), y(point.db));
        else
            cairo_line_to(cr, x(point.hz), y(point.db));
    }
    cairo_stroke(cr);
    for (const ResponsePoint &point : report.response) {
        cairo_arc(cr, x(point.hz), y(point.db), font / 4, 0, 2 * 3.14159265358979323846);
        cairo_fill(cr);
    }
}

// Writes what cairo hands over to the output.
cairo_status_t writeToOutput(void *closure, const unsigned char *data, unsigned int length) {
    return writeOutput((RenderOutput *)closure, data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// Returns the font size of a width x height picture.
double fontSize(int width, int height) { return std::max(8.0, std::min(width / 60.0, height / 40.0)); }

// Returns the two panels of a width x height picture.
void panelsOf(int width, int height, Panel *wave, Panel *response) {
    const double font = fontSize(width, height);
    const double left = font * 4.5, right = font * 1.5, top = font * 4;
    const double panelHeight = (height - top - font * 8) / 2;
    *wave = {left, top, std::floor(width - left - right), panelHeight};
    *response = {left, top + panelHeight + font * 5, std::floor(width - left - right), panelHeight};
}

} // namespace

int pathPlotColumns(int width, int height) {
    Panel wave, response;
    panelsOf(width, height, &wave, &response);
    return (int)wave.w;
}

int drawPathPlot(RenderOutput *output, const PathReport &report, const char *title, int width, int height, int svg) {
    cairo_surface_t *surface = svg ? cairo_svg_surface_create_for_stream(writeToOutput, output, width, height)
                                   : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t *cr = cairo_create(surface);
    use(cr, paperInk);
    cairo_paint(cr);
    const double font = fontSize(width, height);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font);
    Panel wave, response;
    panelsOf(width, height, &wave, &response);
    use(cr, textInk);
    char heading[160];
    std::snprintf(heading, sizeof heading, "gain %s dB, latency %s ms, THD %s dB", label(report.gainDb, 2).c_str(),
                  label(report.latencyMs, 1).c_str(), label(report.thdDb, 1).c_str());
    text(cr, std::string(title).substr(0, 120), font * 1.5, font * 1.2, 0);
    text(cr, heading, font * 1.5, font * 2.5, 0);
    drawWaveforms(cr, wave, report, font);
    drawResponse(cr, response, report, font);
    for (const Panel &p : {wave, response}) {
        use(cr, frameInk);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, p.x, p.y, p.w, p.h);
        cairo_stroke(cr);
    }
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status == CAIRO_STATUS_SUCCESS && !svg)
        status = cairo_surface_write_to_png_stream(surface, writeToOutput, output);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "tonalix-render: cannot draw the picture: %s\n", cairo_status_to_string(status));
        abandonOutput(output);
        return 0;
    }
    return finishOutput(output);
}
