// hostsim/console/terminal.cpp - Ctrl-C as a cancel, not an end; the history of lines typed.
#include "hostsim/console/console.h"

#include <fcntl.h>
#include <poll.h>
#include <readline/history.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int historyLimit = 1000;  // lines kept, in memory and in the file

}  // namespace

// ---- terminal state: the Ctrl-C flag, which the signal handler sets, and the history file ----
// A SIGINT arrived and is not taken yet. Set by the handler on whichever thread the signal came
// to (a served session's terminal reader) and taken on the session thread: a lock-free atomic
// is safe for both.
static std::atomic<bool> interruptPending{false};
static_assert(std::atomic<bool>::is_always_lock_free);
static int interruptCatchers = 0;         // catchInterrupts calls not yet released
static struct sigaction actionBefore;     // SIGINT's action before the first catch
static bool historyLoaded = false;        // the file was read (or found missing)
static std::string historyPath;           // "" when there is no place to keep it
static bool historyFailureShown = false;  // one notice a session is enough
// The lines of each kind kept (LineKind's order), oldest first; readline's own history holds
// those of one kind at a time, the kind last read.
static std::vector<std::string> keptLines[3];
static hostsim::LineKind shownKind = hostsim::LineKind::Command;

static void noteInterrupt(int) { interruptPending = true; }

namespace {

// $XDG_STATE_HOME/vectrin/history, else ~/.local/state/vectrin/history; a relative
// XDG_STATE_HOME is ignored, as the XDG rules say, and without a home there is no file.
std::string findHistoryPath() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && stateHome[0] == '/')
        return std::string(stateHome) + "/vectrin/history";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/vectrin/history";
    return "";
}

// Creates every missing folder above the file, private to the user as the state folder should be.
bool makeFoldersAbove(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    return true;
}

void showHistoryFailure(int error) {
    if (historyFailureShown) return;
    historyFailureShown = true;
    hostsim::printFailure("hostsim: the history cannot be kept in " + historyPath + ": " +
                          std::strerror(error) + "\n");
}

// append_history needs the file to exist; it is created private to the user.
int appendToHistoryFile(const hostsim::LineEditor& editor) {
    if (!makeFoldersAbove(historyPath)) return errno;
    int fd = open(historyPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    close(fd);
    int error = editor.appendHistory(1, historyPath.c_str());
    if (error == 0) error = editor.historyTruncateFile(historyPath.c_str(), historyLimit);
    return error;
}

std::vector<std::string>& linesOf(hostsim::LineKind kind) {
    return keptLines[static_cast<int>(kind)];
}

// The file's lines become the command lines kept, as readline read them.
void takeLinesRead(const hostsim::LineEditor& editor) {
    std::vector<std::string>& commands = linesOf(hostsim::LineKind::Command);
    for (int i = 0; i < *editor.historyLength; ++i) {
        HIST_ENTRY* entry = editor.historyGet(*editor.historyBase + i);
        if (entry != nullptr) commands.push_back(entry->line);
    }
}

void loadHistory(const hostsim::LineEditor& editor) {
    historyLoaded = true;
    editor.stifleHistory(historyLimit);
    historyPath = findHistoryPath();
    if (historyPath.empty()) return;
    int error = editor.readHistory(historyPath.c_str());
    if (error != 0 && error != ENOENT) showHistoryFailure(error);
    takeLinesRead(editor);
}

}  // namespace

namespace hostsim {

bool catchInterrupts() {
    if (interruptCatchers > 0) {
        ++interruptCatchers;
        return true;
    }
    struct sigaction before;
    if (sigaction(SIGINT, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) return false;
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read in progress must end with EINTR
    if (sigaction(SIGINT, &action, &actionBefore) != 0) return false;
    interruptCatchers = 1;
    return true;
}

void releaseInterrupts() {
    if (interruptCatchers > 0 && --interruptCatchers == 0)
        sigaction(SIGINT, &actionBefore, nullptr);
}

bool takeInterrupt() { return interruptPending.exchange(false); }

bool interruptWaiting() { return interruptPending; }

bool waitForInput(int fd) {
    sigset_t interrupt, unblocked;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &unblocked);
    pollfd input = {fd, POLLIN, 0};
    int ready = interruptPending ? -1 : ppoll(&input, 1, nullptr, &unblocked);
    pthread_sigmask(SIG_SETMASK, &unblocked, nullptr);
    return ready > 0 || (ready < 0 && errno != EINTR && !interruptPending);
}

void showInterrupt() { printText(isatty(STDIN_FILENO) ? "\n" : "^C\n"); }

bool keptInHistory(LineKind kind) { return kind != LineKind::Point; }

void showHistoryOf(LineKind kind) {
    const LineEditor* editor = loadedLineEditor();
    if (editor == nullptr) return;
    if (!historyLoaded) loadHistory(*editor);
    if (kind == shownKind) return;
    shownKind = kind;
    editor->clearHistory();
    for (const std::string& line : linesOf(kind)) editor->addHistory(line.c_str());
}

void rememberLine(const std::string& line, LineKind kind) {
    const LineEditor* editor = loadedLineEditor();
    std::vector<std::string>& lines = linesOf(kind);
    bool blank = line.find_first_not_of(" \t") == std::string::npos;
    bool repeated = !lines.empty() && lines.back() == line;
    if (editor == nullptr || blank || repeated || !keptInHistory(kind)) return;
    showHistoryOf(kind);
    lines.push_back(line);
    if (lines.size() > static_cast<std::size_t>(historyLimit)) lines.erase(lines.begin());
    editor->addHistory(line.c_str());
    if (kind != LineKind::Command || historyPath.empty()) return;
    // written at once, so that a session that is killed or hung up keeps what was typed
    if (int error = appendToHistoryFile(*editor); error != 0) showHistoryFailure(error);
}

}  // namespace hostsim
