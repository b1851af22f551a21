// Build helper: writes the program icon (an .ico file) as a PNG of the given
// size, for the desktop's icon theme.  Usage: tonalix-icon-export IN OUT SIZE
#include <QGuiApplication>
#include <QIcon>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s icon.ico out.png size\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    const int size = atoi(argv[3]);
    // QIcon never scales an image up, so the largest image of the file is
    // taken and scaled here: by whole multiples pixel for pixel, which keeps
    // the drawing's hard edges, otherwise smoothly.
    QIcon icon(QString::fromLocal8Bit(argv[1]));
    QSize largest;
    for (const QSize &available : icon.availableSizes())
        if (available.width() > largest.width()) largest = available;
    QImage image = icon.pixmap(largest.isValid() ? largest : QSize(size, size)).toImage();
    if (!image.isNull() && image.width() != size) {
        const bool whole = size > image.width() && size % image.width() == 0;
        image =
            image.scaled(size, size, Qt::IgnoreAspectRatio, whole ? Qt::FastTransformation : Qt::SmoothTransformation);
    }
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        fprintf(stderr, "%s: cannot convert %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
