// The open-file dialog held in memory, for tests.
#include "tests/fakes/fakeFileDialog.h"

#include <cstring>

namespace {

std::vector<FakeFileDialogRequest> requests;
std::string chosenFile; // empty: the user cancels

} // namespace

void fakeResetFileDialog() {
    requests.clear();
    chosenFile.clear();
}

void fakeChooseFile(const char *path) { chosenFile = path; }

const std::vector<FakeFileDialogRequest> &fakeFileDialogRequests() { return requests; }

int runOpenFileDialog(const OpenFileRequest *request) {
    FakeFileDialogRequest record;
    record.owner = request->owner;
    for (const char *p = request->filter; *p; p += strlen(p) + 1)
        record.filter.push_back(p);
    record.filterIndex = request->filterIndex;
    record.fileSize = request->fileSize;
    record.proposedFile = request->file;
    record.initialDirectory = request->initialDirectory ? request->initialDirectory : "";
    record.title = request->title ? request->title : "";
    record.flags = request->flags;
    requests.push_back(record);
    // Like the desktop's dialog, a path that does not fit the buffer is a failure.
    if (chosenFile.empty() || chosenFile.size() >= request->fileSize) return 0;
    memcpy(request->file, chosenFile.c_str(), chosenFile.size() + 1);
    return 1;
}
