// The picture of --measure --plot: see pathPlot.h.
//
// Two panels under a title, every size derived from one font size: the
// waveforms across the span, the played in blue and the returned in orange
// over it, each column from its lowest to its highest value (a lane for
// each channel of several); and the response, dB against a logarithmic
// frequency axis from 20 Hz to half the rate, one point per third-octave
// band (a curve for each channel, in its own ink).
#include "tools/render/measure/pathPlot.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/render/common/channelNames.h"
#include "tools/render/common/drawing.h"

namespace {

// clang-format off
const Colour paperInk    = {1.00, 1.00, 1.00, 1.00};
const Colour textInk     = {0.14, 0.16, 0.20, 1.00};
const Colour gridInk     = {0.86, 0.88, 0.91, 1.00};
const Colour frameInk    = {0.55, 0.58, 0.63, 1.00};
const Colour playedInk   = {0.10, 0.36, 0.74, 0.55};
const Colour returnedInk = {0.85, 0.40, 0.08, 0.55};
// The response's curve of each channel, the first the one of a single channel.
const Colour responseInks[maxChannels] = {
    {0.80, 0.32, 0.08, 1.00}, {0.10, 0.36, 0.74, 1.00}, {0.16, 0.56, 0.24, 1.00}, {0.56, 0.20, 0.62, 1.00},
    {0.70, 0.56, 0.06, 1.00}, {0.12, 0.58, 0.62, 1.00}, {0.78, 0.16, 0.36, 1.00}, {0.36, 0.36, 0.40, 1.00},
};
// clang-format on

const double lowestHz = 20;

// A lane of the waveforms: which of how many, and its channel's label ("" of
// one channel).
struct Lane {
    unsigned index, count;
    const char *label;
};

// Draws the two waveforms of report across p, in lane: the time's axis under
// the last lane, the legend over the first.
void drawWaveforms(cairo_t *cr, const Box &p, const PathReport &report, double font, const Lane &lane) {
    const double top = 1.1;
    const auto y = [&](double v) { return p.y + p.h * (top - v) / (2 * top); };
    const std::vector<double> ticks =
        lane.count == 1 ? std::vector<double>{-1.0, -0.5, 0.0, 0.5, 1.0} : std::vector<double>{-1.0, 0.0, 1.0};
    for (double v : ticks) {
        line(cr, p.x, y(v), p.x + p.w, y(v), gridInk, 1);
        useColour(cr, textInk);
        showText(cr, tickLabel(v, 1), p.x - font * 0.6, y(v), 1);
    }
    const double seconds = (double)report.samples / report.rate;
    const int last = lane.index + 1 == lane.count;
    for (int i = 0; i <= 4; i++) {
        const double x = p.x + p.w * i / 4;
        line(cr, x, p.y, x, p.y + p.h, gridInk, 1);
        useColour(cr, textInk);
        if (last) showText(cr, tickLabel(seconds * 1000 * i / 4, 0), x, p.y + p.h + font, 0.5);
    }
    if (last) showText(cr, "time in the span (ms)", p.x + p.w / 2, p.y + p.h + font * 2.3, 0.5);
    if (*lane.label) showText(cr, lane.label, p.x + font * 0.4, p.y + font * 0.9, 0);
    const auto envelope = [&](const std::vector<float> &low, const std::vector<float> &high, const Colour &ink) {
        useColour(cr, ink);
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
    if (lane.index > 0) return;
    useColour(cr, playedInk);
    showText(cr, "played", p.x + p.w - font * 9, p.y - font * 0.7, 0);
    useColour(cr, returnedInk);
    showText(cr, "returned", p.x + p.w - font * 4.5, p.y - font * 0.7, 0);
}

// Draws the response of each of reports (a channel each) across p, with
// the channels' labels in their inks over it when there are several.
void drawResponse(cairo_t *cr, const Box &p, const std::vector<PathReport> &reports, double font) {
    double low = -24, high = 6;
    int none = 1;
    for (const PathReport &report : reports)
        for (const ResponsePoint &point : report.response) {
            low = std::min(low, std::floor((point.db - 3) / 6) * 6);
            high = std::max(high, std::ceil((point.db + 3) / 6) * 6);
            none = 0;
        }
    const double nyquist = reports[0].rate / 2.0;
    const auto x = [&](double hz) { return p.x + p.w * std::log(hz / lowestHz) / std::log(nyquist / lowestHz); };
    const auto y = [&](double db) { return p.y + p.h * (high - db) / (high - low); };
    const double step = (high - low) > 60 ? 20 : (high - low) > 30 ? 10 : 6;
    for (double db = std::ceil(low / step) * step; db <= high; db += step) {
        line(cr, p.x, y(db), p.x + p.w, y(db), gridInk, 1);
        useColour(cr, textInk);
        showText(cr, tickLabel(db, 0), p.x - font * 0.6, y(db), 1);
    }
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0, 50000.0}) {
        if (hz > nyquist) break;
        line(cr, x(hz), p.y, x(hz), p.y + p.h, gridInk, 1);
        useColour(cr, textInk);
        showText(cr, hz >= 1000 ? tickLabel(hz / 1000, 0) + "k" : tickLabel(hz, 0), x(hz), p.y + p.h + font, 0.5);
    }
    showText(cr, "frequency (Hz)", p.x + p.w / 2, p.y + p.h + font * 2.3, 0.5);
    showText(cr, "response (dB)", p.x, p.y - font * 0.7, 0);
    if (none) {
        showText(cr, "no response: the played signal was not found", p.x + p.w / 2, p.y + p.h / 2, 0.5);
        return;
    }
    for (size_t c = 0; c < reports.size(); c++) {
        const std::vector<ResponsePoint> &response = reports[c].response;
        useColour(cr, responseInks[c % maxChannels]);
        if (reports.size() > 1)
            showText(cr, channelRows[c].label, p.x + p.w - font * 3.0 * (double)(reports.size() - c), p.y - font * 0.7,
                     0);
        cairo_set_line_width(cr, std::max(1.5, font / 6));
        for (size_t i = 0; i < response.size(); i++) {
            const ResponsePoint &point = response[i];
            if (i == 0)
                cairo_move_to(cr, x(point.hz), y(point.db));
            else
                cairo_line_to(cr, x(point.hz), y(point.db));
        }
        cairo_stroke(cr);
        for (const ResponsePoint &point : response) {
            cairo_arc(cr, x(point.hz), y(point.db), font / 4, 0, 2 * std::numbers::pi);
            cairo_fill(cr);
        }
    }
}

// Returns the font size of a width x height picture.
double fontSize(int width, int height) { return std::max(8.0, std::min(width / 60.0, height / 40.0)); }

// Returns the two panels of a width x height picture.
void panelsOf(int width, int height, Box *wave, Box *response) {
    const double font = fontSize(width, height);
    const double left = font * 4.5, right = font * 1.5, top = font * 4;
    const double panelHeight = (height - top - font * 8) / 2;
    *wave = {left, top, std::floor(width - left - right), panelHeight};
    *response = {left, top + panelHeight + font * 5, std::floor(width - left - right), panelHeight};
}

} // namespace

int pathPlotColumns(int width, int height) {
    Box wave, response;
    panelsOf(width, height, &wave, &response);
    return (int)wave.w;
}

int drawPathPlot(RenderOutput *output, const std::vector<PathReport> &reports, const std::string &title, int width,
                 int height, int svg) {
    Picture picture;
    startPicture(&picture, output, width, height, svg, paperInk);
    cairo_t *cr = picture.cr;
    const double font = fontSize(width, height);
    cairo_set_font_size(cr, font);
    Box wave, response;
    panelsOf(width, height, &wave, &response);
    useColour(cr, textInk);
    const PathReport &first = reports[0];
    const unsigned count = (unsigned)reports.size();
    char heading[160];
    std::snprintf(heading, sizeof heading, "gain %s dB, latency %s ms, THD %s dB", tickLabel(first.gainDb, 2).c_str(),
                  tickLabel(first.latencyMs, 1).c_str(), tickLabel(first.thdDb, 1).c_str());
    std::string gains = "gain";
    for (unsigned c = 0; c < count; c++)
        gains += std::string(c ? ", " : " ") + channelRows[c].label + " " + tickLabel(reports[c].gainDb, 2);
    showText(cr, title.substr(0, 120), font * 1.5, font * 1.2, 0);
    showText(cr, count == 1 ? std::string(heading) : gains + " dB", font * 1.5, font * 2.5, 0);
    // The lanes share the waveforms' panel, a little apart.
    const double gap = count > 1 ? font * 0.6 : 0, laneHeight = (wave.h - gap * (count - 1)) / count;
    std::vector<Box> frames;
    for (unsigned c = 0; c < count; c++) {
        const Box lane = {wave.x, wave.y + (laneHeight + gap) * c, wave.w, laneHeight};
        drawWaveforms(cr, lane, reports[c], font, Lane{c, count, count > 1 ? channelRows[c].label : ""});
        frames.push_back(lane);
    }
    frames.push_back(response);
    drawResponse(cr, response, reports, font);
    for (const Box &p : frames) {
        useColour(cr, frameInk);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, p.x, p.y, p.w, p.h);
        cairo_stroke(cr);
    }
    return finishPicture(&picture);
}
