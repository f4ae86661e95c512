// hostsim/console/sharedTerminal.cpp - the terminal beside another source of lines: readline
// fed key by key, so that the session waits for a line from the terminal and from a page at once.
//
// readline's callback interface draws the prompt and edits the line as readline() does at the
// plain terminal (history, Tab completion, Ctrl-L), but reads no key itself: the session thread
// hands it the keys waiting whenever the terminal's reader says there are some. Everything here
// runs on the session thread.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "hostsim/console/console.h"

// ---- shared terminal state: the session thread only ----
static bool terminalShared = false;  // shareTerminal succeeded: readline draws the prompts
static bool promptShown = false;     // readline's prompt is up, with the line being edited
static bool lineHidden = false;      // the edited line is off the screen while text is printed
static bool lineAccepted = false;    // Enter, or Ctrl-D on an empty line, ended the line
static bool inputEnded = false;      // it was Ctrl-D (or the terminal went away)
static std::string acceptedLine;     // what Enter accepted, as typed (UTF-8)
static std::string typedAhead;       // typed at a prompt a page's line took; the next prompt has it
static hostsim::LineKind shownKind = hostsim::LineKind::Command;  // the kind the prompt asks for

namespace {

// readline's key source: one byte, which the caller has seen waiting.
int readKey(FILE* stream) {
    for (;;) {
        unsigned char key;
        ssize_t count = read(fileno(stream), &key, 1);
        if (count == 1) return key;
        if (count < 0 && errno == EINTR) continue;
        return EOF;  // the terminal went away: readline takes it as Ctrl-D
    }
}

bool keyWaiting() {
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0;
}

// readline's handler of a line ended by Enter (line) or by Ctrl-D on an empty line (nullptr).
void acceptLine(char* line) {
    hostsim::loadedLineEditor()->callbackHandlerRemove();  // no prompt until one is asked for
    promptShown = false;
    lineAccepted = true;
    inputEnded = line == nullptr;
    acceptedLine = line != nullptr ? line : "";
    std::free(line);
}

// readline's own SIGWINCH handler is off (the signal may come to any thread): it is told the
// terminal's width at each prompt instead.
void takeWindowSize(const hostsim::LineEditor& editor) {
    winsize size = {};
    if (ioctl(STDIN_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0)
        editor.setScreenSize(size.ws_row, size.ws_col);
}

}  // namespace

namespace hostsim {

bool shareTerminal() {
    if (!isatty(STDIN_FILENO)) return false;
    const LineEditor* editor = lineEditor();
    if (editor == nullptr) return false;
    *editor->getcFunction = readKey;
    *editor->catchSignals = 0;  // Ctrl-C is caught for the session, and comes to another thread
    *editor->catchWindowChanges = 0;
    *editor->changeEnvironment = 0;  // no setenv while other threads may read the environment
    // Leaving bracketed paste writes a carriage return: the cursor would leave the prompt that a
    // page's line or a ^C is shown after.
    editor->variableBind("enable-bracketed-paste", "off");
    terminalShared = true;
    return true;
}

bool terminalDrawsPrompts() { return terminalShared; }

void showTerminalPrompt(const std::string& prompt, LineKind kind) {
    const LineEditor& editor = *loadedLineEditor();
    showHistoryOf(kind);  // Up walks the lines of this kind, as at the plain terminal
    shownKind = kind;
    takeWindowSize(editor);
    *editor.outStream = conversationStream();
    lineAccepted = inputEnded = lineHidden = false;
    // The prompt is in the host's code page, as every text inside; the terminal reads UTF-8.
    editor.callbackHandlerInstall(utf8FromCp1252(prompt).c_str(), acceptLine);
    promptShown = true;
    if (typedAhead.empty()) return;
    editor.insertText(typedAhead.c_str());
    typedAhead.clear();
    editor.redisplay();
}

TerminalKeys readTerminalKeys(std::string& line) {
    if (!promptShown) return TerminalKeys::Waiting;
    const LineEditor& editor = *loadedLineEditor();
    showEditedLine();
    while (promptShown && keyWaiting()) editor.callbackReadChar();
    if (!lineAccepted) return TerminalKeys::Waiting;
    lineAccepted = false;
    if (inputEnded) return TerminalKeys::End;
    line = acceptedLine;
    noteLineEnded();  // readline ended the line on the screen
    rememberLine(line, shownKind);
    return TerminalKeys::Line;
}

void interruptTerminalLine() {
    if (!promptShown) return;
    const LineEditor& editor = *loadedLineEditor();
    showEditedLine();
    *editor.point = *editor.end;  // ^C after all that was typed, as the plain terminal shows it
    editor.redisplay();
    editor.replaceLine("", 0);  // the line is dropped, and kept nowhere
    editor.callbackHandlerRemove();
    promptShown = false;
    std::fputs("^C\n", conversationStream());
    std::fflush(conversationStream());
    noteLineEnded();
}

void hideTerminalPrompt() {
    if (!promptShown) return;
    const LineEditor& editor = *loadedLineEditor();
    showEditedLine();
    typedAhead = *editor.lineBuffer;  // the page's line goes first; what was typed waits
    editor.replaceLine("", 0);
    editor.redisplay();  // the prompt alone: the page's line is shown after it
    editor.callbackHandlerRemove();
    promptShown = false;
}

bool hideEditedLine() {
    if (!promptShown || lineHidden) return false;
    loadedLineEditor()->clearVisibleLine();
    lineHidden = true;
    return true;
}

void showEditedLine() {
    if (!promptShown || !lineHidden) return;
    lineHidden = false;
    loadedLineEditor()->forcedUpdateDisplay();
}

}  // namespace hostsim
