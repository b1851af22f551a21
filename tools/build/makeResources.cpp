// tonalix-make-resources: draws the window's bitmaps and icons and writes
// them into res/ as BMP (256 colours) and ICO (16 colours) files, each for
// the screens of 96 dpi (100%) and of 125%, 150% and 200% of it: a bitmap in
// one file per scale (bmp143.bmp, bmp143-125.bmp, ...), an icon as one file
// that holds its 32, 40, 48 and 64 pixel images.  A larger picture is the
// same drawing at the larger scale, not the small one enlarged.
//
//   tonalix-make-resources OUTPUT_FOLDER
//
// The files are committed; run this again only to change a picture.  The
// pictures are painted with antialiasing off where the file has 16 colours,
// and with it on (then reduced to a palette of at most 256) for the buttons,
// whose Japanese words must stay legible at 15 to 32 pixels high.
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The 16 colours of a 4-bit icon: the classic VGA palette.
const QRgb vgaPalette[16] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

const char *japaneseFont = "Noto Sans CJK JP"; // from fonts-noto-cjk

// Appends value to out as little-endian bytes of the given width.
void putLe(std::vector<uint8_t> &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        out.push_back((uint8_t)(value >> (8 * i)));
}

// Returns the index of the palette entry nearest to colour.
int nearestIndex(const QVector<QRgb> &palette, QRgb colour) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette.size(); i++) {
        long dr = qRed(palette[i]) - qRed(colour), dg = qGreen(palette[i]) - qGreen(colour),
             db = qBlue(palette[i]) - qBlue(colour);
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) best = i, bestDistance = distance;
    }
    return best;
}

// Returns image as 8-bit indices into a palette of at most 256 entries
// (fills palette).  Exact when the picture has few colours.
QImage toIndexed(const QImage &image, QVector<QRgb> &palette, int maxColours) {
    QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    palette.clear();
    for (int y = 0; y < rgb.height(); y++)
        for (int x = 0; x < rgb.width(); x++) {
            QRgb c = rgb.pixel(x, y) | 0xFF000000;
            if (!palette.contains(c)) palette.push_back(c);
            if (palette.size() > maxColours) goto reduce;
        }
    {
        QImage out(rgb.size(), QImage::Format_Indexed8);
        out.setColorTable(palette);
        for (int y = 0; y < rgb.height(); y++)
            for (int x = 0; x < rgb.width(); x++)
                out.setPixel(x, y, palette.indexOf(rgb.pixel(x, y) | 0xFF000000));
        return out;
    }
reduce:
    // Too many shades (antialiased text): let Qt choose a palette.
    QImage out = rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    palette = out.colorTable();
    return out;
}

// Writes image as an uncompressed 8-bit BMP with a 256-entry palette.
// Returns 1, or 0 when the file cannot be written.
int writeBmp8(const std::string &path, const QImage &image) {
    QVector<QRgb> palette;
    QImage indexed = toIndexed(image, palette, 256);
    const int w = indexed.width(), h = indexed.height();
    const int stride = (w + 3) & ~3;
    std::vector<uint8_t> out;
    const uint32_t offset = 14 + 40 + 256 * 4;
    out.push_back('B'), out.push_back('M');
    putLe(out, offset + stride * h, 4), putLe(out, 0, 4), putLe(out, offset, 4);
    putLe(out, 40, 4), putLe(out, w, 4), putLe(out, h, 4), putLe(out, 1, 2), putLe(out, 8, 2);
    putLe(out, 0, 4), putLe(out, stride * h, 4), putLe(out, 2835, 4), putLe(out, 2835, 4);
    putLe(out, 256, 4), putLe(out, 0, 4);
    for (int i = 0; i < 256; i++) {
        QRgb c = i < palette.size() ? palette[i] : 0;
        out.push_back(qBlue(c)), out.push_back(qGreen(c)), out.push_back(qRed(c)), out.push_back(0);
    }
    for (int y = h - 1; y >= 0; y--) { // bottom-up rows
        for (int x = 0; x < stride; x++)
            out.push_back(x < w ? (uint8_t)indexed.pixelIndex(x, y) : 0);
    }
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    int ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

// Returns the DIB of a square icon image of 16 colours (VGA palette) with a
// transparency mask from the image's alpha.
std::vector<uint8_t> icoImage4(const QImage &image) {
    const int w = image.width(), h = image.height();
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QVector<QRgb> palette(vgaPalette, vgaPalette + 16);
    const int xorStride = ((w * 4 + 31) / 32) * 4; // rows of 4-bit pixels, whole 32-bit words
    const int andStride = ((w + 31) / 32) * 4;     // rows of 1-bit mask
    std::vector<uint8_t> dib;
    putLe(dib, 40, 4), putLe(dib, w, 4), putLe(dib, h * 2, 4), putLe(dib, 1, 2), putLe(dib, 4, 2);
    putLe(dib, 0, 4), putLe(dib, (xorStride + andStride) * h, 4), putLe(dib, 0, 4), putLe(dib, 0, 4);
    putLe(dib, 16, 4), putLe(dib, 0, 4);
    for (QRgb c : palette)
        dib.push_back(qBlue(c)), dib.push_back(qGreen(c)), dib.push_back(qRed(c)), dib.push_back(0);
    for (int y = h - 1; y >= 0; y--)
        for (int byte = 0; byte < xorStride; byte++) {
            int pair[2] = {0, 0};
            for (int k = 0; k < 2; k++) {
                const int x = byte * 2 + k;
                if (x >= w) continue;
                QRgb c = argb.pixel(x, y);
                pair[k] = qAlpha(c) < 128 ? 0 : nearestIndex(palette, c);
            }
            dib.push_back((uint8_t)(pair[0] << 4 | pair[1]));
        }
    for (int y = h - 1; y >= 0; y--)
        for (int byte = 0; byte < andStride; byte++) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; k++) {
                const int x = byte * 8 + k;
                if (x >= w || qAlpha(argb.pixel(x, y)) < 128) bits |= (uint8_t)(0x80 >> k);
            }
            dib.push_back(bits);
        }
    return dib;
}

// Writes the square images, smallest first, as one icon file of 16 colours.
// Returns 1, or 0 when the file cannot be written.
int writeIco4(const std::string &path, const std::vector<QImage> &images) {
    std::vector<std::vector<uint8_t>> dibs;
    for (const QImage &image : images)
        dibs.push_back(icoImage4(image));
    std::vector<uint8_t> out;
    putLe(out, 0, 2), putLe(out, 1, 2), putLe(out, dibs.size(), 2); // icon directory
    uint32_t offset = 6 + 16 * (uint32_t)dibs.size();
    for (size_t i = 0; i < dibs.size(); i++) {
        out.push_back((uint8_t)images[i].width()), out.push_back((uint8_t)images[i].height());
        out.push_back(16), out.push_back(0);
        putLe(out, 1, 2), putLe(out, 4, 2), putLe(out, dibs[i].size(), 4), putLe(out, offset, 4);
        offset += (uint32_t)dibs[i].size();
    }
    for (const std::vector<uint8_t> &dib : dibs)
        out.insert(out.end(), dib.begin(), dib.end());
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    int ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

// Returns a blank picture of w x h at scale, filled with colour.
QImage canvas(int w, int h, double scale, QColor colour) {
    QImage image((int)std::lround(w * scale), (int)std::lround(h * scale), QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Paints text centred in rect with the Japanese font at pixelSize.
void paintWords(QPainter &p, const QRect &rect, const QString &text, int pixelSize, QColor colour) {
    QFont font(japaneseFont);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, Qt::AlignCenter, text);
}

// 109: a running figure on green and the word 終了.
QImage drawExit(double scale) {
    QImage image = canvas(66, 32, scale, QColor(0x20, 0x90, 0x40));
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(17, 6), 3, 3);                                                        // head
    p.drawLine(QPointF(16, 10), QPointF(13, 19));                                               // body, leaning forward
    p.drawLine(QPointF(15, 12), QPointF(21, 15));                                               // front arm
    p.drawLine(QPointF(15, 12), QPointF(9, 14));                                                // back arm
    p.drawLine(QPointF(13, 19), QPointF(19, 23)), p.drawLine(QPointF(19, 23), QPointF(18, 28)); // front leg
    p.drawLine(QPointF(13, 19), QPointF(9, 25)), p.drawLine(QPointF(9, 25), QPointF(4, 25));    // back leg
    paintWords(p, QRect(28, 0, 38, 32), QString::fromUtf8("終了"), 16, Qt::white);
    return image;
}

// 143: a loudspeaker and the word 再生.
QImage drawPlay(double scale) {
    QImage image = canvas(67, 32, scale, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2));
    p.setBrush(QColor(0x30, 0x60, 0xC0));
    QPolygonF speaker;
    speaker << QPointF(4, 12) << QPointF(9, 12) << QPointF(16, 6) << QPointF(16, 26) << QPointF(9, 20)
            << QPointF(4, 20);
    p.drawPolygon(speaker);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x60, 0xC0), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(13, 10, 8, 12), -60 * 16, 120 * 16); // sound waves
    p.drawArc(QRectF(12, 6, 14, 20), -60 * 16, 120 * 16);
    paintWords(p, QRect(28, 0, 39, 32), QString::fromUtf8("再生"), 16, QColor(0x10, 0x10, 0x10));
    return image;
}

// 142: a stop sign with a raised hand and the word 停止.
QImage drawStop(double scale) {
    QImage image = canvas(65, 32, scale, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF octagon;
    for (int i = 0; i < 8; i++) {
        double a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octagon << QPointF(15 + 13 * std::cos(a), 16 + 13 * std::sin(a));
    }
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(QColor(0xD0, 0x10, 0x10));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white); // raised hand: palm and four fingers and a thumb
    p.drawRoundedRect(QRectF(11, 15, 9, 8), 2, 2);
    for (int i = 0; i < 4; i++)
        p.drawRoundedRect(QRectF(11 + 2.3 * i, 8 + (i == 0 || i == 3 ? 1.5 : 0), 1.8, 8), 0.9, 0.9);
    QPainterPath thumb;
    thumb.moveTo(11, 19), thumb.lineTo(8, 15.5), thumb.lineTo(9.2, 14.5), thumb.lineTo(12, 17);
    p.drawPath(thumb);
    paintWords(p, QRect(28, 0, 37, 32), QString::fromUtf8("停止"), 16, QColor(0x10, 0x10, 0x10));
    return image;
}

// 145: an open folder and the words ファイル選択.
QImage drawChooseFile(double scale) {
    QImage image = canvas(86, 15, scale, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1));
    p.setBrush(QColor(0xE8, 0xC0, 0x40));
    p.drawRect(QRectF(1.5, 3.5, 12, 9)); // back of the folder
    p.drawRect(QRectF(1.5, 2.5, 5, 2));  // tab
    QPolygonF front;
    front << QPointF(1.5, 12.5) << QPointF(4.5, 6.5) << QPointF(15.5, 6.5) << QPointF(13.5, 12.5);
    p.setBrush(QColor(0xF8, 0xD8, 0x70));
    p.drawPolygon(front);
    paintWords(p, QRect(16, 0, 70, 15), QString::fromUtf8("ファイル選択"), 11, QColor(0x10, 0x10, 0x10));
    return image;
}

// The icons are drawn on a grid of 32 x 32 design pixels, whole pixels at
// every scale, without antialiasing: px(v, scale) is design pixel v at scale.
int px(double v, double scale) { return (int)std::lround(v * scale); }

// Returns a transparent icon picture of 32 x 32 design pixels at scale.
QImage iconCanvas(double scale) { return canvas(32, 32, scale, Qt::transparent); }

// Draws the axis and the polyline points (in pixels) on an icon without
// antialiasing, 2 design pixels wide.
void drawWave(QImage &image, const QPolygon &points, QRgb colour, double scale) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0xFF000000u | 0x808080), px(1, scale)));
    p.drawLine(px(1, scale), px(16, scale), px(30, scale), px(16, scale)); // axis
    p.setPen(QPen(QColor(colour), px(2, scale), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(points);
}

// Returns the corners of a polyline given in design pixels, in pixels at scale.
QPolygon scaledPoints(std::initializer_list<QPoint> design, double scale) {
    QPolygon points;
    for (const QPoint &point : design)
        points << QPoint(px(point.x(), scale), px(point.y(), scale));
    return points;
}

// Returns the points of one cycle of a sine across the icon, one a pixel.
QPolygon sinePoints(double scale) {
    QPolygon points;
    for (int x = px(2, scale); x <= px(29, scale); x++)
        points << QPoint(x, px(16 - 11 * std::sin((x / scale - 2) * 2 * 3.14159265358979 / 27), scale));
    return points;
}

QImage drawSineIcon(QRgb colour, double scale) {
    QImage image = iconCanvas(scale);
    drawWave(image, sinePoints(scale), colour, scale);
    return image;
}

QImage drawSquareIcon(double scale) {
    QImage image = iconCanvas(scale);
    drawWave(image, scaledPoints({{2, 26}, {9, 26}, {9, 6}, {16, 6}, {16, 26}, {23, 26}, {23, 6}, {29, 6}}, scale),
             0xFFFF0000, scale);
    return image;
}

QImage drawTriangleIcon(double scale) {
    QImage image = iconCanvas(scale);
    drawWave(image, scaledPoints({{2, 16}, {8, 5}, {15, 27}, {22, 5}, {29, 27}}, scale), 0xFF008000, scale);
    return image;
}

QImage drawSawtoothIcon(double scale) {
    QImage image = iconCanvas(scale);
    drawWave(image, scaledPoints({{2, 26}, {11, 6}, {11, 26}, {20, 6}, {20, 26}, {29, 6}}, scale), 0xFF800080, scale);
    return image;
}

QImage drawOffsetIcon(double scale) {
    QImage image = iconCanvas(scale);
    drawWave(image, scaledPoints({{2, 9}, {29, 9}}, scale), 0xFF808000, scale);
    QPainter p(&image);
    p.setPen(QPen(QColor(0xFF000000), px(1, scale)));
    const QPoint tip(px(6, scale), px(11, scale)); // an arrow up from the axis
    p.drawLine(QPoint(px(6, scale), px(15, scale)), tip);
    p.drawLine(QPoint(px(5, scale), px(12, scale)), tip), p.drawLine(QPoint(px(7, scale), px(12, scale)), tip);
    return image;
}

// The window icon: one cycle of a sine on a white square with a navy frame.
QImage drawAppIcon(double scale) {
    QImage image = iconCanvas(scale);
    {
        QPainter p(&image);
        const int side = image.width(), frame = px(1, scale);
        p.fillRect(0, 0, side, side, QColor(0xFF000080));
        p.fillRect(frame, frame, side - 2 * frame, side - 2 * frame, QColor(0xFFFFFFFF));
    }
    drawWave(image, sinePoints(scale), 0xFF0000FF, scale);
    return image;
}

// The scales of the pictures and the endings of the bitmaps' file names, as
// res/strings.cpp names them.
const struct {
    double scale;
    const char *suffix;
} scales[] = {{1.0, ""}, {1.25, "-125"}, {1.5, "-150"}, {2.0, "-200"}};

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tonalix-make-resources OUTPUT_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string folder = argv[1];
    typedef QImage (*Drawing)(double scale);
    const struct {
        const char *name; // without its ending
        Drawing draw;
        int icon; // 1: ICO of 16 colours, 0: BMP of 256 colours
    } files[] = {
        // clang-format off
        {"bmp109", drawExit, 0},        {"bmp143", drawPlay, 0},
        {"bmp142", drawStop, 0},        {"bmp145", drawChooseFile, 0},
        {"ico104", drawAppIcon, 1},     {"ico118", drawOffsetIcon, 1},
        {"ico119", drawSquareIcon, 1},  {"ico120", drawTriangleIcon, 1},
        {"ico122", [](double scale) { return drawSineIcon(0xFF0000FF, scale); }, 1},
        {"ico124", drawSawtoothIcon, 1},
        // clang-format on
    };
    int failed = 0;
    for (const auto &file : files) {
        std::vector<QImage> images;
        for (const auto &s : scales) {
            images.push_back(file.draw(s.scale));
            if (file.icon) continue;
            std::string path = folder + "/" + file.name + s.suffix + ".bmp";
            if (!writeBmp8(path, images.back()))
                fprintf(stderr, "tonalix-make-resources: cannot write %s\n", path.c_str()), failed = 1;
        }
        std::string path = folder + "/" + file.name + ".ico";
        if (file.icon && !writeIco4(path, images))
            fprintf(stderr, "tonalix-make-resources: cannot write %s\n", path.c_str()), failed = 1;
    }
    return failed;
}
