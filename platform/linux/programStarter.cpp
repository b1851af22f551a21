// Starting a program as a process of its own (POSIX).
//
// The program is started through two forks: the intermediate child starts
// the program and exits at once, so the program is adopted by init and
// never lingers as a zombie of ours (the window's toolkit may reap children
// of its own, and a SIGCHLD disposition is process-wide, so we leave it
// alone).  A close-on-exec pipe tells whether the exec succeeded: it reaches
// end of file when the exec closes it, and carries errno when the exec
// failed.  Only async-signal-safe calls are made between fork and exec,
// since the window and the audio device run threads of their own.
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ui/desktop.h"

namespace {

// Marks every descriptor above stderr close-on-exec, so the program
// inherits none of ours (the pipe is already close-on-exec).
void closeInheritedDescriptors() {
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */) == 0)
        return;
#endif
    long limit = sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < limit && fd < 65536; fd++)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

int startProgram(const char *const *argv, unsigned waitMs) {
    if (!argv || !argv[0])
        return 0;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return 0;
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return 0;
    }
    if (child == 0) {
        setsid();                       // the program outlives us and our terminal
        pid_t program = fork();
        if (program == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            closeInheritedDescriptors();
            execvp(argv[0], (char *const *)argv);
            int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        _exit(program < 0 ? 1 : 0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        close(report[0]);
        return 0;                       // the second fork failed
    }
    // End of file: the exec succeeded.  An errno: it failed.  Nothing within
    // waitMs: the program is still being loaded; it has been started all the
    // same.
    struct pollfd wait = {report[0], POLLIN, 0};
    int ready;
    while ((ready = poll(&wait, 1, (int)waitMs)) < 0 && errno == EINTR) {
    }
    int started = 1;
    if (ready > 0) {
        int error = 0;
        ssize_t got;
        while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        started = got == 0;
    }
    close(report[0]);
    return started;
}
