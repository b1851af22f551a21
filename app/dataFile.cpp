// Waveform data files: the option's checks, reading, writing and the file
// chooser.
#include "app/dataFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "audio/synthesis.h"
#include "platform/fileDialog.h"
#include "platform/files.h"
#include "res/resource.h"
#include "res/strings.h"
#include "window/windowHelpers.h"

char dataFilePath[dataFilePathSize];

namespace {

const int textSize = 256;                      // bytes read from a control
const int lineBufferSize = 10;                 // one read: at most 9 characters, line end included, and the NUL
const int pathReadSize = 4 * dataFilePathSize; // bytes read from the path box, to tell a path that does not fit

// Allocates a zero-filled capture array of count samples, releasing any
// earlier one first, so that lines of samples never captured read 0.
// Returns 1, or 0 after the not-enough-memory box.
int allocateSampleArray(Window dialog, int32_t count) {
    releaseCaptureSamples();
    sampleCapture.samples = (int16_t *)calloc((size_t)count, sizeof(int16_t));
    if (!sampleCapture.samples) {
        showError(dialog, dataNoMemoryText, appCaption);
        return 0;
    }
    return 1;
}

// Opens path for reading.  Returns the stream, or null when it cannot be
// opened or read: on Linux a folder opens like a file and fails only at the
// first read, and a folder is no data file.
FILE *openForReading(const char *path) {
    FILE *file = openFile(path, "rb"); // CR LF is folded by readLine
    if (!file) return nullptr;
    getc(file);
    if (ferror(file)) {
        fclose(file);
        return nullptr;
    }
    rewind(file);
    return file;
}

// Reads one line of file into buffer as a text-mode stream would: at most
// size - 1 characters, stopping after a line feed; a CR LF pair reads as a
// single line feed.  Returns the characters stored (0 at the end of file).
int readLine(FILE *file, char *buffer, int size) {
    int length = 0;
    while (length < size - 1) {
        int c = getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            int next = getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                ungetc(next, file);
        }
        buffer[length++] = (char)c;
        if (c == '\n') break;
    }
    buffer[length] = '\0';
    return length;
}

// Shows the bad-line message for line number line with data as its text.
void reportBadLine(Window dialog, int32_t line, const char *data) {
    char message[textSize];
    snprintf(message, sizeof message, dataBadLineFormat, (int)line, data);
    showError(dialog, message, appCaption);
}

// Writes value in decimal and CR LF to out; returns the bytes written.  The
// same text as "%d\r\n", written without a format call per line, since a
// capture may hold 100 million values.
int formatLine(char *out, int value) {
    char digits[12];
    int n = 0;
    unsigned magnitude = value < 0 ? 0u - (unsigned)value : (unsigned)value;
    do {
        digits[n++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    int length = 0;
    if (value < 0) out[length++] = '-';
    while (n)
        out[length++] = digits[--n];
    out[length++] = '\r';
    out[length++] = '\n';
    return length;
}

} // namespace

int parseStrictInt(const char *text, int32_t *out) {
    if (strcmp(text, "0") == 0) {
        *out = 0;
        return 1;
    }
    // The conversion saturates instead of overflowing; anything beyond 32
    // bits then fails the comparison below like any other non-canonical text.
    errno = 0;
    long long value = strtoll(text, nullptr, 10);
    if (value == 0 || value < INT32_MIN || value > INT32_MAX) return 0;
    char canonical[16];
    snprintf(canonical, sizeof canonical, "%d", (int)value);
    if (strcmp(canonical, text) != 0) return 0;
    *out = (int32_t)value;
    return 1;
}

int parseStrictInt16(const char *text, int32_t *out) {
    int32_t value;
    if (!parseStrictInt(text, &value) || value < -32768 || value > 32767) return 0;
    *out = value;
    return 1;
}

void releaseCaptureSamples() {
    free(sampleCapture.samples);
    sampleCapture.samples = nullptr;
}

int checkDataFileOption(Window dialog) {
    char text[textSize];
    if (getControlText(dialog, IDC_DATA_COUNT, text, sizeof text) == 0) {
        showError(dialog, dataCountMissingText, appCaption);
        return 0;
    }
    if (!parseStrictInt(text, &sampleCapture.count)) {
        showError(dialog, dataCountInvalidText, appCaption);
        return 0;
    }
    if (sampleCapture.count < minDataCount) {
        showError(dialog, dataCountTooSmallText, appCaption);
        return 0;
    }
    if (sampleCapture.count > maxDataCount) {
        showError(dialog, dataCountTooLargeText, appCaption);
        return 0;
    }
    // The path is read whole: cut to the buffer it would name another file,
    // which the write direction would then empty.  A path that does not fit
    // is taken as a file that cannot be opened.
    char path[pathReadSize];
    unsigned pathLength = getControlText(dialog, IDC_DATA_PATH, path, sizeof path);
    if (pathLength == 0) {
        showError(dialog, dataPathMissingText, appCaption);
        return 0;
    }
    int pathFits = pathLength < (unsigned)dataFilePathSize;
    memcpy(dataFilePath, path, pathFits ? pathLength + 1 : 1);
    if (!pathFits) dataFilePath[0] = '\0';
    getControlText(dialog, IDC_DATA_DIRECTION, text, sizeof text);

    if (strcmp(text, readDirectionText) == 0) {
        sampleCapture.mode = CaptureRead;
        FILE *file = pathFits ? openForReading(dataFilePath) : nullptr;
        if (!file) {
            messageBox(dialog, dataFileMissingText, appCaption, MB_OK);
            return 0;
        }
        int result = readDataFile(dialog, file, sampleCapture.count);
        fclose(file);
        return result;
    }

    FILE *file = pathFits ? openFile(dataFilePath, "wb") : nullptr;
    if (!file) {
        showError(dialog, dataFileUnusableText, appCaption);
        return 0;
    }
    fclose(file); // the file now exists and is empty
    if (!allocateSampleArray(dialog, sampleCapture.count)) {
        sampleCapture.mode = CaptureOff;
        return 0;
    }
    sampleCapture.mode = CaptureRecord;
    return 1;
}

int readDataFile(Window dialog, FILE *file, int32_t count) {
    // Count the line feeds of the whole file, block by block.
    long long lineFeeds = 0;
    char block[65536];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0)
        for (const char *p = block; (p = (const char *)memchr(p, '\n', block + got - p)) != nullptr; p++)
            lineFeeds++;
    if (lineFeeds != count) {
        char message[textSize];
        snprintf(message, sizeof message, dataCountMismatchFormat, (int)(lineFeeds > INT_MAX ? INT_MAX : lineFeeds));
        showError(dialog, message, appCaption);
        return 0;
    }
    if (!allocateSampleArray(dialog, count)) return 0;
    rewind(file);

    char line[lineBufferSize];
    for (int32_t i = 1;; i++) {
        int length = readLine(file, line, sizeof line);
        if (length == 0) return 1; // the end of the file, after count lines
        int atEnd = feof(file) != 0;
        if (line[length - 1] != '\n') {
            // Too long for one read, or text after the last line feed: that
            // text would be value count + 1, for which the array has no room.
            if (!atEnd || i > count) {
                reportBadLine(dialog, i, line);
                releaseCaptureSamples();
                return 0;
            }
        }
        line[length - 1] = '\0'; // drop the line feed
        int32_t value;
        // A NUL byte inside the line would end the text that the parser
        // sees, and what follows it would pass unchecked.
        int holdsNul = std::strlen(line) != (size_t)(length - 1);
        if (i > count || holdsNul || !parseStrictInt16(line, &value)) {
            reportBadLine(dialog, i, line);
            releaseCaptureSamples();
            return 0;
        }
        sampleCapture.samples[i - 1] = (int16_t)value;
    }
}

int writeDataFile(Window dialog) {
    FILE *file = openFile(dataFilePath, "wb"); // lines carry their own CR LF
    if (!file) return 0;
    int failed = 0;
    if (countdownActive == 0) {
        // Lines are gathered into blocks and written with one call each.
        static char block[65536];
        const int lineMax = 8; // "-32768" and CR LF
        int used = 0;
        for (int32_t i = 0; i < sampleCapture.count && !failed; i++) {
            used += formatLine(block + used, sampleCapture.samples[i]);
            if (used > (int)sizeof block - lineMax) {
                failed = fwrite(block, 1, used, file) != (size_t)used;
                used = 0;
            }
        }
        if (!failed && used) failed = fwrite(block, 1, used, file) != (size_t)used;
    }
    failed |= fclose(file) != 0;
    if (failed) {
        showError(dialog, dataWriteFailedText, appCaption);
        return 0;
    }
    releaseCaptureSamples();
    return 1;
}

int chooseDataFile(Window dialog) {
    char path[dataFilePathSize];
    if (!showOpenFileDialog(dialog, dataFileFilters, nullptr, path)) return 0;
    setControlText(dialog, IDC_DATA_PATH, path);
    return 1;
}

int showOpenFileDialog(Window owner, const char *filter, const char *initialDirectory, char *path) {
    path[0] = '\0'; // no file name proposed
    OpenFileRequest request = {};
    request.owner = owner;
    request.filter = filter;
    request.filterIndex = 1; // the CSV pair
    request.file = path;
    request.fileSize = dataFilePathSize;
    request.initialDirectory = initialDirectory ? initialDirectory : currentDirectory();
    request.title = dataFileDialogTitle;
    request.flags = OFN_FILEMUSTEXIST;
    return runOpenFileDialog(&request);
}
