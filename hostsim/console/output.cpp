// hostsim/console/output.cpp - the host's output channel: results and the conversation around
// them, on standard output and standard error, or in a buffer for tests.
//
// On a terminal both go to standard output, as one conversation. Otherwise standard output
// carries the results alone (a value, a listing asked for) and everything else, the module's
// text, prompts, echoed answers and notices, goes to standard error.
// What the host and the module print in code page 1252 leaves as UTF-8.
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "hostsim/console/console.h"

// ---- output state: one channel for the host and the module ----
static bool capturing = false;    // true: text goes to capturedText instead of a stream
static std::string capturedText;  // what was printed while capturing, until takeOutput
static bool lineOpen = false;     // the last conversation text did not end its line
static int writeFailure = 0;      // errno of the first failed write to stdout; 0 while none
static int resultsApart =
    -1;  // 1: stdout is no terminal and carries results only; -1: not yet asked
static bool resultsHeld = false;  // a batch runs: results wait in stdout's buffer (holdResults)
static std::function<void(const std::string&)> outputMirror;   // also sees every text; may be empty
static std::function<void(const std::string&)> failureMirror;  // also sees printFailure's texts
static std::vector<std::string> noticesAfterModule;  // follow the module's text (printNotices...)
static std::string hostName = "hostsim";  // what the host's notices about the module start with

// Keeps the first failure: a full disk or a closed stdout must not end the session as a success.
static void noteWriteFailure() {
    if (writeFailure == 0) writeFailure = errno != 0 ? errno : EIO;
}

// Asked once: whether standard output is a terminal does not change during a session.
static bool resultsOnStdoutAlone() {
    if (resultsApart < 0) {
        int savedErrno = errno;
        resultsApart = isatty(STDOUT_FILENO) ? 0 : 1;
        errno = savedErrno;
    }
    return resultsApart == 1;
}

// Text in plain ASCII is the same in code page 1252 and UTF-8: it is written without a copy.
static bool isAsciiText(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Flushed after every text: when both streams go to one file, each text must land there in the
// order it was printed, whichever stream carried it. While results are held, what waits on
// standard output is flushed before any text goes to standard error, which keeps that order.
// Text is kept in code page 1252 inside the host; the terminal speaks UTF-8.
// A line being edited beside the session (a served terminal's) is taken off the screen first and
// drawn again below once the text ends its line; a line end that would only open the emptied
// line is left out.
static void writeText(std::FILE* stream, const std::string& text) {
    const std::string converted = isAsciiText(text) ? std::string() : hostsim::utf8FromCp1252(text);
    const std::string& shown = converted.empty() ? text : converted;
    if (stream != stdout) hostsim::flushResults();
    std::size_t skipped = hostsim::hideEditedLine() && shown[0] == '\n' ? 1 : 0;
    bool written = std::fwrite(shown.data() + skipped, 1, shown.size() - skipped, stream) ==
                   shown.size() - skipped;
    bool flushed = (stream == stdout && resultsHeld) || std::fflush(stream) == 0;
    if ((!flushed || !written) && stream == stdout) noteWriteFailure();
    if (shown.back() == '\n') hostsim::showEditedLine();
}

namespace hostsim {

void captureOutput(bool on) { capturing = on; }

void mirrorOutput(std::function<void(const std::string&)> mirror) {
    outputMirror = std::move(mirror);
}

void mirrorFailures(std::function<void(const std::string&)> mirror) {
    failureMirror = std::move(mirror);
}

std::string takeOutput() {
    std::string text;
    text.swap(capturedText);
    return text;
}

std::FILE* conversationStream() { return resultsOnStdoutAlone() ? stderr : stdout; }

void printText(const std::string& text) {
    if (text.empty() || holdConversation(text)) return;
    lineOpen = text.back() != '\n';
    if (outputMirror) outputMirror(text);
    if (capturing) {
        capturedText += text;  // kept in the host's code page 1252
        return;
    }
    writeText(conversationStream(), text);
}

void printResult(const std::string& text) {
    releaseHeldText();  // what was printed before the result
    startLine();        // after a prompt left open, on the stream that holds it
    if (text.empty()) return;
    if (outputMirror) outputMirror(text);
    if (capturing) {
        capturedText += text;  // kept in the host's code page 1252
        return;
    }
    writeText(stdout, text);
}

void printFailure(const std::string& text) {
    releaseHeldText();
    flushResults();
    startLine();  // on a screen, after the prompt or text in progress rather than inside it
    hideEditedLine();
    std::fputs(text.c_str(), stderr);
    if (!text.empty() && text.back() == '\n') showEditedLine();
    if (failureMirror) failureMirror(text);
}

void nameProgram(const std::string& name) { hostName = name; }

const std::string& programName() { return hostName; }

void holdResults(bool on) {
    if (!on) flushResults();
    resultsHeld = on && resultsOnStdoutAlone();
}

void flushResults() {
    if (std::fflush(stdout) != 0) noteWriteFailure();
}

int outputFailure() {
    releaseHeldText();  // the session is over: nothing can be refused any more
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) noteWriteFailure();
    return writeFailure;
}

void noticeAfterModuleText(const std::string& text) { noticesAfterModule.push_back(text); }

void dropNoticesAfterModule() { noticesAfterModule.clear(); }

void printNoticesAfterModule() {
    std::vector<std::string> notices;
    notices.swap(noticesAfterModule);
    for (const std::string& text : notices) {
        startLine();
        printText(text + "\n");
    }
}

void mirrorText(const std::string& text) {
    if (text.empty()) return;
    lineOpen = text.back() != '\n';
    if (outputMirror) outputMirror(text);
}

void noteLineEnded() { lineOpen = false; }

void startLine() {
    if (lineOpen) printText("\n");
}

}  // namespace hostsim

// Formats into a string of any length: a first pass measures, a second writes.
static bool formatText(std::string& out, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return false;
    out.assign(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&out[0], out.size(), format, args);
    out.resize(static_cast<size_t>(length));
    return true;
}

extern "C" int kvs_printf(const char* format, ...) {
    hostsim::ErrnoGuard keepErrno;
    if (format == nullptr) return -1;
    std::string text;
    va_list args;
    va_start(args, format);
    bool formatted = formatText(text, format, args);
    va_end(args);
    if (!formatted) return -1;
    hostsim::printText(text);
    return static_cast<int>(text.size());
}
