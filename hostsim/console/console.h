// hostsim/console/console.h - lines in and out: the output channel, the lines the user types or
// a script holds, and the terminal's Ctrl-C and history.
//
// Offers: printText, printResult, the notices that follow the module's text, the capture for
// tests, and kvs_printf (output.cpp);
// readInputLine, scripts and queued answers, kvs_getstring, kvs_getpoint and kvs_initget, the
// base of point answers and the watch on all answers (input.cpp); Ctrl-C and the history file
// (terminal.cpp); the terminal beside another source of lines (sharedTerminal.cpp); readline,
// loaded on first use (lineEditor.cpp). Needs: hostsim/base only. Text is in the host's code
// page 1252 inside, UTF-8 at the terminal.
#ifndef VECTRIN_HOSTSIM_CONSOLE_CONSOLE_H
#define VECTRIN_HOSTSIM_CONSOLE_CONSOLE_H

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <string>

#include "hostsim/base/base.h"

struct _hist_entry;  // readline's history entry, seen only through LineEditor

namespace hostsim {

// ---- output (output.cpp) ----
// Everything the host and the module print goes through one channel, or a buffer while capture
// is on. Results (values, listings asked for) go to standard output; the conversation (the
// module's text, prompts, echoed answers, notices) goes there too on a terminal, and to standard
// error when standard output is not a terminal, so that it carries the results alone.
void captureOutput(bool on);
std::string takeOutput();                   // what was captured since the last call; clears it
void printText(const std::string& text);    // conversation
void printResult(const std::string& text);  // whole lines, each starting a line of its own
std::FILE* conversationStream();            // where printText writes (readline's prompts too)
// The host's own failures (a module that cannot be loaded) go to standard error, never captured.
void printFailure(const std::string& text);
// The name the host's notices about the module start with ("hostsim: cannot load module ..."):
// hostsim's by default, a front end's own inside another program ("vectrin").
void nameProgram(const std::string& name);
const std::string& programName();
// Flushes standard output; the errno of the first write to it that failed, 0 when none did.
int outputFailure();
// While a batch of lines runs (a script, -c and -e) and standard output is no terminal, results
// are not flushed one by one: a write per line was half the time of a short line. They are
// flushed before any text goes to standard error (so that with 2>&1 the order stays), before
// standard input is read, and when the hold ends. Text written to standard error by other means
// must call flushResults first.
void holdResults(bool on);
void flushResults();
// A second reader of everything printed (a browser page's transcript), besides the streams or
// the capture; it gets the text in code page 1252. An empty function removes it.
void mirrorOutput(std::function<void(const std::string&)> mirror);
// A reader of the host's own failures (printFailure), for a front end whose user never sees
// standard error (a plug-in inside another program). An empty function removes it.
void mirrorFailures(std::function<void(const std::string&)> mirror);
// A notice of the host's about what the module is about to report (a failure the host can say
// more about): kept until the module's own text is out, and printed, a line each, before the
// next prompt or when the module's call returns (printNoticesAfterModule).
void noticeAfterModuleText(const std::string& text);
void printNoticesAfterModule();
void dropNoticesAfterModule();  // a fresh session
// Text the terminal shows already (readline drew it): only the mirror gets it.
void mirrorText(const std::string& text);
void startLine();      // ends the line in progress, if any, so the next text starts a line
void noteLineEnded();  // the line was ended outside the channel (the user's Enter on a terminal)

// ---- input: command lines and answers to prompts (input.cpp) ----
// Answers come from standard input: through readline when it is a terminal, else as plain lines,
// each echoed after its prompt. Tests and command-line arguments may put lines ahead of it.
void useInputText(const std::string& text);  // reads from this text instead (tests)
void useStandardInput();
void queueAnswer(const std::string& answer);  // read before any other input, echoed
void clearQueuedAnswers();
// Takes the place of standard input after the queued answers: the prompt is printed, then the
// source gives the line (false: the end of input), which is echoed. An empty function removes it.
void useLineSource(std::function<bool(std::string&)> source);
// While a SCRIPT runs, its lines answer the prompts of its commands, ahead of standard input;
// a line starting with ';' is a comment, passed over. nullptr ends it; the caller owns the stream.
void useScriptInput(std::istream* script);
bool readScriptLine(
    std::string& line);  // the script's next command line, not echoed; false at its end
// What a line is read for: a command line at Command:, a text answer (the calculator's
// expression), or the answer to a point or pick prompt. This is the one place that tells them
// apart: the history, Tab completion and a front end's own history go by it.
enum class LineKind { Command, Text, Point };
// Prints the prompt and reads one line, without its line end; false at the end of input.
bool readInputLine(const std::string& prompt, std::string& line, LineKind kind);
// The kind of the line being read while a read waits (a front end's request runs then);
// LineKind::Command between reads.
LineKind waitingLineKind();
// Whether lines of the kind are kept to be walked again (Up): command lines and text answers are,
// each kind in a list of its own; a point's or a pick's answer never is.
bool keptInHistory(LineKind kind);
// True when the last readInputLine was ended by Ctrl-C; its line is then empty. A prompt takes
// that as *cancel*; the command line just asks again.
bool inputInterrupted();
// True while kvs_getpoint waits for its answer: every pick and point prompt asks through it.
bool pointPromptWaiting();
// The prompt the line source was asked with, while it waits for its line; empty otherwise.
const std::string& waitingPrompt();
// Called by the line source before it gives its line: the transcript shows text in its place (a
// point clicked, sent exactly, shown rounded). Holds for that one line.
void echoSourceLineAs(const std::string& text);
// Called by the line source before it gives a line the terminal beside it gave: typed, the
// terminal shows it already (so only the mirror gets its echo); interrupted, Ctrl-C ended the read
// (the line is dropped, as a Ctrl-C at a prompt is).
void sourceLineTyped();
void sourceLineInterrupted();
// Called by the line source before it gives its line: a line run in its place (an empty line at
// Command: running the last command again) must pass check, as the line itself did. Holds for
// that one line.
void checkSourceLineWith(bool (*check)(const std::string& line, std::string& reason));
// Whether line may run in place of the last line read: false, with the reason, when the last
// line's source checks its lines and refuses this one.
bool mayRunInPlaceOfLastLine(const std::string& line, std::string& reason);
// kvs_getpoint reads its answers with parsePointAnswer, relative to the base this gives at each
// answer (the session gives LASTPOINT and ANGBASE); without one, the origin and angle 0.
void usePointAnswerBase(std::function<PointAnswerBase()> base);
// True when the last line read came from input that no one answers as it asks: a SCRIPT, a test's
// text, or standard input that is not a terminal. A terminal, a served page and the rest of a
// command line (queued answers) are someone typing.
bool lastLineUnattended();
// At such input a pick that cannot be answered (nothing there, an object the module refuses, no
// snap point on it) is not asked again: the lines that follow are the script's next commands,
// not a second try. The module says why and asks again; so from a point answer of such input on,
// the conversation printed is held: at the next point prompt it is the reason, shown without its
// request to select again, and the prompt cancels with one notice; anything else read or printed
// first (a result, a prompt for text) shows it as it was. releaseHeldText shows it; printing and
// reading call it. cancelNextPointPrompt(true): the next point prompt cancels even when nothing
// was printed (the host knows the pick missed); any line read, or false, forgets it.
void cancelNextPointPrompt(bool cancel);
bool holdConversation(const std::string& text);  // true when text is held (printText asks)
void releaseHeldText();
// A line from the terminal, a script or an argument in the host's code page 1252: valid UTF-8 is
// converted, anything else kept as written in 1252. False, with a notice printed, when the line
// holds a character that code page 1252 lacks.
bool hostLineFromTerminal(const std::string& typed, std::string& line);
// A reader of the answers given to the module (the host's marks): each text kvs_getstring
// returns, and each point kvs_getpoint returns, in the UCS as typed. Empty functions remove it.
struct AnswerWatch {
    std::function<void(const std::string&)> text;
    std::function<void(const Point&)> point;
};
void watchAnswers(AnswerWatch watch);

// ---- the terminal: Ctrl-C and the history (terminal.cpp) ----
// catchInterrupts makes SIGINT set a flag, without SA_RESTART, so that a read in progress ends
// with EINTR; nothing is changed when SIGINT is ignored (false). Calls nest; the last release
// restores the action found. takeInterrupt tells whether one arrived, and clears it.
bool catchInterrupts();
void releaseInterrupts();
bool takeInterrupt();
bool interruptWaiting();  // as takeInterrupt, but leaves the flag set
// Waits until fd has input (or its end, or an error) and returns true, or until a Ctrl-C is
// pending and returns false. SIGINT stays blocked between the look at the flag and the wait, so a
// Ctrl-C that arrives just before the wait still ends it.
bool waitForInput(int fd);
// After a Ctrl-C that stopped work in progress: ends the line the terminal echoed ^C on, or
// prints ^C where input is not a terminal, as a Ctrl-C at a prompt shows.
void showInterrupt();
// The history of command lines lives in $XDG_STATE_HOME/vectrin/history (else
// ~/.local/state/vectrin/history), capped at 1000 lines; text answers are kept for the session
// only. showHistoryOf reads the file once and gives readline the lines of the kind about to be
// read; rememberLine adds a line typed at a terminal to its kind's list, and a command line to
// the file. A file that cannot be read or written costs one notice, no more.
void showHistoryOf(LineKind kind);
void rememberLine(const std::string& line, LineKind kind);

// ---- the terminal beside another source of lines (sharedTerminal.cpp); session thread only ----
// A served session takes lines from a page and from its terminal at once, so the session waits
// for either; the terminal's keys are handed to readline as they come, and its line is edited as
// at the plain terminal (the history of the prompt's kind, Tab completion, Ctrl-L). While the
// line source waits, readline draws the prompt's last line; a line the source gives from
// elsewhere takes the prompt's place (what was typed waits for the next prompt), and text
// printed meanwhile goes above the line being edited.
bool shareTerminal();  // false when standard input is no terminal or readline cannot be loaded
bool terminalDrawsPrompts();
void showTerminalPrompt(const std::string& prompt, LineKind kind);
enum class TerminalKeys { Waiting, Line, End };
// Hands readline the keys standard input holds now, never waiting for more. Line: Enter ended
// the line (kept in the history), given as typed; the keys after it wait for the next prompt.
// End: Ctrl-D on an empty line, or the terminal went away.
TerminalKeys readTerminalKeys(std::string& line);
void interruptTerminalLine();  // Ctrl-C: ^C after the line, which is dropped; the prompt ends
void hideTerminalPrompt();     // a line from elsewhere: the prompt stays, the typing waits
// Around text written to the terminal while the prompt is up (the output channel calls them):
// hide takes the line being edited off the screen (false when it was not on it); show draws it
// again below what was written.
bool hideEditedLine();
void showEditedLine();

// ---- readline, loaded when a terminal first asks for a line (lineEditor.cpp) ----
// Its routines and variables, with their types spelt out so that no other file needs its header.
struct LineEditor {
    static constexpr unsigned long readingCommandKey = 0x8;  // RL_STATE_READCMD
    static constexpr int readError = -2;  // READERR: a key source's answer to a failed read
    char* (*readline)(const char* prompt);
    int (**getcFunction)(FILE*);  // rl_getc_function
    FILE** outStream;
    void (*checkSignals)();
    unsigned long* readlineState;
    char** lineBuffer;
    int* attemptedCompletionOver;
    int* completionAppendCharacter;
    char** (**attemptedCompletionFunction)(const char* text, int start, int end);
    const char** wordBreakCharacters;
    const char** basicQuoteCharacters;
    void (*addHistory)(const char* line);
    int (*appendHistory)(int count, const char* path);
    int (*historyTruncateFile)(const char* path, int lines);
    _hist_entry* (*historyGet)(int offset);
    int* historyBase;
    int* historyLength;
    void (*stifleHistory)(int lines);
    int (*readHistory)(const char* path);
    void (*clearHistory)();
    // the callback interface, which the terminal beside a line source feeds key by key
    void (*callbackHandlerInstall)(const char* prompt, void (*accept)(char* line));
    void (*callbackReadChar)();
    void (*callbackHandlerRemove)();
    void (*replaceLine)(const char* text, int clearUndo);
    int (*insertText)(const char* text);
    void (*redisplay)();
    int (*clearVisibleLine)();
    int (*forcedUpdateDisplay)();
    void (*setScreenSize)(int rows, int columns);
    int* point;
    int* end;
    int* catchSignals;
    int* catchWindowChanges;  // rl_catch_sigwinch
    int* changeEnvironment;   // LINES and COLUMNS
    int (*variableBind)(const char* name, const char* value);
};
// Loads readline on the first call; nullptr, with one notice, when it cannot be loaded (lines
// are then read plainly).
const LineEditor* lineEditor();
const LineEditor* loadedLineEditor();  // nullptr until lineEditor has loaded it
// setUp runs on the editor once it is loaded (at once, when it already is): Tab completion.
void whenLineEditorLoads(void (*setUp)(const LineEditor&));
void releaseHistory();  // frees the history in memory, when readline was loaded

}  // namespace hostsim

#endif
