// fuzz/commandLineFuzzer.cpp - command lines and Quillet text through hostsim's reader and
// evaluator, with the real module loaded.
//
// Input: lines as typed at the command line; a command that asks reads its answers from the
// following lines, as in a session. LOAD and SVG are skipped (the fuzzer must not open or write
// files by name); UNLOAD is allowed, and the module is loaded again before the next input when it
// has gone, whether unloaded or stopped by hmod_abort.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

constexpr int maxLinesRun = 200;  // bounds one run; every line read is consumed either way

// The module's code carries coverage counters that libFuzzer reads after every run, so its
// mapping must outlive UNLOAD: this extra reference with RTLD_NODELETE keeps it in memory (its
// static data then also survives an unload, which the module must cope with anyway).
bool startHost() {
    hostsim::captureOutput(true);
    if (dlopen(VECTRIN_MODULE_PATH, RTLD_NOW | RTLD_NODELETE) == nullptr) {
        std::fprintf(stderr, "cannot open %s: %s\n", VECTRIN_MODULE_PATH, dlerror());
        std::abort();
    }
    return true;
}

// True for a line whose command word is LOAD or SVG, in any case and after any blanks.
bool namesFileCommand(const std::string& line) {
    std::size_t first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return false;
    std::size_t end = line.find_first_of(" \t\r\n", first);
    std::string word = hostsim::upperName(line.substr(first, end - first));
    return word == "LOAD" || word == "SVG";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = startHost();
    (void)started;
    if (!hostsim::moduleLoaded() && !hostsim::loadModule(VECTRIN_MODULE_PATH)) {
        std::fprintf(stderr, "cannot load %s:\n%s", VECTRIN_MODULE_PATH,
                     hostsim::takeOutput().c_str());
        std::abort();
    }
    hostsim::resetHostState();
    hostsim::clearQueuedAnswers();
    hostsim::useInputText(std::string(reinterpret_cast<const char*>(data), size));
    std::string line;
    for (int n = 0;
         n < maxLinesRun && hostsim::readInputLine("Command: ", line, hostsim::LineKind::Command);
         n++) {
        if (namesFileCommand(line)) continue;
        if (hostsim::runCommandLine(line) == hostsim::LineOutcome::Quit) break;
    }
    hostsim::takeOutput();
    if (hostsim::outstandingLists() != 0 || hostsim::outstandingTexts() != 0) {
        std::fprintf(stderr, "a host list or text was not released\n");
        std::abort();
    }
    return 0;
}
