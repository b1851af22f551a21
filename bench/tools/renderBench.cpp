// Whole-process figures of tonalix-render, side by side in one run:
//
//   renderBench render   60 s of the default formula to a WAV file, against
//                        SoX writing a 440 Hz sine of the same format and a
//                        native C++ loop writing the same file; each runs
//                        several times, interleaved, and the median counts.
//   renderBench play     tonalix-render --play of the default formula for
//                        10 s: CPU time (user + system) over wall time.
//                        Needs a sound device (bench/tools/run.sh
//                        starts a private server).
//   renderBench workbench  60 s of the default formula measured (--analyze),
//                        drawn (--plot) and resampled (--rate 48000), against
//                        the plain render of the same 60 s to a WAV file;
//                        interleaved, the median of several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char *defaultFormula = "sin(440*6.2831853071795865*t)";

struct Timing {
    double wall, cpu; // seconds
    int exitCode;
};

// Runs command with its output thrown away; returns wall and CPU time.
Timing timeCommand(const std::vector<std::string> &command) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        std::vector<char *> argv;
        for (const std::string &a : command)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec * 1e-6 + (double)usage.ru_stime.tv_sec +
                 (double)usage.ru_stime.tv_usec * 1e-6;
    return {wall, cpu, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int benchRender(const std::string &render, const std::string &loop) {
    std::string folder = "/tmp/tonalix-bench." + std::to_string(getpid());
    std::string mkdir = "mkdir -p " + folder;
    if (std::system(mkdir.c_str()) != 0) return 1;
    struct Contender {
        const char *name;
        std::vector<std::string> command;
        std::vector<double> wall, cpu;
    } contenders[] = {
        {"tonalix-render", {render, "--seconds", "60", "-o", folder + "/render.wav", defaultFormula}, {}, {}},
        {"sox",
         {"sox", "-r", "132300", "-n", "-b", "16", "-c", "1", "-D", folder + "/sox.wav", "synth", "60", "sine", "440"},
         {},
         {}},
        {"native loop", {loop, "60", folder + "/loop.wav"}, {}, {}},
    };
    const int rounds = 5;
    for (int round = 0; round < rounds; round++)
        for (Contender &c : contenders) {
            Timing t = timeCommand(c.command);
            if (t.exitCode != 0) {
                std::fprintf(stderr, "renderBench: %s failed (exit %d)\n", c.name, t.exitCode);
                return 1;
            }
            c.wall.push_back(t.wall);
            c.cpu.push_back(t.cpu);
        }
    double sox = median(contenders[1].wall), loopTime = median(contenders[2].wall);
    std::printf("60 s of the default formula to a WAV file, median of %d runs (whole process):\n", rounds);
    std::printf("  %-16s %9s %9s %9s %12s\n", "", "wall s", "cpu s", "/ sox", "/ native");
    for (Contender &c : contenders) {
        double wall = median(c.wall);
        std::printf("  %-16s %9.3f %9.3f %9.2f %12.2f\n", c.name, wall, median(c.cpu), wall / sox, wall / loopTime);
    }
    std::printf("  targets: tonalix-render / sox < 1, tonalix-render / native <= 1.3\n");
    std::string clean = "rm -rf " + folder;
    return std::system(clean.c_str()) == 0 ? 0 : 1;
}

int benchPlay(const std::string &render) {
    Timing t = timeCommand({render, "--play", "--seconds", "10", defaultFormula});
    if (t.exitCode != 0) {
        std::fprintf(stderr, "renderBench: tonalix-render --play failed (exit %d)\n", t.exitCode);
        return 1;
    }
    std::printf("tonalix-render --play --seconds 10: wall %.2f s, cpu %.3f s, %.2f%% of one core (target < 1%%)\n",
                t.wall, t.cpu, 100 * t.cpu / t.wall);
    return 0;
}

int benchWorkbench(const std::string &render) {
    std::string folder = "/tmp/tonalix-bench." + std::to_string(getpid());
    std::string mkdir = "mkdir -p " + folder;
    if (std::system(mkdir.c_str()) != 0) return 1;
    const std::vector<std::string> span = {"--seconds", "60"};
    struct Contender {
        const char *name;
        std::vector<std::string> options;
        double limit;      // the most it may take: a multiple of the plain render's time, or seconds
        int againstRender; // 1: limit is a multiple of the plain render
        std::vector<double> wall;
    } contenders[] = {
        {"plain render", {"-o", folder + "/plain.wav"}, 0, 0, {}},
        {"--analyze", {"--analyze"}, 3, 1, {}},
        {"--plot", {"--plot", folder + "/plot.png"}, 1.5, 0, {}},
        {"--rate 48000", {"--rate", "48000", "-o", folder + "/rate.wav"}, 2, 1, {}},
    };
    const int rounds = 7;
    for (int round = 0; round < rounds; round++)
        for (Contender &c : contenders) {
            std::vector<std::string> command = {render};
            command.insert(command.end(), span.begin(), span.end());
            command.insert(command.end(), c.options.begin(), c.options.end());
            command.push_back(defaultFormula);
            Timing t = timeCommand(command);
            if (t.exitCode != 0) {
                std::fprintf(stderr, "renderBench: tonalix-render %s failed (exit %d)\n", c.name, t.exitCode);
                return 1;
            }
            c.wall.push_back(t.wall);
        }
    double plain = median(contenders[0].wall);
    std::printf("60 s of the default formula, median of %d runs (whole process):\n", rounds);
    std::printf("  %-14s %9s %14s %22s\n", "", "wall s", "/ plain render", "target");
    int met = 1;
    for (Contender &c : contenders) {
        double wall = median(c.wall);
        char target[64] = "";
        if (c.limit > 0 && c.againstRender)
            std::snprintf(target, sizeof target, "<= %.1f x plain render", c.limit);
        else if (c.limit > 0)
            std::snprintf(target, sizeof target, "< %.1f s", c.limit);
        int ok = c.limit <= 0 || (c.againstRender ? wall <= c.limit * plain : wall < c.limit);
        met &= ok;
        std::printf("  %-14s %9.3f %14.2f %22s%s\n", c.name, wall, wall / plain, target, ok ? "" : "  MISSED");
    }
    std::string clean = "rm -rf " + folder;
    return std::system(clean.c_str()) == 0 && met ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2 ||
        (std::strcmp(argv[1], "render") && std::strcmp(argv[1], "play") && std::strcmp(argv[1], "workbench"))) {
        std::fprintf(stderr, "usage: renderBench render|play|workbench\n");
        return 2;
    }
    if (!std::strcmp(argv[1], "render")) return benchRender(RENDER_PATH, NATIVE_LOOP_PATH);
    if (!std::strcmp(argv[1], "workbench")) return benchWorkbench(RENDER_PATH);
    return benchPlay(RENDER_PATH);
}
