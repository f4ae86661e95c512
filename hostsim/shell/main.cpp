// hostsim/shell/main.cpp - the hostsim program: options, the module, and the command lines to run.
#include "hostsim/shell/shell.h"

#include <dlfcn.h>
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "hostsim/help/help.h"
#include "hostsim/serve/serve.h"

namespace {

enum ExitStatus { exitValues = 0, exitNil = 1, exitUsage = 2, exitOutputFailed = 2 };

// tools/manualPage makes the manual page of --help's text: it reads the usage paragraph, the
// option lines ("  -x  text", going on indented) and the paragraphs "Exit status: " and "Files: ".
// The paragraph on command lines, between the two parts, names the host's commands from their
// table.
constexpr std::size_t usageWidth = 92;
const char usageHead[] =
    "usage: hostsim [--module PATH] [--language LANG] [--drawing FILE.dxf] [--precision N|.N]\n"
    "               [-c LINE]... [-e EXPR]... [SCRIPT]\n"
    "       hostsim --serve[=[HOST:]PORT] [--module PATH] [--drawing FILE.dxf] ...\n"
    "       hostsim --help | --version\n"
    "\n"
    "Loads the module and runs command lines: each -c LINE and -e EXPR in order, then the lines\n"
    "of SCRIPT; without any of them, the lines of standard input. Answers to the prompts of -c\n"
    "and -e come from standard input; in SCRIPT, the lines after a command answer its prompts,\n"
    "and a line starting with ';' is a comment.\n"
    "\n"
    "  --module PATH    the module file to load (default: vectrin.so beside hostsim, else the\n"
    "                   one installed with it)\n"
    "  --language LANG  the module's language when no --module is given: vectrin.LANG.so beside\n"
    "                   hostsim (default: from LC_ALL, LC_MESSAGES or LANG; English vectrin.so)\n"
    "  --drawing FILE   the ASCII DXF drawing to open (default: a small demo drawing)\n"
    "  --precision N    significant digits of a printed real, 1 to 17 (default 15); .N: N\n"
    "                   decimal places, 1 to 17 (--precision .4 prints 12.5 as 12.5000)\n"
    "  -c LINE          runs LINE as if typed at the command line\n"
    "  -e EXPR          evaluates EXPR with the calculator: -c '(cal \"EXPR\")'\n"
    "  --serve[=[HOST:]PORT]  serves the session to a browser page and prints the URL to open\n"
    "                   (default 127.0.0.1 and a free port); the terminal's lines go to it too\n"
    "  -h, --help       shows this text\n"
    "  --version        shows the version\n"
    "  --print-reference  prints the function reference (docs/functions.md) and ends\n"
    "\n"
    "A long option's value may follow it as the next argument or after '=' (--precision=6);\n"
    "a long option may be shortened while it stays unambiguous (--prec 6).\n"
    "\n";
const char usageTail[] =
    "Lines from a terminal (with --serve too) are edited with history and Tab completion.\n"
    "Ctrl-C cancels the prompt or the pick in progress, never the session, whatever the input;\n"
    "Ctrl-D at an empty Command: ends it. In a batch (-c, -e, SCRIPT), Ctrl-C outside its\n"
    "prompts and picks stops it.\n"
    "\n"
    "When standard output is not a terminal it carries only the results, a line each (the value\n"
    "of each -e, nil for a failure); prompts, answers and messages go to standard error.\n"
    "\n"
    "Numbers: a real prints at --precision; a point's components at the precision of its\n"
    "largest, so rounding noise beside it prints as 0. Coordinates the host shows, a click's\n"
    "echo and the served page's cursor, are at the drawing's decimal places ($LUPREC, 4 when\n"
    "absent). Values stay exact inside, and where they are copied or handed on.\n"
    "\n"
    "Languages: the module's texts (its prompts and errors) are in its language; hostsim's own\n"
    "texts (its notices, HELP, and errors starting 'hostsim:') are English in every language.\n"
    "\n"
    "Exit status: 0 when every -e gave a value, 1 when one gave nil, 2 for a usage error, a\n"
    "drawing that cannot be read, a module that cannot be loaded or standard output that\n"
    "cannot be written.\n"
    "\n"
    "Drawings: one may take at most 4 GiB of memory, the geometry its block references expand\n"
    "to included (HOSTSIM_MAX_DRAWING_BYTES sets another limit); the references expand to at\n"
    "most 1,000,000 pieces. Copies of a block within a quarter pixel of each other are picked,\n"
    "snapped to and drawn as one, so what a pick or the view costs follows what can be seen.\n"
    "\n"
    "Files: the command lines typed at a terminal are kept in $XDG_STATE_HOME/vectrin/history\n"
    "(else ~/.local/state/vectrin/history), the last 1000.\n";

// What --help, --version and --print-reference print instead of running a session.
enum class Report { None, Help, Version, Reference };

struct Options {
    Report report = Report::None;  // the first of them given
    std::string modulePath;
    std::string language;  // --language; empty: the environment's
    std::string drawingPath;
    std::string scriptPath;
    hostsim::PrintPrecision precision;
    struct Line {
        std::string text;
        bool expression;  // from -e: its value decides the exit status
    };
    std::vector<Line> lines;
    bool serve = false;     // --serve: the session is served to a browser page
    std::string serveText;  // --serve=[HOST:]PORT as given
    hostsim::ServeAddress serveAddress;
    const hostsim::ServeEntryPoints* served = nullptr;  // the serve part, once loaded
};

int usageError(const std::string& problem) {
    std::fprintf(stderr, "hostsim: %s\nTry 'hostsim --help'.\n", problem.c_str());
    return exitUsage;
}

// The long options; a new option is one row here and one case in applyOption. Those without a
// short form take a code past the characters.
enum OptionCode {
    optionVersion = 256,
    optionModule,
    optionDrawing,
    optionPrecision,
    optionPrintReference,
    optionLanguage,
    optionServe
};
const char shortOptions[] = ":hc:e:";  // ':' first: a missing value is reported here, not by getopt
const struct option longOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, optionVersion},
    {"module", required_argument, nullptr, optionModule},
    {"drawing", required_argument, nullptr, optionDrawing},
    {"precision", required_argument, nullptr, optionPrecision},
    {"print-reference", no_argument, nullptr, optionPrintReference},
    {"language", required_argument, nullptr, optionLanguage},
    {"serve", optional_argument, nullptr, optionServe},
    {nullptr, 0, nullptr, 0},
};

// The option a failure is about: "-x", or a long option by its full name ("--prec" is
// "--precision"), or as written when it is none of ours. getopt_long has always stepped past a
// long option, so its element is the one before optind.
std::string optionName(char** argv) {
    std::string written = argv[optind - 1];
    std::string name = written.substr(0, written.find('='));
    if (name.rfind("--", 0) == 0)
        for (const struct option& option : longOptions)
            if (option.name != nullptr && option.val == optopt &&
                std::strncmp(option.name, name.c_str() + 2, name.size() - 2) == 0)
                return std::string("--") + option.name;
    if (optopt == 0 || optopt >= optionVersion) return name;
    return std::string("-") + static_cast<char>(optopt);
}

// The long options a shortened one could stand for: "--p" is --precision or --print-reference.
std::string ambiguousCandidates(const std::string& name) {
    std::string candidates;
    int count = 0;
    for (const struct option& option : longOptions) {
        if (option.name == nullptr || name.size() <= 2 ||
            std::strncmp(option.name, name.c_str() + 2, name.size() - 2) != 0)
            continue;
        candidates += (count++ == 0 ? "--" : " or --") + std::string(option.name);
    }
    return count > 1 ? candidates : "";
}

std::string optionProblem(int code, char** argv) {
    std::string name = optionName(argv);
    if (code == ':') return name + " needs a value";
    std::string candidates = name.rfind("--", 0) == 0 ? ambiguousCandidates(name) : "";
    if (!candidates.empty()) return "ambiguous option " + name + ": " + candidates;
    bool valueGiven = name.size() > 2 && std::strchr(argv[optind - 1], '=') != nullptr;
    return valueGiven && optopt != 0 ? name + " takes no value" : "unknown option " + name;
}

// One option getopt_long has read, its value in optarg. Returns -1 to go on, else the exit
// status to end with. --help, --version and --print-reference are only noted: an option after
// them that is wrong is still a usage error.
int applyOption(int code, char** argv, Options& options) {
    Report report = code == 'h'                    ? Report::Help
                    : code == optionVersion        ? Report::Version
                    : code == optionPrintReference ? Report::Reference
                                                   : Report::None;
    if (report != Report::None) {
        if (options.report == Report::None) options.report = report;
        return -1;
    }
    switch (code) {
        case optionModule: options.modulePath = optarg; break;
        case optionLanguage:
            options.language = optarg;
            if (!hostsim::isLanguageName(options.language))
                return usageError("--language needs a language code such as de");
            break;
        case optionDrawing: options.drawingPath = optarg; break;
        case optionPrecision:
            if (!hostsim::parsePrintPrecision(optarg, options.precision))
                return usageError(
                    "--precision needs N (1 to 17 significant digits) or .N (1 to "
                    "17 decimal places)");
            break;
        case optionServe:
            options.serve = true;
            options.serveText = optarg != nullptr ? optarg : "";
            break;
        case 'c': options.lines.push_back({optarg, false}); break;
        case 'e': options.lines.push_back({hostsim::calculatorCall(optarg), true}); break;
        default: return usageError(optionProblem(code, argv));
    }
    return -1;
}

// Returns -1 when the options are good, else the exit status to end with. Options and SCRIPT
// may come in any order; -c and -e lines run in the order given.
int parseOptions(int argc, char** argv, Options& options) {
    opterr = 0;  // every message is ours, in one form
    int code;
    while ((code = getopt_long(argc, argv, shortOptions, longOptions, nullptr)) != -1) {
        int status = applyOption(code, argv, options);
        if (status >= 0) return status;
    }
    if (optind < argc) options.scriptPath = argv[optind++];
    if (optind < argc) return usageError("only one SCRIPT may be given");
    if (options.serve && (!options.lines.empty() || !options.scriptPath.empty()))
        return usageError(
            "--serve takes its lines from the page and the terminal: no -c, -e or SCRIPT");
    return -1;
}

// Words filled into lines of at most width characters; a word is never split.
std::string wrappedText(const std::vector<std::string>& words, std::size_t width) {
    std::string text, line;
    for (const std::string& word : words) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line + "\n";
}

// The paragraph on command lines: every host command by its form, in HELP's order. A form's
// parts stay on one line ("PRECISION [N | .N],").
std::string commandLinesParagraph() {
    std::vector<std::string> words;
    auto addWords = [&words](const std::string& text) {
        for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
            end = std::min(text.find(' ', start), text.size());
            words.push_back(text.substr(start, end - start));
        }
    };
    addWords(
        "A command line is a Quillet expression when it starts with '(', a symbol's value "
        "when it starts with '!', otherwise a command: one the module defined (CAL) or one "
        "of the host's:");
    const std::vector<hostsim::CommandReference>& commands = hostsim::commandReference();
    for (std::size_t i = 0; i < commands.size(); ++i)
        words.push_back(std::string(commands[i].usage) + (i + 1 == commands.size()   ? "."
                                                          : i + 2 == commands.size() ? " and"
                                                                                     : ","));
    addWords(
        "HELP lists them with what each does, and every function; HELP NAME explains one, "
        "HELP CAL the expressions. An empty line typed at Command: runs the last command "
        "again.");
    return wrappedText(words, usageWidth);
}

int printReport(Report report) {
    if (report == Report::Help)
        hostsim::printResult(usageHead + commandLinesParagraph() + "\n" + usageTail);
    if (report == Report::Version) hostsim::printResult("hostsim (vectrin) " HOSTSIM_VERSION "\n");
    if (report == Report::Reference) hostsim::printResult(hostsim::referenceMarkdown());
    return exitValues;
}

// The folder of the running executable, with its trailing slash; empty when unknown.
std::string programFolder() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// A module file beside the program (a build folder), else where the install rules put it
// relative to the program (HOSTSIM_MODULE_FOLDER, e.g. ../lib/vectrin). When neither is there,
// the first is named, so the failure says where the module was expected.
std::string modulePathOf(const std::string& fileName) {
    std::string folder = programFolder();
    std::string beside = folder + fileName;
    std::string installed = folder + HOSTSIM_MODULE_FOLDER "/" + fileName;
    if (access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0) return installed;
    return beside;
}

// The module of the language: vectrin.so, or for German vectrin.de.so. A locale's language
// without a module of its own falls back to English; a language asked for by name does not.
std::string defaultModulePath(const std::string& language) {
    std::string chosen = language.empty() ? hostsim::environmentLanguage() : language;
    std::string path = modulePathOf(hostsim::moduleFileName(chosen));
    if (language.empty() && access(path.c_str(), F_OK) != 0) return modulePathOf("vectrin.so");
    return path;
}

// A language asked for by name whose module is not there: the message names those that are.
int missingLanguage(const std::string& language) {
    std::string folder = programFolder();
    std::vector<std::string> languages =
        hostsim::moduleLanguages({folder, folder + HOSTSIM_MODULE_FOLDER});
    std::string known;
    for (const std::string& name : languages) known += (known.empty() ? "" : ", ") + name;
    std::fprintf(
        stderr, "hostsim: there is no module for the language %s (%s); %s\n", language.c_str(),
        hostsim::moduleFileName(language).c_str(),
        known.empty() ? "no module is installed" : ("the languages there are " + known).c_str());
    return exitUsage;
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
        hostsim::flushResults();
        std::fprintf(stderr, "hostsim: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    hostsim::useScriptInput(&script);  // the lines after a command answer its prompts
    std::string line;
    while (hostsim::readScriptLine(line))
        if (hostsim::runTypedLine(line) == hostsim::LineOutcome::Quit) break;
    hostsim::useScriptInput(nullptr);
    return true;
}

// The command lines typed, piped or sent by a page. A person at a terminal learns first where
// help is and how to leave. Ctrl-C is caught from the first line to the last, not only while a
// line is read: it cancels what runs (a prompt, a pick, a wait in a system call), never the
// session.
void runStandardInput() {
    bool caught = hostsim::catchInterrupts();
    if (isatty(STDIN_FILENO))
        hostsim::printText(
            "Type HELP for help, HELP CAL for the expressions; QUIT or Ctrl-D quits.\n");
    hostsim::runCommandPrompt();
    if (caught) hostsim::releaseInterrupts();
}

// The serve part, loaded only for --serve (beside the program, or where the install rules put
// it), and the address it reads. Returns -1 when both are good, else the exit status.
int loadServePart(Options& options) {
    std::string path = modulePathOf("hostsim-serve.so");
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    using EntryPoints = const hostsim::ServeEntryPoints* (*)();
    auto entry = library != nullptr
                     ? reinterpret_cast<EntryPoints>(dlsym(library, hostsim::serveEntryName))
                     : nullptr;
    if (entry == nullptr) {
        std::fprintf(stderr, "hostsim: cannot load the serve part: %s\n",
                     library == nullptr ? dlerror() : (path + ": no entry point").c_str());
        return exitUsage;
    }
    options.served = entry();
    if (!options.served->parseServeAddress(options.serveText, options.serveAddress))
        return usageError("--serve needs PORT or HOST:PORT");
    return -1;
}

// The page's lines, and the terminal's, run in this thread; the URL to open is the one result.
int serveSession(const Options& options) {
    hostsim::ServeOptions serveOptions;
    serveOptions.address = options.serveAddress;
    serveOptions.readTerminal = true;
    serveOptions.complete = [](const std::string& before, bool atCommand) {
        hostsim::Completion completion = hostsim::completeInput(
            before, before.size(),
            atCommand ? hostsim::PromptKind::Command : hostsim::PromptKind::Expression);
        std::string append = completion.append != '\0' ? std::string(1, completion.append) : "";
        return hostsim::PageCompletion{completion.start, completion.candidates, append};
    };
    std::string error;
    auto announce = [](const std::string& url) { hostsim::printResult(url + "\n"); };
    if (options.served->serveSession(serveOptions, runStandardInput, announce, error))
        return exitValues;
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return exitUsage;
}

int runSession(const Options& options) {
    if (!hostsim::loadModule(options.modulePath)) return exitUsage;
    if (options.serve) return serveSession(options);
    bool nilSeen = false;
    int status = exitValues;
    if (options.lines.empty() && options.scriptPath.empty()) {
        runStandardInput();
    } else {
        hostsim::holdResults(true);
        if (runGivenLines(options, nilSeen) && !options.scriptPath.empty() &&
            !runScript(options.scriptPath))
            status = exitUsage;
        hostsim::holdResults(false);
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
    // A reader that went away (hostsim ... | head -1) is a standard output that cannot be
    // written, as a full disk is: the write fails, and the session ends with the message and
    // status 2 rather than dying silently by SIGPIPE. hostsim starts no other program.
    std::signal(SIGPIPE, SIG_IGN);
    Options options;
    int parsed = parseOptions(argc, argv, options);
    if (parsed >= 0) return checkedStatus(parsed);
    if (options.report != Report::None) return checkedStatus(printReport(options.report));
    if (options.serve && (parsed = loadServePart(options)) >= 0) return checkedStatus(parsed);
    hostsim::resetHostState();
    if (options.drawingPath.empty()) {
        hostsim::deferDemoDrawing();  // read at its first use; it has no notices
    } else if (std::string error; !hostsim::openDrawingFile(options.drawingPath, error)) {
        std::fprintf(stderr, "hostsim: %s\n", error.c_str());
        return exitUsage;
    } else {
        for (const std::string& notice : hostsim::drawingNotices())
            std::fprintf(stderr, "hostsim: %s\n", notice.c_str());
    }
    if (options.modulePath.empty()) {
        options.modulePath = defaultModulePath(options.language);
        if (!options.language.empty() && access(options.modulePath.c_str(), F_OK) != 0)
            return checkedStatus(missingLanguage(options.language));
    }
    hostsim::setPrintPrecision(options.precision);
    hostsim::installCompletion();
    int status = runSession(options);
    hostsim::unloadModule();
    hostsim::resetHostState();
    hostsim::releaseHistory();
    return checkedStatus(status);
}
