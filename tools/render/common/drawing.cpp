// The drawing helpers: see drawing.h.
#include "tools/render/common/drawing.h"

#include <cairo-svg.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace {

// cairo's writer: the bytes go to the output.  A failed write abandons the
// output (after its message), so the writer forgets it: cairo goes on
// calling until the picture ends, and finishPicture must not speak again.
cairo_status_t writeToOutput(void *closure, const unsigned char *data, unsigned int length) {
    RenderOutput *output = (RenderOutput *)closure;
    if (!output->file) return CAIRO_STATUS_WRITE_ERROR; // an earlier write failed
    if (writeOutput(output, data, length)) return CAIRO_STATUS_SUCCESS;
    output->file = nullptr; // writeOutput has abandoned it
    return CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

int isSvgPath(const char *path) {
    size_t n = std::strlen(path);
    if (n < 4) return 0;
    for (int i = 0; i < 4; i++)
        if (std::tolower((unsigned char)path[n - 4 + i]) != ".svg"[i]) return 0;
    return 1;
}

void useColour(cairo_t *cr, const Colour &c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void showText(cairo_t *cr, const std::string &text, double x, double y, double across) {
    cairo_text_extents_t e;
    cairo_font_extents_t f;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_font_extents(cr, &f);
    cairo_move_to(cr, x - across * e.x_advance, y + (f.ascent - f.descent) / 2);
    cairo_show_text(cr, text.c_str());
}

void showUpright(cairo_t *cr, const std::string &text, double x, double y) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -std::numbers::pi / 2);
    showText(cr, text, 0, 0, 0.5);
    cairo_restore(cr);
}

std::string fitted(cairo_t *cr, const std::string &text, double width) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    if (e.x_advance <= width) return text;
    size_t low = 0, high = text.size();
    while (low < high) { // the longest start that fits with the ellipsis
        size_t mid = (low + high + 1) / 2;
        std::string trial = text.substr(0, mid) + "\xE2\x80\xA6";
        cairo_text_extents(cr, trial.c_str(), &e);
        if (e.x_advance <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return text.substr(0, low) + "\xE2\x80\xA6";
}

void line(cairo_t *cr, double x0, double y0, double x1, double y1, const Colour &colour, double width) {
    useColour(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

std::string tickLabel(double value, int decimals) {
    char text[64];
    if (std::fabs(value) < 0.5 * std::pow(10, -decimals)) value = 0; // no "-0"
    std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value));
    return (value < 0 ? "\xE2\x88\x92" : "") + std::string(text);
}

void startPicture(Picture *picture, RenderOutput *output, int width, int height, int svg, const Colour &paper) {
    picture->output = output;
    picture->svg = svg;
    if (svg) {
        picture->surface = cairo_svg_surface_create_for_stream(writeToOutput, output, width, height);
        cairo_svg_surface_set_document_unit(picture->surface, CAIRO_SVG_UNIT_PX);
    } else {
        picture->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    }
    picture->cr = cairo_create(picture->surface);
    useColour(picture->cr, paper);
    cairo_paint(picture->cr);
    cairo_select_font_face(picture->cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

int finishPicture(Picture *picture) {
    RenderOutput *output = picture->output;
    cairo_status_t status = cairo_status(picture->cr);
    cairo_destroy(picture->cr);
    if (status == CAIRO_STATUS_SUCCESS && !picture->svg)
        status = cairo_surface_write_to_png_stream(picture->surface, writeToOutput, output);
    cairo_surface_finish(picture->surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(picture->surface);
    cairo_surface_destroy(picture->surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        if (output->file) { // not yet abandoned by a failed write
            std::fprintf(stderr, "tonalix-render: cannot draw the picture: %s\n", cairo_status_to_string(status));
            abandonOutput(output);
        }
        return 0;
    }
    return finishOutput(output);
}
