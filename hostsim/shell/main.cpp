// hostsim/shell/main.cpp - the hostsim program: options, the module, and the command lines to run.
#include "hostsim/shell/shell.h"

#include <readline/history.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

enum ExitStatus { exitValues = 0, exitNil = 1, exitUsage = 2, exitOutputFailed = 2 };

const char usageText[] =
    "usage: hostsim [--module PATH] [--language LANG] [--drawing FILE.dxf] [--precision N]\n"
    "               [-c LINE]... [-e EXPR]... [SCRIPT]\n"
    "\n"
    "Loads the module and runs command lines: each -c LINE and -e EXPR in order, then the lines\n"
    "of SCRIPT; without any of them, the lines of standard input. Answers to prompts come from\n"
    "standard input.\n"
    "\n"
    "  --module PATH    the module file to load (default: vectrin.so beside hostsim)\n"
    "  --language LANG  the module's language when no --module is given: vectrin.LANG.so beside\n"
    "                   hostsim (default: from LC_ALL, LC_MESSAGES or LANG; English vectrin.so)\n"
    "  --drawing FILE   the ASCII DXF drawing to open (default: a small demo drawing)\n"
    "  --precision N    significant digits of a printed real, 1 to 17 (default 15)\n"
    "  -c LINE          runs LINE as if typed at the command line\n"
    "  -e EXPR          evaluates EXPR with the calculator: -c '(cal \"EXPR\")'\n"
    "  --help           shows this text\n"
    "\n"
    "A command line is a Quillet expression when it starts with '(', a symbol's value when it\n"
    "starts with '!', otherwise a command: one the module defined (CAL) or UCS, LOAD PATH,\n"
    "UNLOAD, REDEFINE (the module defines its names again), FUNCTIONS (lists them), LIST\n"
    "(prints the records of a picked object), LISTS (record lists not given back) or QUIT.\n"
    "\n"
    "Exit status: 0 when every -e gave a value, 1 when one gave nil, 2 for a usage error, a\n"
    "drawing that cannot be read, a module that cannot be loaded or standard output that\n"
    "cannot be written.\n";

struct Options {
    std::string modulePath;
    std::string language;  // --language; empty: the environment's
    std::string drawingPath;
    std::string scriptPath;
    int precision = 15;
    struct Line {
        std::string text;
        bool expression;  // from -e: its value decides the exit status
    };
    std::vector<Line> lines;
};

int usageError(const std::string& problem) {
    std::fprintf(stderr, "hostsim: %s\nTry 'hostsim --help'.\n", problem.c_str());
    return exitUsage;
}

// -e EXPR as a Quillet call: the text goes in double quotes, its quotes and backslashes escaped.
std::string calculatorCall(const std::string& expression) {
    std::string call = "(cal \"";
    for (char c : expression) {
        if (c == '"' || c == '\\') call += '\\';
        call += c;
    }
    return call + "\")";
}

bool parsePrecision(const char* text, int& precision) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 17) return false;
    precision = static_cast<int>(value);
    return true;
}

// Returns -1 when the options are good, else the exit status to end with.
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool takesValue = arg == "--module" || arg == "--language" || arg == "--drawing" ||
                          arg == "--precision" || arg == "-c" || arg == "-e";
        if (takesValue && i + 1 >= argc) return usageError(arg + " needs a value");
        if (arg == "--help") {
            hostsim::printText(usageText);
            return exitValues;
        } else if (arg == "--module") {
            options.modulePath = argv[++i];
        } else if (arg == "--language") {
            options.language = argv[++i];
            if (!hostsim::isLanguageName(options.language))
                return usageError("--language needs a language code such as de");
        } else if (arg == "--drawing") {
            options.drawingPath = argv[++i];
        } else if (arg == "--precision") {
            if (!parsePrecision(argv[++i], options.precision))
                return usageError("--precision needs a number from 1 to 17");
        } else if (arg == "-c") {
            options.lines.push_back({argv[++i], false});
        } else if (arg == "-e") {
            options.lines.push_back({calculatorCall(argv[++i]), true});
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else if (options.scriptPath.empty()) {
            options.scriptPath = arg;
        } else {
            return usageError("only one SCRIPT may be given");
        }
    }
    return -1;
}

// The module of the language in the folder of the running executable: vectrin.so, or for
// German vectrin.de.so. A locale's language without a module of its own falls back to English;
// a language asked for by name does not.
std::string defaultModulePath(const std::string& language) {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, static_cast<size_t>(std::max<ssize_t>(length, 0)));
    std::string folder = length > 0 ? path.substr(0, path.rfind('/') + 1) : "";
    std::string chosen = language.empty() ? hostsim::environmentLanguage() : language;
    std::string file = folder + hostsim::moduleFileName(chosen);
    if (language.empty() && access(file.c_str(), F_OK) != 0) return folder + "vectrin.so";
    return file;
}

// The -c and -e lines; false when one of them quits. nilSeen: an -e gave nil.
bool runGivenLines(const Options& options, bool& nilSeen) {
    for (const Options::Line& line : options.lines) {
        hostsim::LineOutcome outcome = hostsim::runTypedLine(line.text);
        if (outcome == hostsim::LineOutcome::Quit) return false;
        if (line.expression && outcome != hostsim::LineOutcome::Value) nilSeen = true;
    }
    return true;
}

bool runScript(const std::string& path) {
    std::ifstream script(path);
    if (!script) {
        std::fprintf(stderr, "hostsim: cannot read the script %s\n", path.c_str());
        return false;
    }
    std::string line;
    while (std::getline(script, line))
        if (hostsim::runTypedLine(line) == hostsim::LineOutcome::Quit) break;
    return true;
}

void runStandardInput() {
    std::string line;
    while (hostsim::readInputLine("Command: ", line))
        if (hostsim::runCommandLine(line) == hostsim::LineOutcome::Quit) break;
}

int runSession(const Options& options) {
    if (!hostsim::loadModule(options.modulePath)) return exitUsage;
    bool nilSeen = false;
    int status = exitValues;
    if (options.lines.empty() && options.scriptPath.empty()) {
        runStandardInput();
    } else if (runGivenLines(options, nilSeen) && !options.scriptPath.empty() &&
               !runScript(options.scriptPath)) {
        status = exitUsage;
    }
    if (status == exitValues && nilSeen) status = exitNil;
    return status;
}

// The status to end with: a value or nil the user never saw is no success, whatever it was.
int checkedStatus(int status) {
    int failure = hostsim::outputFailure();
    if (failure == 0) return status;
    std::fprintf(stderr, "hostsim: standard output: %s\n", std::strerror(failure));
    return exitOutputFailed;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int parsed = parseOptions(argc, argv, options);
    if (parsed >= 0) return checkedStatus(parsed);
    hostsim::resetHostState();
    if (options.drawingPath.empty()) {
        hostsim::openDemoDrawing();
    } else if (std::string error; !hostsim::openDrawingFile(options.drawingPath, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitUsage;
    }
    for (const std::string& notice : hostsim::drawingNotices()) {
        std::fprintf(stderr, "hostsim: %s\n", notice.c_str());
    }
    if (options.modulePath.empty()) options.modulePath = defaultModulePath(options.language);
    hostsim::setPrintPrecision(options.precision);
    int status = runSession(options);
    hostsim::unloadModule();
    hostsim::resetHostState();
    clear_history();
    return checkedStatus(status);
}
