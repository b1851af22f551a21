// Waveform data files: the dormant option of the main window that records
// the first N generated samples into a text file at the stop, or checks and
// loads a file of N samples before playback starts.
//
// The file: plain text, one value per line, each the "%d" form of a signed
// 16-bit integer, every line ended by a line end.  Lines are written ending
// in CR LF; on reading, CR LF and LF alone both end a line.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/window.h"

const int32_t minDataCount = 100;       // smallest data count accepted
const int32_t maxDataCount = 100000000; // largest: 200 million bytes of samples
const int dataFilePathSize = 256;       // bytes of dataFilePath: 255 characters and the NUL

// The two entries of the direction list.
const char *const readDirectionText = "読み込む";  // load the file before playback
const char *const writeDirectionText = "書き込む"; // record the first samples into it

// The file named by edit 1048 at the last start; named again at the stop.
extern char dataFilePath[dataFilePathSize];

// Checks the data-file controls of dialog (count, path, direction), then
// either reads the file into the capture array or empties the file and
// prepares recording.  Sets count, mode and samples of the capture record.
// A path too long for dataFilePath, or a folder to read, counts as a file
// that cannot be opened.  Returns 1 when the option is ready, else 0 after
// its message.
int checkDataFileOption(Window dialog);

// Counts the line feeds of file (CR LF counting once), and when there are
// exactly count of them, reads the count values into a fresh capture array.
// Returns 1 when count values were loaded, else 0 after its message (the
// array is then released).  Does not close file.
int readDataFile(Window dialog, FILE *file, int32_t count);

// At the stop with CaptureRecord: rewrites dataFilePath with the captured
// samples, one "%d" line each ending in CR LF (none when the stop came during
// the countdown), then releases the array.  Returns 1 when the file was
// written in full and closed; 0 when it could not be opened (no message) or
// a write or the close failed (after an error box owned by dialog): the
// array is then kept, so that the next press can try again.
int writeDataFile(Window dialog);

// Releases the capture array, if any; safe to call again.
void releaseCaptureSamples();

// The main dialog's command 1052: lets the user pick an existing file and
// puts its path into edit 1048.  Returns 1 when a file was chosen, else 0.
int chooseDataFile(Window dialog);

// Runs the open-file dialog over owner with filter (NUL-separated pairs
// ended by a further NUL), starting in initialDirectory (null: the current
// folder).  path receives the chosen file (dataFilePathSize bytes).  Returns
// 1 when a file was chosen, else 0.
int showOpenFileDialog(Window owner, const char *filter, const char *initialDirectory, char *path);

// Accept exactly the "%d" forms of a 32-bit integer (parseStrictInt), and of
// those only -32768..32767 (parseStrictInt16).  Return 1 and store the value
// in out when text is accepted, else 0 with out unchanged.
int parseStrictInt(const char *text, int32_t *out);
int parseStrictInt16(const char *text, int32_t *out);
