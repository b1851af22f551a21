// tonalix-make-resources: draws the window's bitmaps and icons and writes
// them into res/ as BMP (256 colours) and ICO (16 colours) files.
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

// Writes a 32 x 32 icon of 16 colours (VGA palette) with a transparency mask
// from the image's alpha.  Returns 1, or 0 when the file cannot be written.
int writeIco4(const std::string &path, const QImage &image) {
    const int w = 32, h = 32;
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QVector<QRgb> palette(vgaPalette, vgaPalette + 16);
    const int xorStride = 16; // 32 pixels of 4 bits, already a multiple of 4 bytes
    const int andStride = 4;  // 32 pixels of 1 bit
    std::vector<uint8_t> dib;
    putLe(dib, 40, 4), putLe(dib, w, 4), putLe(dib, h * 2, 4), putLe(dib, 1, 2), putLe(dib, 4, 2);
    putLe(dib, 0, 4), putLe(dib, (xorStride + andStride) * h, 4), putLe(dib, 0, 4), putLe(dib, 0, 4);
    putLe(dib, 16, 4), putLe(dib, 0, 4);
    for (QRgb c : palette)
        dib.push_back(qBlue(c)), dib.push_back(qGreen(c)), dib.push_back(qRed(c)), dib.push_back(0);
    for (int y = h - 1; y >= 0; y--)
        for (int x = 0; x < w; x += 2) {
            QRgb a = argb.pixel(x, y), b = argb.pixel(x + 1, y);
            int ia = qAlpha(a) < 128 ? 0 : nearestIndex(palette, a);
            int ib = qAlpha(b) < 128 ? 0 : nearestIndex(palette, b);
            dib.push_back((uint8_t)(ia << 4 | ib));
        }
    for (int y = h - 1; y >= 0; y--)
        for (int byte = 0; byte < andStride; byte++) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; k++)
                if (qAlpha(argb.pixel(byte * 8 + k, y)) < 128) bits |= (uint8_t)(0x80 >> k);
            dib.push_back(bits);
        }
    std::vector<uint8_t> out;
    putLe(out, 0, 2), putLe(out, 1, 2), putLe(out, 1, 2); // icon directory, one image
    out.push_back(w), out.push_back(h), out.push_back(16), out.push_back(0);
    putLe(out, 1, 2), putLe(out, 4, 2), putLe(out, dib.size(), 4), putLe(out, 22, 4);
    out.insert(out.end(), dib.begin(), dib.end());
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    int ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

// Returns a blank picture of w x h filled with colour.
QImage canvas(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32);
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
QImage drawExit() {
    QImage image = canvas(66, 32, QColor(0x20, 0x90, 0x40));
    QPainter p(&image);
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
QImage drawPlay() {
    QImage image = canvas(67, 32, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
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
QImage drawStop() {
    QImage image = canvas(65, 32, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
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
QImage drawChooseFile() {
    QImage image = canvas(86, 15, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
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

// Returns a 32 x 32 transparent picture with a dark frame line through the
// middle, ready for one wave drawn in vga colour index colourIndex.
QImage iconCanvas() { return canvas(32, 32, Qt::transparent); }

// Draws polyline points on an icon without antialiasing, 2 pixels wide.
void drawWave(QImage &image, const QPolygon &points, QRgb colour) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0xFF000000u | 0x808080), 1));
    p.drawLine(1, 16, 30, 16); // axis
    p.setPen(QPen(QColor(colour), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(points);
}

// Returns the points of one cycle of a sine across the icon.
QPolygon sinePoints() {
    QPolygon points;
    for (int x = 2; x <= 29; x++)
        points << QPoint(x, 16 - (int)std::lround(11 * std::sin((x - 2) * 2 * 3.14159265358979 / 27)));
    return points;
}

QImage drawSineIcon(QRgb colour) {
    QImage image = iconCanvas();
    drawWave(image, sinePoints(), colour);
    return image;
}

QImage drawSquareIcon() {
    QImage image = iconCanvas();
    QPolygon points;
    points << QPoint(2, 26) << QPoint(9, 26) << QPoint(9, 6) << QPoint(16, 6) << QPoint(16, 26) << QPoint(23, 26)
           << QPoint(23, 6) << QPoint(29, 6);
    drawWave(image, points, 0xFFFF0000);
    return image;
}

QImage drawTriangleIcon() {
    QImage image = iconCanvas();
    QPolygon points;
    points << QPoint(2, 16) << QPoint(8, 5) << QPoint(15, 27) << QPoint(22, 5) << QPoint(29, 27);
    drawWave(image, points, 0xFF008000);
    return image;
}

QImage drawSawtoothIcon() {
    QImage image = iconCanvas();
    QPolygon points;
    points << QPoint(2, 26) << QPoint(11, 6) << QPoint(11, 26) << QPoint(20, 6) << QPoint(20, 26) << QPoint(29, 6);
    drawWave(image, points, 0xFF800080);
    return image;
}

QImage drawOffsetIcon() {
    QImage image = iconCanvas();
    QPolygon points;
    points << QPoint(2, 9) << QPoint(29, 9);
    drawWave(image, points, 0xFF808000);
    QPainter p(&image);
    p.setPen(QPen(QColor(0xFF000000), 1));
    p.drawLine(6, 15, 6, 11), p.drawLine(5, 12, 6, 11), p.drawLine(7, 12, 6, 11); // arrow up from the axis
    return image;
}

// The window icon: one cycle of a sine on a white rounded square.
QImage drawAppIcon() {
    QImage image = iconCanvas();
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0xFF000080), 1));
        p.setBrush(QColor(0xFFFFFFFF));
        p.drawRect(0, 0, 31, 31);
    }
    drawWave(image, sinePoints(), 0xFF0000FF);
    return image;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: tonalix-make-resources OUTPUT_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string folder = argv[1];
    struct {
        const char *name;
        QImage image;
        int icon; // 1: ICO of 16 colours, 0: BMP of 256 colours
    } files[] = {
        // clang-format off
        {"bmp109.bmp", drawExit(), 0},         {"bmp143.bmp", drawPlay(), 0},
        {"bmp142.bmp", drawStop(), 0},         {"bmp145.bmp", drawChooseFile(), 0},
        {"ico104.ico", drawAppIcon(), 1},      {"ico118.ico", drawOffsetIcon(), 1},
        {"ico119.ico", drawSquareIcon(), 1},   {"ico120.ico", drawTriangleIcon(), 1},
        {"ico122.ico", drawSineIcon(0xFF0000FF), 1}, {"ico124.ico", drawSawtoothIcon(), 1},
        // clang-format on
    };
    int failed = 0;
    for (auto &file : files) {
        std::string path = folder + "/" + file.name;
        int ok = file.icon ? writeIco4(path, file.image) : writeBmp8(path, file.image);
        if (!ok) fprintf(stderr, "tonalix-make-resources: cannot write %s\n", path.c_str()), failed = 1;
    }
    return failed;
}
