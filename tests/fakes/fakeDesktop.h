// The recording fake of the desktop services (ui/desktop.h): documents
// opened, programs started and open-file dialogs run are recorded instead of
// reaching the desktop, and their outcomes are scripted by the test.
#pragma once

#include <string>
#include <vector>

#include "ui/desktop.h"

struct FakeDocument {
    Window owner;
    std::string target;
    int showState;
};

struct FakeFileDialog {
    Window owner;
    std::vector<std::string> filter;    // the filter texts, in order (caption, pattern, ...)
    unsigned filterIndex;
    unsigned fileSize;
    std::string proposedFile;           // what the file buffer held on entry
    std::string initialDirectory;
    std::string title;
    unsigned flags;
};

struct FakeDesktop {
    std::vector<FakeDocument> documents;        // every openDocument, in order
    std::vector<std::vector<std::string>> programs; // every startProgram argument list, in order
    std::vector<unsigned> programWaits;         // the waitMs of each startProgram
    std::vector<FakeFileDialog> fileDialogs;    // every runOpenFileDialog

    int documentResult = 1;                     // what openDocument returns
    std::vector<std::string> startablePrograms; // argv[0] values that start
    std::string chosenFile;                     // what the dialog picks; empty: cancelled
};

extern FakeDesktop fakeDesktop;

// Forgets every record and restores the default outcomes.
void resetFakeDesktop();
