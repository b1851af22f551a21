// The program's start on Linux: the Qt application, then the main window.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>

#include "app/mainDialog.h"
#include "platform/linux/qtWindow.h"

namespace {

// What a start without a display says, on one line.
const char noDisplayMessage[] =
    "tonalix: the window needs a display (X11 or Wayland), and neither DISPLAY nor WAYLAND_DISPLAY is set; "
    "start it in a desktop session, or on a virtual display with: xvfb-run tonalix\n";

// Returns 1 when Qt has somewhere to show the window: a display named in the
// environment, or a platform chosen by hand (QT_QPA_PLATFORM or -platform).
int haveDisplay(int argc, char **argv) {
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value) return 1;
    }
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return 1;
    return 0;
}

} // namespace

// Returns the program's exit status.  Without a display Qt would abort (a
// core dump, exit 134) after naming its platform plugins; the program says
// what is missing instead and exits with status 1.
int main(int argc, char **argv) {
    if (!haveDisplay(argc, argv)) {
        std::fputs(noDisplayMessage, stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tonalix"));
    QApplication::setDesktopFileName(QStringLiteral("org.tonalix.Tonalix")); // the AppStream id
    // Qt switches the C library to the user's locale; formula numbers and
    // the "%0.1f" of the time display need the decimal point.
    setlocale(LC_NUMERIC, "C");
    qtInitialiseWindows();
    return tonalixMain(nullptr);
}
