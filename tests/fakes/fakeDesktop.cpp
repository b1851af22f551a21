// The recording fake of the desktop services.
#include "tests/fakes/fakeDesktop.h"

#include <algorithm>
#include <cstring>

FakeDesktop fakeDesktop;

void resetFakeDesktop() {
    fakeDesktop = FakeDesktop();
}

int openDocument(Window owner, const char *target, int showState) {
    fakeDesktop.documents.push_back({owner, target, showState});
    return fakeDesktop.documentResult;
}

int startProgram(const char *const *argv, unsigned waitMs) {
    std::vector<std::string> args;
    for (int i = 0; argv[i]; i++)
        args.push_back(argv[i]);
    fakeDesktop.programs.push_back(args);
    fakeDesktop.programWaits.push_back(waitMs);
    const auto &startable = fakeDesktop.startablePrograms;
    return std::find(startable.begin(), startable.end(), args[0]) != startable.end();
}

int runOpenFileDialog(const OpenFileRequest *request) {
    FakeFileDialog record;
    record.owner = request->owner;
    for (const char *p = request->filter; *p; p += strlen(p) + 1)
        record.filter.push_back(p);
    record.filterIndex = request->filterIndex;
    record.fileSize = request->fileSize;
    record.proposedFile = request->file;
    record.initialDirectory = request->initialDirectory ? request->initialDirectory : "";
    record.title = request->title;
    record.flags = request->flags;
    fakeDesktop.fileDialogs.push_back(record);
    if (fakeDesktop.chosenFile.empty() || fakeDesktop.chosenFile.size() >= request->fileSize)
        return 0;
    strcpy(request->file, fakeDesktop.chosenFile.c_str());
    return 1;
}
