// Test support: see runProgram.h.
#include "tests/tools/runProgram.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs in the child: redirects, limits and executes command.  Never returns.
[[noreturn]] void execChild(const std::vector<std::string> &command, const std::string &outPath,
                            const std::string &errPath, long fileSizeLimit) {
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    if (fileSizeLimit > 0) {
        signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        struct rlimit limit = {(rlim_t)fileSizeLimit, (rlim_t)fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char *> argv;
    for (const std::string &a : command)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

} // namespace

ProgramRun runProgram(const std::vector<std::string> &command, const std::string &outPath, long fileSizeLimit) {
    std::string folder = makeTempFolder();
    std::string out = outPath.empty() ? folder + "/out" : outPath, err = folder + "/err";
    ProgramRun run{-1, "", ""};
    pid_t pid = fork();
    if (pid == 0) execChild(command, out, err, fileSizeLimit);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (outPath.empty()) {
        run.out = readFileText(out);
        std::remove(out.c_str()); // the caller's own file stays
    }
    run.err = readFileText(err);
    std::remove(err.c_str());
    rmdir(folder.c_str());
    return run;
}

pid_t startProgram(const std::vector<std::string> &command, const std::string &outPath) {
    pid_t pid = fork();
    if (pid == 0) execChild(command, outPath, "/dev/null", 0);
    return pid;
}

std::string readFileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string makeTempFolder() {
    char name[] = "/tmp/tonalix-test.XXXXXX";
    return mkdtemp(name) ? name : "/tmp";
}

std::vector<std::string> folderEntries(const std::string &folder) {
    std::vector<std::string> names;
    if (DIR *dir = opendir(folder.c_str())) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}
