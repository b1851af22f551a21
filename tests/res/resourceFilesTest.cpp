// The bitmaps and icons in res/ have the sizes and colour depths the window
// lays out: buttons are 256-colour bitmaps at 100%, 125%, 150% and 200%,
// icons hold 32, 40, 48 and 64 pixel images of 16 colours.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readFile(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

uint32_t le(const std::vector<uint8_t> &b, size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; i--)
        v = v << 8 | b.at(at + i);
    return v;
}

struct BitmapCase {
    const char *file;
    uint32_t width, height;
};

const BitmapCase bitmaps[] = {
    // clang-format off
    {"bmp109.bmp", 66, 32},   {"bmp109-125.bmp", 83, 40},  {"bmp109-150.bmp", 99, 48},  {"bmp109-200.bmp", 132, 64}, // Exit
    {"bmp143.bmp", 67, 32},   {"bmp143-125.bmp", 84, 40},  {"bmp143-150.bmp", 101, 48}, {"bmp143-200.bmp", 134, 64}, // Play
    {"bmp142.bmp", 65, 32},   {"bmp142-125.bmp", 81, 40},  {"bmp142-150.bmp", 98, 48},  {"bmp142-200.bmp", 130, 64}, // Stop
    {"bmp145.bmp", 86, 15},   {"bmp145-125.bmp", 108, 19}, {"bmp145-150.bmp", 129, 23}, {"bmp145-200.bmp", 172, 30}, // choose file
    // clang-format on
};

const char *icons[] = {"ico104.ico", "ico118.ico", "ico119.ico", "ico120.ico", "ico122.ico", "ico124.ico"};

TEST(ResourceFiles, BitmapsHaveTheirSizeAnd256Colours) {
    for (const BitmapCase &c : bitmaps) {
        SCOPED_TRACE(c.file);
        std::vector<uint8_t> b = readFile(std::string(RES_FOLDER) + "/" + c.file);
        ASSERT_GT(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(le(b, 2, 4), b.size()); // file size field
        EXPECT_EQ(le(b, 18, 4), c.width);
        EXPECT_EQ(le(b, 22, 4), c.height);
        EXPECT_EQ(le(b, 28, 2), 8u); // bits per pixel
        uint32_t stride = (c.width + 3) & ~3u;
        EXPECT_EQ(b.size(), le(b, 10, 4) + stride * c.height);
    }
}

TEST(ResourceFiles, IconsHoldFourSizesWith16Colours) {
    const uint8_t sizes[] = {32, 40, 48, 64};
    for (const char *file : icons) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> b = readFile(std::string(RES_FOLDER) + "/" + file);
        ASSERT_GT(b.size(), 6u + 16 * 4);
        EXPECT_EQ(le(b, 2, 2), 1u); // an icon file
        ASSERT_EQ(le(b, 4, 2), 4u); // four images
        uint32_t end = 6 + 16 * 4;
        for (int i = 0; i < 4; i++) {
            const size_t entry = 6 + 16 * i;
            EXPECT_EQ(b[entry], sizes[i]);
            EXPECT_EQ(b[entry + 1], sizes[i]);
            EXPECT_EQ(b[entry + 2], 16); // colours in the palette
            const uint32_t offset = le(b, entry + 12, 4);
            EXPECT_EQ(offset, end);               // the images follow each other
            EXPECT_EQ(le(b, offset + 14, 2), 4u); // bits per pixel of the image
            end = offset + le(b, entry + 8, 4);
        }
        EXPECT_EQ(end, b.size());
    }
}

} // namespace
