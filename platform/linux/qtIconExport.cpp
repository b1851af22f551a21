// Build helper: writes the program icon (an .ico file) as a PNG of the given
// size, for the desktop's icon theme.  Usage: tonalix-icon-export IN OUT SIZE
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s icon.ico out.png size\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    const int size = atoi(argv[3]);
    QIcon icon(QString::fromLocal8Bit(argv[1]));
    QImage image = icon.pixmap(size, size).toImage();
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        fprintf(stderr, "%s: cannot convert %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
