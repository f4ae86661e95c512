// hostsim/console/input.cpp - lines typed by the user: command lines and answers to the
// module's prompts.
//
// On a terminal, readline edits the line and keeps a history. Otherwise lines are read plainly
// and echoed after their prompt, so that a session fed from a file prints like one typed. While a
// SCRIPT runs, its own lines answer its commands' prompts.
// Either way a line typed in UTF-8 reaches the host in its code page 1252.
// Ctrl-C ends the read in progress with an empty line that inputInterrupted reports.
#include "hostsim/console/console.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <istream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

namespace {

constexpr int initgetNoNull = 1;  // the answer may not be empty (a point prompt asks again)
const char cancelAnswer[] = "*cancel*";

}  // namespace

// ---- input state: where lines come from, and the prompt options set by kvs_initget ----
static std::deque<std::string> queuedAnswers;  // read first, e.g. the rest of "CAL 1+2"
static std::istream* scriptInput = nullptr;    // a running SCRIPT, which answers its own prompts
static std::unique_ptr<std::istringstream> testInput;  // set by useInputText; else stdin
static int pendingInitgetFlags = 0;                    // for the next prompt only
static bool lastReadInterrupted = false;               // Ctrl-C ended the last line read
static std::string plainPending;                       // read from stdin, not yet a whole line
static bool plainEnded = false;                        // stdin gave its end (or an error)
static bool plainAtStart = true;                       // no line of stdin read yet
static bool scriptAtStart = false;                     // no line of the SCRIPT read yet
static std::function<bool(std::string&)> lineSource;   // replaces stdin when set (a served page)
static bool pointPromptOpen = false;                   // kvs_getpoint is reading its answer
static hostsim::AnswerWatch answerWatch;               // told of every answer the module gets
static std::string promptWaiting;                      // the prompt of the read in progress
static std::string sourceEcho;  // shown for the line source's next line instead of the line
enum class SourceLine { Given, Typed, Interrupted };  // from elsewhere, or at the terminal beside
static SourceLine sourceLineOrigin = SourceLine::Given;  // of the line source's next line
static bool (*sourceLineCheck)(const std::string&, std::string&) = nullptr;  // of the last line
static std::function<hostsim::PointAnswerBase()> answerBaseSource;  // LASTPOINT and ANGBASE
static bool lastReadUnattended = false;        // the last line came from a script, a pipe or a test
static bool nextPointPromptCancelled = false;  // a pick missed where no one can pick again
static bool refusalWatched = false;  // a point answer of unattended input: is it refused next?
static std::string refusalHeld;      // what was printed since, held until that is known
static hostsim::LineKind waitingKind = hostsim::LineKind::Command;  // of the line being read

namespace {

// readline's key source: the same read, except that Ctrl-C gives up the line. readline's own
// handler sees the signal first and passes it on to noteInterrupt in rl_check_signals.
int readTerminalKey(FILE* stream) {
    for (;;) {
        if (hostsim::interruptWaiting()) return '\n';  // accepts the line; the caller drops it
        unsigned char key;
        ssize_t count = -1;
        errno = EINTR;  // a Ctrl-C ended the wait: readline's handler has it, checkSignals below
        if (hostsim::waitForInput(fileno(stream))) count = read(fileno(stream), &key, 1);
        if (count == 1) return key;
        if (count == 0) return EOF;
        const hostsim::LineEditor& editor = *hostsim::loadedLineEditor();
        bool readingCommand = (*editor.readlineState & hostsim::LineEditor::readingCommandKey) != 0;
        if (errno != EINTR) return readingCommand ? hostsim::LineEditor::readError : EOF;
        editor.checkSignals();
    }
}

bool readTerminalLine(const hostsim::LineEditor& editor, const std::string& prompt,
                      std::string& line, hostsim::LineKind kind) {
    // Caught for the read; a session of typed lines holds it throughout (a batch's answers read
    // here do not: Ctrl-C outside its prompts and picks stops the batch).
    bool caught = hostsim::catchInterrupts();
    hostsim::showHistoryOf(kind);  // Up walks the lines of this kind: commands at Command:
    *editor.getcFunction = readTerminalKey;
    // readline draws only the prompt's last line itself, so that editing redraws it whole.
    std::size_t lastBreak = prompt.rfind('\n');
    std::string head = lastBreak == std::string::npos ? "" : prompt.substr(0, lastBreak + 1);
    std::string tail = lastBreak == std::string::npos ? prompt : prompt.substr(lastBreak + 1);
    hostsim::printText(head);
    hostsim::startLine();
    std::fflush(stdout);
    *editor.outStream = hostsim::conversationStream();  // the prompt and the typing are no result
    hostsim::takeInterrupt();  // one pressed while no prompt was up is not meant for this one
    // The prompt is in the host's code page, as every text inside; the terminal reads UTF-8.
    char* typed = editor.readline(hostsim::utf8FromCp1252(tail).c_str());
    if (caught) hostsim::releaseInterrupts();
    if (typed == nullptr) {
        hostsim::printText("\n");  // end of input leaves the cursor after the prompt
        return false;
    }
    hostsim::noteLineEnded();  // the user's Enter (or Ctrl-C) ended the line on the screen
    lastReadInterrupted = hostsim::takeInterrupt();
    line = lastReadInterrupted ? "" : typed;
    if (!lastReadInterrupted) hostsim::rememberLine(line, kind);
    std::free(typed);
    return true;
}

// A file saved with the UTF-8 signature (an editor's byte-order mark) starts with it: it is no
// part of the first line.
void dropByteOrderMark(std::string& line) {
    static const char mark[] = "\xEF\xBB\xBF";
    if (line.compare(0, sizeof mark - 1, mark) == 0) line.erase(0, sizeof mark - 1);
}

bool isCommentLine(const std::string& line) {
    std::size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == ';';
}

// One line without its line end; a script's comment lines are passed over wherever they stand.
bool getLine(std::istream& in, std::string& line) {
    while (std::getline(in, line)) {
        if (&in == scriptInput && scriptAtStart) dropByteOrderMark(line);
        if (&in == scriptInput) scriptAtStart = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (&in != scriptInput || !isCommentLine(line)) return true;
    }
    return false;
}

enum class PlainRead { Line, End, Interrupted };

// A line of standard input by read(2), which Ctrl-C can end, unlike a stdio read.
PlainRead readStandardInputLine(std::string& line) {
    for (;;) {
        std::size_t lineEnd = plainPending.find('\n');
        if (lineEnd != std::string::npos || plainEnded) {
            if (lineEnd == std::string::npos && plainPending.empty()) return PlainRead::End;
            line = plainPending.substr(0, lineEnd);
            plainPending.erase(0, lineEnd == std::string::npos ? lineEnd : lineEnd + 1);
            if (plainAtStart) dropByteOrderMark(line);
            plainAtStart = false;
            return PlainRead::Line;
        }
        if (!hostsim::waitForInput(STDIN_FILENO)) {
            if (hostsim::takeInterrupt()) break;
            continue;  // another signal ended the wait
        }
        char chunk[4096];
        ssize_t count = read(STDIN_FILENO, chunk, sizeof chunk);
        if (count > 0)
            plainPending.append(chunk, static_cast<std::size_t>(count));
        else if (count == 0 || errno != EINTR)
            plainEnded = true;  // an error ends input too
    }
    plainPending.clear();  // the unfinished line goes with the prompt, as on a terminal
    return PlainRead::Interrupted;
}

// The handler is caught here for the read itself (answers for -c and -e come this way too); a
// session of standard input's lines holds it throughout. One pressed before the prompt was up is
// not meant for it.
bool readPlainStandardInput(const std::string& prompt, std::string& line) {
    bool caught = hostsim::catchInterrupts();  // before the prompt: one seen must not be fatal
    hostsim::takeInterrupt();
    hostsim::printText(prompt);
    PlainRead outcome = readStandardInputLine(line);
    if (caught) hostsim::releaseInterrupts();
    if (outcome == PlainRead::End) {
        hostsim::startLine();
        return false;
    }
    lastReadInterrupted = outcome == PlainRead::Interrupted;
    if (lastReadInterrupted) line.clear();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lastReadInterrupted) hostsim::printText("^C\n");
    return true;
}

bool readPlainLine(std::istream& in, const std::string& prompt, std::string& line) {
    hostsim::printText(prompt);
    if (!getLine(in, line)) {
        hostsim::startLine();
        return false;
    }
    return true;
}

// The prompt, and the line source's next line as it gives it. With a terminal beside the source,
// readline draws the prompt's last line there, and the mirror alone gets it from here.
bool readSourceLine(const std::string& prompt, hostsim::LineKind kind, std::string& given) {
    bool drawn = hostsim::terminalDrawsPrompts();
    std::size_t lastBreak = drawn ? prompt.rfind('\n') : std::string::npos;
    std::string tail =
        drawn ? prompt.substr(lastBreak == std::string::npos ? 0 : lastBreak + 1) : "";
    hostsim::printText(prompt.substr(0, prompt.size() - tail.size()));
    if (drawn) {
        hostsim::startLine();
        hostsim::mirrorText(tail);
        hostsim::showTerminalPrompt(tail, kind);
    }
    promptWaiting = prompt;
    sourceEcho.clear();
    sourceLineOrigin = SourceLine::Given;
    hostsim::takeInterrupt();  // one pressed while no prompt was up is not meant for this one
    bool read = lineSource(given);
    promptWaiting.clear();
    if (sourceLineOrigin == SourceLine::Given) hostsim::hideTerminalPrompt();
    if (!read) hostsim::startLine();
    return read;
}

// What the transcript shows for the line: on the terminal too, unless it shows it already (a line
// typed there, or a Ctrl-C at readline's prompt, which ended it with ^C).
void showSourceEcho(const std::string& echo) {
    bool shown = sourceLineOrigin == SourceLine::Typed ||
                 (sourceLineOrigin == SourceLine::Interrupted && hostsim::terminalDrawsPrompts());
    if (shown)
        hostsim::mirrorText(echo);
    else
        hostsim::printText(echo);
}

// Takes the next line from whichever source is first in line, in the host's code page. A typed
// line with a character the code page lacks is refused with a notice and asked for again.
bool nextLine(const std::string& prompt, std::string& line, hostsim::LineKind kind) {
    lastReadInterrupted = false;
    nextPointPromptCancelled = false;
    lastReadUnattended = false;
    sourceLineCheck = nullptr;
    if (!queuedAnswers.empty()) {
        line = queuedAnswers.front();
        queuedAnswers.pop_front();
        hostsim::printText(prompt + line + "\n");
        return true;
    }
    if (scriptInput == nullptr)
        hostsim::flushResults();  // whoever reads them may be the one to answer
    for (;;) {
        if (lineSource && scriptInput == nullptr && !testInput) {
            std::string given;
            if (!readSourceLine(prompt, kind, given)) return false;
            if (sourceLineOrigin == SourceLine::Interrupted) {
                lastReadInterrupted = true;
                line.clear();
                showSourceEcho("^C\n");
                return true;
            }
            if (!hostsim::hostLineFromTerminal(given, line)) continue;
            showSourceEcho((sourceEcho.empty() ? line : sourceEcho) + "\n");
            return true;
        }
        bool terminal = scriptInput == nullptr && !testInput && isatty(STDIN_FILENO);
        lastReadUnattended = !terminal;
        const hostsim::LineEditor* editor = terminal ? hostsim::lineEditor() : nullptr;
        std::string typed;
        bool read = scriptInput != nullptr ? readPlainLine(*scriptInput, prompt, typed)
                    : testInput            ? readPlainLine(*testInput, prompt, typed)
                    : editor != nullptr    ? readTerminalLine(*editor, prompt, typed, kind)
                                           : readPlainStandardInput(prompt, typed);
        if (!read) return false;
        if (lastReadInterrupted) {
            line.clear();
            return true;
        }
        if (hostsim::hostLineFromTerminal(typed, line)) {
            if (!terminal) hostsim::printText(line + "\n");  // echoed: reads like a typed session
            return true;
        }
    }
}

// "\nNo object was found there; select again.\n" without the request a script cannot answer:
// "\nNo object was found there.\n". A text that holds no "; " is kept whole.
std::string withoutRequestToSelect(const std::string& notice) {
    std::size_t split = notice.rfind("; ");
    if (split == std::string::npos)
        return notice.empty() || notice.back() == '\n' ? notice : notice + "\n";
    return notice.substr(0, split) + ".\n";
}

// The point prompt of a pick that could not be answered, at input no one answers as it asks.
void cancelUnanswerablePick() {
    std::string reason;
    reason.swap(refusalHeld);
    refusalWatched = false;
    nextPointPromptCancelled = false;
    hostsim::startLine();
    hostsim::printText(withoutRequestToSelect(reason) +
                       "The pick is cancelled: input that is not a terminal cannot pick again.\n");
}

int takeInitgetFlags() {
    int flags = pendingInitgetFlags;
    pendingInitgetFlags = 0;
    return flags;
}

}  // namespace

namespace hostsim {

// A line that is not valid UTF-8 was written in code page 1252 already (a script saved in it) and
// is kept as it is.
bool hostLineFromTerminal(const std::string& typed, std::string& line) {
    char32_t missing = 0;
    if (!isValidUtf8(typed)) {
        line = typed;
        return true;
    }
    if (cp1252FromUtf8(typed, line, missing)) return true;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(missing));
    startLine();
    printText(std::string("The line is not used: ") + code +
              " is a character that the host's code page 1252 does not have.\n");
    return false;
}

void useInputText(const std::string& text) { testInput.reset(new std::istringstream(text)); }

void useStandardInput() { testInput.reset(); }

void queueAnswer(const std::string& answer) { queuedAnswers.push_back(answer); }

void clearQueuedAnswers() { queuedAnswers.clear(); }

void useLineSource(std::function<bool(std::string&)> source) { lineSource = std::move(source); }

void useScriptInput(std::istream* script) {
    scriptInput = script;
    scriptAtStart = true;
}

bool readScriptLine(std::string& line) {
    releaseHeldText();
    return scriptInput != nullptr && getLine(*scriptInput, line);
}

bool readInputLine(const std::string& prompt, std::string& line, LineKind kind) {
    releaseHeldText();
    printNoticesAfterModule();  // the module has said its piece before it asks
    waitingKind = kind;
    bool read = nextLine(prompt, line, kind);
    waitingKind = LineKind::Command;
    return read;
}

LineKind waitingLineKind() { return waitingKind; }

bool inputInterrupted() { return lastReadInterrupted; }

bool pointPromptWaiting() { return pointPromptOpen; }

const std::string& waitingPrompt() { return promptWaiting; }

void echoSourceLineAs(const std::string& text) { sourceEcho = text; }

void sourceLineTyped() { sourceLineOrigin = SourceLine::Typed; }

void sourceLineInterrupted() { sourceLineOrigin = SourceLine::Interrupted; }

void checkSourceLineWith(bool (*check)(const std::string& line, std::string& reason)) {
    sourceLineCheck = check;
}

bool mayRunInPlaceOfLastLine(const std::string& line, std::string& reason) {
    return sourceLineCheck == nullptr || sourceLineCheck(line, reason);
}

void watchAnswers(AnswerWatch watch) { answerWatch = std::move(watch); }

void usePointAnswerBase(std::function<PointAnswerBase()> base) {
    answerBaseSource = std::move(base);
}

bool lastLineUnattended() { return lastReadUnattended; }

void cancelNextPointPrompt(bool cancel) { nextPointPromptCancelled = cancel; }

bool holdConversation(const std::string& text) {
    if (!refusalWatched) return false;
    refusalHeld += text;
    return true;
}

void releaseHeldText() {
    if (!refusalWatched) return;
    refusalWatched = false;
    std::string held;
    held.swap(refusalHeld);
    printText(held);
}

}  // namespace hostsim

// The flags hold for the next prompt only. Keywords are not kept: the two prompts the host offers
// read a text and a point, and neither returns a keyword.
extern "C" int kvs_initget(int flags, const char* keywords) {
    (void)keywords;
    pendingInitgetFlags = flags;
    return KVS_RTNORM;
}

// An answer is never cut to fit: one longer than the buffer is refused and asked for again.
extern "C" int kvs_getstring(int allowBlanks, const char* prompt, char* text, size_t textSize) {
    hostsim::ErrnoGuard keepErrno;
    takeInitgetFlags();  // an empty text is a valid answer here; the caller decides about it
    if (text == nullptr || textSize == 0) return KVS_RTERROR;
    text[0] = '\0';
    const std::string promptText = prompt != nullptr ? prompt : "";
    for (;;) {
        std::string answer;
        if (!hostsim::readInputLine(promptText, answer, hostsim::LineKind::Text) ||
            hostsim::inputInterrupted() || answer == cancelAnswer)
            return KVS_RTCAN;
        if (!allowBlanks) answer = answer.substr(0, answer.find_first_of(" \t"));
        if (answer.size() <= textSize - 1) {
            std::memcpy(text, answer.c_str(), answer.size() + 1);
            if (answerWatch.text) answerWatch.text(answer);
            return KVS_RTNORM;
        }
        hostsim::printText("The answer is longer than " + std::to_string(textSize - 1) +
                           " characters; please enter a shorter one.\n");
    }
}

// The answer is a point in the current user coordinate system, typed as parsePointAnswer reads
// it, and so is the point returned.
extern "C" int kvs_getpoint(const double* basePoint, const char* prompt, double point[3]) {
    hostsim::ErrnoGuard keepErrno;
    (void)basePoint;  // no rubber band to draw without a screen
    bool emptyRefused = (takeInitgetFlags() & initgetNoNull) != 0;
    if (point == nullptr) return KVS_RTERROR;
    if (nextPointPromptCancelled || !refusalHeld.empty()) {
        cancelUnanswerablePick();
        return KVS_RTCAN;
    }
    const std::string promptText = prompt != nullptr ? prompt : "";
    for (;;) {
        std::string answer;
        pointPromptOpen = true;
        bool read = hostsim::readInputLine(promptText, answer, hostsim::LineKind::Point);
        pointPromptOpen = false;
        if (!read || hostsim::inputInterrupted()) return KVS_RTCAN;
        answer = hostsim::trimmed(answer);
        if (answer == cancelAnswer || (answer.empty() && !emptyRefused)) return KVS_RTCAN;
        hostsim::Point p;
        hostsim::PointAnswerBase base =
            answerBaseSource ? answerBaseSource() : hostsim::PointAnswerBase{};
        if (hostsim::parsePointAnswer(answer, base, p)) {
            refusalWatched = lastReadUnattended;  // what the module prints next may refuse it
            std::memcpy(point, p.data(), sizeof p);
            if (answerWatch.point) answerWatch.point(p);
            return KVS_RTNORM;
        }
        hostsim::printText(
            "Enter a point as x,y or x,y,z; @dx,dy from the last point; d<angle or @d<angle.\n");
    }
}
