// Where tonalix-render writes its samples: see output.h.
//
// A file is written under a temporary name in the same folder, flushed to
// the disk, given the permission bits of the file it replaces, and renamed
// when it is complete, the rename flushed in turn: so a failed or
// interrupted render never leaves a partial file, nor replaces an existing
// one, and a finished one survives a power cut.  The rename must never land on
// something that is not a plain file: renaming over /dev/null or a named pipe
// would replace the device or the pipe itself (and as root it succeeds), and
// renaming over a link would replace the link.  So a device or a pipe is
// written in place, and a link is followed to the file it names.
#include "tools/render/common/output.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

#include "tools/render/cli/printable.h"

namespace {

char pendingFile[4096]; // the temporary file to remove on a signal

// The signals that end the process while a file is being written.
const int terminatingSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
    SIGPIPE,
#endif
};

// What separates the folders of a path.
#ifdef _WIN32
const char pathSeparators[] = "/\\:";
#else
const char pathSeparators[] = "/";
#endif

// Removes the unfinished file and ends the process with the signal's status.
void onTerminatingSignal(int signalNumber) {
    if (pendingFile[0]) removeFile(pendingFile);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

// Writes "tonalix-render: what: the reason of errno" to standard error.
void reportErrno(const std::string &what) {
    int error = errno;
    std::fprintf(stderr, "tonalix-render: %s: %s\n", printableText(what, 240).c_str(), std::strerror(error));
}

} // namespace

int openOutput(RenderOutput *output, const std::string &path) {
    *output = RenderOutput{nullptr, std::string(), std::string(), std::string(), 0};
    if (path.empty() || path == "-") {
        useBinaryMode(stdout); // raw samples, never line ends
        output->file = stdout;
        return 1;
    }
    output->path = path;
    output->target = path;
    switch (pathKind(path.c_str())) {
    case PathFolder:
        std::fprintf(stderr, "tonalix-render: %s: the output names a folder, not a file\n",
                     printableText(path).c_str());
        return 0;
    case PathSpecial:
        // A device or a pipe is written in place.
        output->special = 1;
        output->file = openFile(path.c_str(), "wb");
        if (!output->file) {
            reportErrno("cannot write " + path);
            return 0;
        }
        break;
    case PathFile:
        // A link to a plain file is followed, so that the link stays and the
        // file it names is replaced; one that cannot be followed is written
        // in place.
        if (!linkTarget(path.c_str(), &output->target)) {
            output->target = path;
            output->file = openFile(path.c_str(), "wb");
            if (!output->file) {
                reportErrno("cannot write " + path);
                return 0;
            }
        }
        break;
    case PathMissing:
        break;
    }
    if (!output->file) {
        size_t slash = output->target.find_last_of(pathSeparators);
        std::string folder = slash == std::string::npos ? "" : output->target.substr(0, slash + 1);
        std::string name = slash == std::string::npos ? output->target : output->target.substr(slash + 1);
        if (name.empty()) {
            std::fprintf(stderr, "tonalix-render: %s: the output names a folder, not a file\n",
                         printableText(path).c_str());
            return 0;
        }
        const std::string prefix = folder + "." + name + ".";
        if (prefix.size() + 8 >= sizeof pendingFile) {
            std::fprintf(stderr, "tonalix-render: %s: the name is too long\n", printableText(path).c_str());
            return 0;
        }
        for (int s : terminatingSignals)
            signal(s, onTerminatingSignal);
        output->file = createUniqueFile(prefix, &output->temporary);
        if (!output->file) {
            reportErrno("cannot write " + path);
            output->temporary.clear();
            return 0;
        }
        std::strcpy(pendingFile, output->temporary.c_str());
    }
    return 1;
}

int writeOutput(RenderOutput *output, const void *data, size_t size) {
    if (std::fwrite(data, 1, size, output->file) == size) return 1;
    reportErrno("cannot write " + (output->path.empty() ? std::string("standard output") : output->path));
    abandonOutput(output);
    return 0;
}

int finishOutput(RenderOutput *output) {
    std::string name = output->path.empty() ? std::string("standard output") : output->path;
    if (output->path.empty()) {
        if (std::fflush(stdout) != 0) {
            reportErrno("cannot write " + name);
            return 0;
        }
        return 1;
    }
    FILE *file = output->file;
    output->file = nullptr;
    // The data reaches the disk before the rename, and the rename reaches it
    // after (replaceFile): a rename alone makes the file appear whole or not
    // at all while the machine runs, but after a power cut a file system that
    // allocates late can show the new name over an empty or a short file.
    const int renamed = !output->temporary.empty();
    if (std::fflush(file) != 0 || (!output->special && !flushToDisk(file)) ||
        (renamed && !keepPermissions(file, output->target.c_str()))) {
        reportErrno("cannot write " + name);
        std::fclose(file);
        abandonOutput(output);
        return 0;
    }
    if (std::fclose(file) != 0) {
        reportErrno("cannot write " + name);
        abandonOutput(output);
        return 0;
    }
    if (!renamed) return 1; // written in place: nothing to rename
    if (!replaceFile(output->temporary.c_str(), output->target.c_str())) {
        reportErrno("cannot write " + name);
        abandonOutput(output);
        return 0;
    }
    pendingFile[0] = '\0';
    return 1;
}

void abandonOutput(RenderOutput *output) {
    if (output->path.empty()) return; // standard output cannot be taken back
    if (output->file) {
        std::fclose(output->file);
        output->file = nullptr;
    }
    if (!output->temporary.empty()) removeFile(output->temporary.c_str());
    pendingFile[0] = '\0';
}
