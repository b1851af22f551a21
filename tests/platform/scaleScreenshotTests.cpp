// The window at larger scales, as screenshots of the display show it: the
// real tonalix.exe under Wine at 96, 144 and 192 dpi, and the Qt window at
// scale factors 1 and 2.  The Play image must grow with the scale (about
// four times the pixels at 192 dpi) and keep hard edges: drawn for the
// scale, its blended edge pixels grow with its outline only, where an
// enlarged small image blends as many of them as it has area.  Needs the
// display of the private Wine (scripts/wine-env.sh) and the private sound
// server; without them the tests report themselves skipped.  The
// screenshots go to the build's screenshots/ folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cairo.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/platform/windowsPrograms.h"
#include "tests/support/soundAnalysis.h"

namespace {

const std::string screenshots = TONALIX_SCREENSHOTS;

// What the Play image covers in a screenshot: the pixels of its
// loudspeaker's blue, and the blended ones at their edges.
struct PlayImage {
    int solid, blended;
};

// Saves a screenshot of the whole display as path.  Returns 1 on success.
int takeScreenshot(const std::string &path) {
    return runProgram({"sh", "-c", "xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >'" + path + "'"}).exitCode ==
           0;
}

// Returns the Play image's pixels in the screenshot at path: the
// loudspeaker's blue in the largest patch of it (cells of 8 pixels that
// touch), and, inside the box around that patch, the bluish pixels that are
// not that blue.
PlayImage measurePlayImage(const std::string &path) {
    PlayImage found = {0, 0};
    cairo_surface_t *shot = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(shot) != CAIRO_STATUS_SUCCESS) return found;
    const unsigned char *data = cairo_image_surface_get_data(shot);
    const int stride = cairo_image_surface_get_stride(shot), w = cairo_image_surface_get_width(shot),
              h = cairo_image_surface_get_height(shot);
    auto rgb = [&](int x, int y, int *r, int *g, int *b) {
        const uint32_t p = *(const uint32_t *)(const void *)(data + y * stride + 4 * x);
        *r = (int)(p >> 16 & 255), *g = (int)(p >> 8 & 255), *b = (int)(p & 255);
    };
    auto solid = [](int r, int g, int b) {
        return std::abs(r - 0x30) < 24 && std::abs(g - 0x60) < 24 && std::abs(b - 0xC0) < 24;
    };
    const int cell = 8, cw = (w + cell - 1) / cell, ch = (h + cell - 1) / cell;
    std::vector<int> count((size_t)cw * ch, 0), patch((size_t)cw * ch, -1);
    int r, g, b;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            rgb(x, y, &r, &g, &b);
            count[(size_t)(y / cell) * cw + x / cell] += solid(r, g, b);
        }
    int best = -1, bestCount = 0;
    for (int start = 0; start < cw * ch; start++) { // patches of touching cells, by flood fill
        if (!count[start] || patch[start] >= 0) continue;
        std::vector<int> todo = {start};
        patch[start] = start;
        int total = 0;
        while (!todo.empty()) {
            const int at = todo.back();
            todo.pop_back();
            total += count[at];
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const int x = at % cw + dx, y = at / cw + dy;
                    if (x < 0 || y < 0 || x >= cw || y >= ch) continue;
                    const int next = y * cw + x;
                    if (count[next] && patch[next] < 0) patch[next] = start, todo.push_back(next);
                }
        }
        if (total > bestCount) best = start, bestCount = total;
    }
    int left = w, right = -1, top = h, bottom = -1;
    for (int i = 0; i < cw * ch; i++)
        if (best >= 0 && patch[i] == best) {
            left = std::min(left, i % cw * cell), right = std::max(right, i % cw * cell + cell - 1);
            top = std::min(top, i / cw * cell), bottom = std::max(bottom, i / cw * cell + cell - 1);
        }
    for (int y = std::max(0, top); y <= std::min(h - 1, bottom); y++)
        for (int x = std::max(0, left); x <= std::min(w - 1, right); x++) {
            rgb(x, y, &r, &g, &b);
            found.solid += solid(r, g, b);
            found.blended += !solid(r, g, b) && b - r > 24 && b >= g;
        }
    cairo_surface_destroy(shot);
    return found;
}

// Checks the Play image at scale 1.5 and 2 against scale 1.
void expectSharpAndGrown(const PlayImage &one, const PlayImage &oneAndHalf, const PlayImage &two) {
    std::printf("Play image: %d blue pixels (%d blended) at 100%%, %d (%d) at 150%%, %d (%d) at 200%%\n", one.solid,
                one.blended, oneAndHalf.solid, oneAndHalf.blended, two.solid, two.blended);
    ASSERT_GT(one.solid, 20) << "no Play image at 100%";
    EXPECT_GT(oneAndHalf.solid, one.solid * 1.7);
    EXPECT_LT(oneAndHalf.solid, one.solid * 2.9);
    EXPECT_GT(two.solid, one.solid * 3.2);
    EXPECT_LT(two.solid, one.solid * 5.5);
    // drawn for the scale: the blended edge grows as the outline, not the area
    EXPECT_LT((double)two.blended / two.solid, 0.75 * one.blended / one.solid)
        << one.blended << " of " << one.solid << " at 100%, " << two.blended << " of " << two.solid << " at 200%";
}

TEST_F(WindowsProgram, DrawsThePlayImageForTheScreensDpi) {
    if (soundSink().empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    const char *const dpis[] = {"96", "144", "192"};
    PlayImage images[3];
    auto setDpi = [this](const char *dpi) {
        return runProgram(underWine(programFolder, {"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                                                    "/t", "REG_DWORD", "/d", dpi, "/f"}))
            .exitCode;
    };
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(dpis[i]);
        ASSERT_EQ(setDpi(dpis[i]), 0);
        ASSERT_TRUE(startWindow());
        usleep(1500000);
        const std::string path = screenshots + "/wine-" + dpis[i] + "dpi.png";
        EXPECT_TRUE(takeScreenshot(path));
        click("click", "1006");
        EXPECT_EQ(waitForProgram(10), 0);
        images[i] = measurePlayImage(path);
    }
    setDpi("96"); // the other tests' screen
    expectSharpAndGrown(images[0], images[1], images[2]);
}

TEST(QtWindowScale, DrawsThePlayImageForTheScaleFactor) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (scripts/wine-env.sh starts one)";
    if (soundSink().empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    const char *const factors[] = {"1", "1.5", "2"};
    PlayImage images[3];
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(factors[i]);
        const pid_t program = startProgram(
            {"env", std::string("QT_SCALE_FACTOR=") + factors[i], "QT_QPA_PLATFORM=xcb", PROGRAM_PATH}, "/dev/null");
        ASSERT_GT(program, 0);
        // Up to 30 s: on a loaded machine the first window took over 10.
        int shown = 0, ended = 0;
        for (int wait = 0; wait < 300 && !shown && !ended; wait++, usleep(100000)) {
            shown = runProgram({"sh", "-c", "xwininfo -root -tree | grep -q 'Tonalix\"'"}).exitCode == 0;
            ended = waitpid(program, nullptr, WNOHANG) == program;
        }
        ASSERT_FALSE(ended) << "the program ended before its window showed";
        usleep(1500000);
        const std::string path = screenshots + "/qt-scale-" + factors[i] + ".png";
        EXPECT_TRUE(shown && takeScreenshot(path));
        kill(program, SIGTERM);
        waitpid(program, nullptr, 0);
        images[i] = measurePlayImage(path);
    }
    expectSharpAndGrown(images[0], images[1], images[2]);
}

} // namespace
