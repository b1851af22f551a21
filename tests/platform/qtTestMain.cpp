// Runs the tests of the Qt window inside a QApplication on the offscreen
// platform, with a settings folder of their own.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include <QApplication>
#include <QDir>

#include "platform/linux/qtWindow.h"

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", TONALIX_TEST_CONFIG, 1);
    QApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C");
    qtInitialiseWindows();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
