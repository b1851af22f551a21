// The open-file dialog held in memory, for tests: every request is recorded
// and answered with the file the test has chosen.
#pragma once

#include <string>
#include <vector>

#include "platform/fileDialog.h"

// One request, as the dialog received it.
struct FakeFileDialogRequest {
    Window owner;
    std::vector<std::string> filter; // the filter texts in order: caption, pattern, caption, ...
    unsigned filterIndex;
    unsigned fileSize;
    std::string proposedFile; // what the file buffer held on entry
    std::string initialDirectory;
    std::string title;
    unsigned flags;
};

// Forgets every request; the dialog is cancelled until a file is chosen.
void fakeResetFileDialog();
// Makes the dialog pick path; an empty path cancels it.
void fakeChooseFile(const char *path);
// Returns the requests, oldest first.
const std::vector<FakeFileDialogRequest> &fakeFileDialogRequests();
