// The program's start on Linux: the Qt application, then the main window.
#include <clocale>

#include <QApplication>

#include "app/mainDialog.h"
#include "platform/linux/qtWindow.h"

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tonalix"));
    QApplication::setDesktopFileName(QStringLiteral("tonalix"));
    // Qt switches the C library to the user's locale; formula numbers and
    // the "%0.1f" of the time display need the decimal point.
    setlocale(LC_NUMERIC, "C");
    qtInitialiseWindows();
    return tonalixMain(nullptr);
}
