// Fuzz target: the data-file reader on arbitrary bytes.  The file is read
// with a data count that is either its own number of line feeds (so that the
// lines themselves are read) or one taken from the input.  A file that is
// accepted must hold exactly the values read, in the "%d" form; every value
// must be one that the strict parser accepts back.
//
// Input: the first byte chooses the data count, the rest is the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/dataFile.h"
#include "audio/synthesis.h"
#include "tests/fakes/fakeWindow.h"

namespace {

// Returns the file's lines as a text-mode reader sees them: CR LF folded
// into LF.
std::string foldLineEnds(const std::string &file) {
    std::string folded;
    for (size_t i = 0; i < file.size(); i++)
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) folded += file[i];
    return folded;
}

// Aborts unless the file is exactly count "%d" lines of the samples read.
void checkAccepted(const std::string &file, int32_t count) {
    std::string expected;
    char line[16];
    for (int32_t i = 0; i < count; i++) {
        std::snprintf(line, sizeof line, "%d\n", (int)sampleCapture.samples[i]);
        expected += line;
    }
    if (foldLineEnds(file) != expected) {
        std::fprintf(stderr, "an accepted file is not what was read back\n");
        std::abort();
    }
}

// Aborts unless parseStrictInt16 accepts exactly the "%d" forms of -32768 to
// 32767 among the lines of the file.
void checkStrictParse(const std::string &file) {
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        std::string text = file.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? file.size() : end + 1;
        text = text.c_str(); // as the parser reads it: up to a NUL
        if (text.size() > 12) continue;
        int32_t value = 0;
        if (parseStrictInt16(text.c_str(), &value)) {
            char back[16];
            std::snprintf(back, sizeof back, "%d", (int)value);
            if (text != back || value < -32768 || value > 32767) std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    std::string file((const char *)data + 1, size - 1);
    int32_t lineFeeds = 0;
    for (char c : file)
        lineFeeds += c == '\n';
    int32_t count = data[0] & 1 ? lineFeeds : data[0] >> 1;
    checkStrictParse(file);

    // An empty buffer cannot be opened in memory: read an empty file then.
    FILE *stream = file.empty() ? std::tmpfile() : fmemopen(file.data(), file.size(), "rb");
    if (!stream) return 0;
    fakeResetWindows();
    int accepted = readDataFile(nullptr, stream, count);
    std::fclose(stream);
    if (accepted != (fakeMessageBoxes().empty() ? 1 : 0))
        std::abort(); // a refusal always says why, an acceptance never speaks
    if (accepted) checkAccepted(file, count);
    releaseCaptureSamples();
    return 0;
}
