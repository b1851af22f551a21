// The bitmaps and icons in res/ have the sizes and colour depths the window
// lays out: buttons are 256-colour bitmaps, icons 32 x 32 with 16 colours.
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
    {"bmp109.bmp", 66, 32},   // Exit
    {"bmp143.bmp", 67, 32},   // Play
    {"bmp142.bmp", 65, 32},   // Stop
    {"bmp145.bmp", 86, 15},   // choose file
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

TEST(ResourceFiles, IconsAre32By32With16Colours) {
    for (const char *file : icons) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> b = readFile(std::string(RES_FOLDER) + "/" + file);
        ASSERT_GT(b.size(), 62u);
        EXPECT_EQ(le(b, 2, 2), 1u); // an icon file
        EXPECT_EQ(le(b, 4, 2), 1u); // one image
        EXPECT_EQ(b[6], 32);
        EXPECT_EQ(b[7], 32);
        EXPECT_EQ(b[8], 16); // colours in the palette
        uint32_t offset = le(b, 18, 4);
        EXPECT_EQ(le(b, 14, 4) + offset, b.size());
        EXPECT_EQ(le(b, offset + 14, 2), 4u); // bits per pixel of the image
    }
}

} // namespace
