// bench/hostStart.cpp - hostsim as a whole program: start to exit against bc, and a long script.
//
// Usage: hostStartBench HOSTSIM [RUNS]
// Times `hostsim -e 1+2` and `bc -l` reading "1+2" as whole processes, RUNS times each (200 by
// default), taking turns, and compares their medians; then a script of 10,000 (cal "...") lines,
// whole runs, per line; then hostsim opening the suite's large drawings (largeDrawings.h), with
// the memory it takes at its peak. Exit status 0 when every run gave what it must (a missed goal
// shows as MISSED), 1 when one did not.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/largeDrawings.h"

extern char** environ;

namespace {

constexpr int defaultRuns = 200;
constexpr int scriptLines = 10000;
constexpr int scriptRuns = 15;
constexpr double lineBudgetNs = 1000;  // a script line, start to exit shared out
constexpr int largeDrawingRuns = 3;
constexpr double mixedMemoryBudgetMb = 500;  // hostsim holding a million objects, at its peak

// Lines a calculator user types, taken in turn to fill the script.
const char* const scriptExpressions[] = {
    "1+2",           "2.5*4-1",  "(3+4)*5/2",  "sqrt(2)",         "sin(30)+cos(60)",
    "2^10",          "-3.5+1e3", "abs(-7.25)", "[1,2,3]+[4,5,6]", "dist([0,0,0],[3,4,0])",
    "10/3",          "atan(1)",  "exp(1)",     "round(2.5)",      "1.5e-3*2e4",
    "(1+2)*(3+4)-5",
};

struct Run {
    double wallNs = -1;  // spawn to exit
    double cpuNs = -1;   // the child's user and system time
    double peakMb = -1;  // the most memory it held at once (its maximum resident set)
    bool good = false;   // exit status 0 and the output expected
};

double nowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs argv with standard input from inputPath and standard output into outputPath (standard
// error is dropped); good when it exits with 0 and printed what check accepts.
Run runProcess(const std::vector<std::string>& args, const std::string& inputPath,
               const std::string& outputPath, bool (*check)(const std::string&)) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, inputPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t child = 0;
    double start = nowNs();
    int spawned = posix_spawnp(&child, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return run;
    run.wallNs = nowNs() - start;
    run.cpuNs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e9 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e3;
    run.peakMb = usage.ru_maxrss / 1024.0;  // kilobytes on Linux
    run.good = WIFEXITED(status) && WEXITSTATUS(status) == 0 && check(readFile(outputPath));
    return run;
}

bool isThree(const std::string& output) { return output == "3\n"; }

bool isOneLineEach(const std::string& output) {
    return std::count(output.begin(), output.end(), '\n') == scriptLines &&
           output.find("nil") == std::string::npos;
}

double median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Samples {
    std::vector<double> wall, cpu;
    double peakMb = -1;  // the largest of the runs'
    int failures = 0;
    void add(const Run& run) {
        if (!run.good) ++failures;
        if (run.wallNs < 0) return;
        wall.push_back(run.wallNs);
        cpu.push_back(run.cpuNs);
        peakMb = std::max(peakMb, run.peakMb);
    }
};

bool writeScript(const std::string& path) {
    std::ofstream script(path);
    const int kinds = sizeof scriptExpressions / sizeof scriptExpressions[0];
    for (int i = 0; i < scriptLines; ++i)
        script << "(cal \"" << scriptExpressions[(i * 7) % kinds] << "\")\n";
    return static_cast<bool>(script);
}

std::string loadAverages() {
    std::string line = readFile("/proc/loadavg");
    std::size_t thirdSpace = line.find(' ', line.find(' ', line.find(' ') + 1) + 1);
    return thirdSpace == std::string::npos ? line : line.substr(0, thirdSpace);
}

void printRow(const char* label, const Samples& samples, double divisor, const char* unit) {
    if (samples.wall.empty()) {
        std::printf("| %-38s | %12s | %12s |\n", label, "-", "-");
        return;
    }
    std::printf("| %-38s | %9.2f %s | %9.2f %s |\n", label, median(samples.wall) / divisor, unit,
                median(samples.cpu) / divisor, unit);
}

void printVerdict(const char* label, const std::string& measured, const std::string& limit,
                  bool judged, bool met) {
    std::printf("| %-38s | %12s | %12s | %-6s |\n", label, measured.c_str(), limit.c_str(),
                !judged ? "-"
                : met   ? "met"
                        : "MISSED");
}

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// hostsim opening a large drawing and leaving, largeDrawingRuns times.
Samples openLargeDrawing(const std::string& hostsim, const std::string& path,
                         const std::string& text, const std::string& output) {
    std::ofstream(path, std::ios::binary) << text;
    Samples samples;
    for (int i = 0; i < largeDrawingRuns; ++i)
        samples.add(
            runProcess({hostsim, "--drawing", path, "-e", "1+2"}, "/dev/null", output, isThree));
    std::remove(path.c_str());
    return samples;
}

void printLargeDrawingRow(const char* label, const Samples& samples) {
    if (samples.wall.empty()) {
        std::printf("| %-38s | %12s | %12s | %12s |\n", label, "-", "-", "-");
        return;
    }
    std::printf("| %-38s | %10.3f s | %10.3f s | %9.0f MB |\n", label, median(samples.wall) / 1e9,
                median(samples.cpu) / 1e9, samples.peakMb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: hostStartBench HOSTSIM [RUNS]\n");
        return 2;
    }
    const std::string hostsim = argv[1];
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : defaultRuns;
    char folderTemplate[] = "/tmp/hostStartBench.XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return 2;
    const std::string folder = folderTemplate;
    const std::string bcInput = folder + "/bc.in", output = folder + "/out",
                      script = folder + "/lines.scr";
    std::ofstream(bcInput) << "1+2\n";
    if (!writeScript(script)) return 2;
    std::printf("hostsim start to exit against bc, %d runs each taking turns; load average %s\n\n",
                runs, loadAverages().c_str());

    Samples host, bc, lines;
    for (int i = 0; i < runs; ++i) {
        Run first = runProcess({hostsim, "-e", "1+2"}, "/dev/null", output, isThree);
        Run second = runProcess({"bc", "-l"}, bcInput, output, isThree);
        host.add(first);
        if (second.wallNs >= 0) bc.add(second);  // no bc: its row stays empty
    }
    for (int i = 0; i < scriptRuns; ++i)
        lines.add(runProcess({hostsim, script}, "/dev/null", output, isOneLineEach));

    std::printf("| Whole processes, median                |   clock time |     CPU time |\n");
    std::printf("|----------------------------------------|--------------|--------------|\n");
    printRow("hostsim -e 1+2", host, 1e6, "ms");
    printRow("bc -l, 1+2 on standard input", bc, 1e6, "ms");
    printRow("10,000-line script, per line", lines, scriptLines * 1e3, "us");
    std::printf(
        "\n| Goal                                   |     measured |        limit |        |\n");
    std::printf(
        "|----------------------------------------|--------------|--------------|--------|\n");
    bool judged = !host.wall.empty() && !bc.wall.empty();
    double ratio = judged ? median(host.wall) / median(bc.wall) : -1;
    printVerdict("hostsim start to exit / bc's", judged ? formatted("%.2fx", ratio) : "-",
                 "<= 1.00x", judged, ratio <= 1.0);
    double perLine = median(lines.wall) / scriptLines;
    printVerdict("script line, whole run / 10,000", formatted("%.2f us", perLine / 1e3),
                 "<= 1.00 us", !lines.wall.empty(), perLine <= lineBudgetNs);

    Samples mixed = openLargeDrawing(hostsim, folder + "/mixed.dxf",
                                     bench::mixedDrawing(bench::mixedObjectCount), output);
    Samples rings =
        openLargeDrawing(hostsim, folder + "/rings.dxf",
                         bench::concentricCircles(bench::concentricCircleCount), output);
    std::printf(
        "\n| hostsim --drawing FILE -e 1+2, median  |   clock time |     CPU time |  peak memory "
        "|\n");
    std::printf(
        "|----------------------------------------|--------------|--------------|--------------|"
        "\n");
    printLargeDrawingRow("1,000,000 objects (64 MB)", mixed);
    printLargeDrawingRow("300,000 concentric circles (14 MB)", rings);
    std::printf(
        "\n| Goal                                   |     measured |        limit |        |\n");
    std::printf(
        "|----------------------------------------|--------------|--------------|--------|\n");
    printVerdict("memory for 1,000,000 objects, at peak", formatted("%.0f MB", mixed.peakMb),
                 "< 500 MB", mixed.peakMb > 0, mixed.peakMb < mixedMemoryBudgetMb);
    std::printf("\n(load average %s at the end)\n", loadAverages().c_str());

    std::remove(bcInput.c_str());
    std::remove(output.c_str());
    std::remove(script.c_str());
    rmdir(folder.c_str());
    int failures = host.failures + bc.failures + lines.failures + mixed.failures + rings.failures;
    if (failures > 0) std::fprintf(stderr, "hostStartBench: %d runs failed\n", failures);
    return failures > 0 ? 1 : 0;
}
