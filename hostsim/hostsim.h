// hostsim/hostsim.h - the stand-in host's own face: state, values and hooks for the host program and tests.
//
// The module sees the host only through the kvs_* routines of host/kvs.h, which this library
// defines. What is declared here is for the host program itself (command line, Quillet, drawing)
// and for tests: Quillet values, the symbol table, system variables, the user coordinate system,
// the lists handed to the module, and the output channel.
#ifndef VECTRIN_HOSTSIM_HOSTSIM_H
#define VECTRIN_HOSTSIM_HOSTSIM_H

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/kvs.h"

namespace hostsim {

using Point = std::array<double, 3>;

// Every kvs_* routine keeps errno as the module left it: the module reads errno after its own
// arithmetic, and the host's library calls (stdio, readline, udunits2) may set it on the way.
class ErrnoGuard {
public:
    ErrnoGuard() : saved(errno) {}
    ~ErrnoGuard() { errno = saved; }
    ErrnoGuard(const ErrnoGuard&) = delete;
    ErrnoGuard& operator=(const ErrnoGuard&) = delete;

private:
    int saved;
};

// ---- output (output.cpp) ----
// Everything the host and the module print goes through one channel: standard output, or a
// buffer while capture is on.
void captureOutput(bool on);
std::string takeOutput();  // what was captured since the last call; clears it
void printText(const std::string& text);
// The host's own failures (a module that cannot be loaded) go to standard error, never captured.
void printFailure(const std::string& text);
// Flushes standard output; the errno of the first write to it that failed, 0 when none did.
int outputFailure();
void startLine();  // ends the line in progress, if any, so the next text starts a line
void noteLineEnded();  // the line was ended outside the channel (the user's Enter on a terminal)

// ---- Quillet values (qvalue.cpp) ----
// A value as the Quillet interpreter holds it. A point is not a kind of its own: as in Quillet it
// is a list of two or three numbers. An empty list is nil.
struct QValue {
    enum class Kind { Nil, Int, Real, Text, Symbol, Name, List };

    Kind kind = Kind::Nil;
    int32_t intValue = 0;
    double realValue = 0.0;
    std::string text;  // a Text's characters, or a Symbol's upper-case name
    int64_t name[2] = {0, 0};
    std::vector<QValue> items;

    static QValue nil() { return QValue(); }
    static QValue integer(int32_t value);
    static QValue real(double value);
    static QValue textValue(const std::string& value);
    static QValue symbol(const std::string& symbolName);  // kept upper case
    static QValue objectName(int64_t first, int64_t second);
    static QValue list(std::vector<QValue> elements);  // an empty list is nil
    static QValue point(double x, double y, double z);
    static QValue point2(double x, double y);

    bool isNil() const { return kind == Kind::Nil; }
    bool isNumber() const { return kind == Kind::Int || kind == Kind::Real; }
    double number() const { return kind == Kind::Int ? intValue : realValue; }
    bool isPoint() const;  // a list of two or three numbers
    Point coordinates() const;  // of a point; z is 0 for two numbers
};

bool operator==(const QValue& a, const QValue& b);
inline bool operator!=(const QValue& a, const QValue& b) { return !(a == b); }

// Builds a host list (released with kvs_relrb) holding v: an integer as 5003 when it fits 16
// bits, else 5010; a real 5001; a point 5009, or 5002 for two numbers; a text 5005; an object
// name 5006; a symbol (T too) 5022 with its name; nil inside a list 5019; any other list its
// elements between 5016 and 5017, so that its first record never passes for a value of its own.
// Nil gives an empty list (NULL). False, with *list NULL, only when memory runs out.
bool valueToList(const QValue& v, ResultBuffer** list);
// Builds the argument list of a call: one record per argument, a point argument as one point
// record. False, with *list NULL, when an argument is a symbol or a list that is not a point.
bool argumentsToList(const std::vector<QValue>& arguments, ResultBuffer** list);
// Reads a record list from the module: one value (a record, or a list from 5016 to its 5017)
// gives that value, several give a list. Returns false for an unknown type, a text record
// without text, unmatched 5016 or 5017, lists nested deeper than maxQuilletDepth, or a list that
// does not end.
bool listToValue(const ResultBuffer* list, QValue& out);

// ---- lists and texts handed to the module (memory.cpp) ----
// Every list the host hands out comes from allocateList and stays counted until kvs_relrb gives
// it back; every text from allocateText until korv_free.
ResultBuffer* allocateList(std::size_t recordCount);  // zeroed, linked; NULL for 0 records
char* attachText(ResultBuffer* list, const std::string& text);  // freed with the list
char* allocateText(const std::string& text);
std::size_t outstandingLists();
std::size_t outstandingTexts();
void releaseAllLists();  // between module calls only: frees every list and text still out

// ---- Quillet symbols (symbols.cpp) ----
// Names are case-insensitive and kept upper case; a symbol set to nil has no value. T and NIL are
// constants: T's value is T, NIL's is nil, and setSymbol refuses both (false).
bool isConstantSymbol(const std::string& name);
bool setSymbol(const std::string& name, const QValue& value);
QValue getSymbol(const std::string& name);
void clearSymbols();
std::string upperName(const std::string& name);  // upper case for code page 1252

// ---- system variables (sysvars.cpp) ----
// The host's setters take the same types as kvs_setvar. The read-only variables (UCSORG, UCSXDIR,
// UCSYDIR, VIEWDIR) follow the user coordinate system and cannot be set by anyone.
bool setSysvarReal(const std::string& name, double value);
bool setSysvarInt(const std::string& name, int32_t value);
bool setSysvarPoint(const std::string& name, const Point& value);
bool setSysvarText(const std::string& name, const std::string& value);
bool getSysvar(const std::string& name, QValue& out);  // false for an unknown name
int setSysvar(const std::string& name, const QValue& value);  // as kvs_setvar: a status
void resetSysvars();

// ---- user coordinate system (transforms.cpp) ----
struct Ucs {
    Point origin;
    Point xAxis, yAxis, zAxis;  // orthonormal, right-handed, in world coordinates
};
const Ucs& currentUcs();
bool setUcsByPoints(const Point& origin, const Point& pointOnX, const Point& pointInXY);
void setWorldUcs();
Point ucsToWorld(const Point& p, bool displacement);
Point worldToUcs(const Point& p, bool displacement);

// ---- units (units.cpp) ----
// Loads the unit database on first use; false when it cannot be read.
bool unitsAvailable();

// ---- the module (moduleLoader.cpp) ----
// Loads the module file at path (a name without a slash is in the current folder): the exports
// are looked up, the interface version checked, message 1 sent and then message 3. On any
// failure the reason goes to standard error, the module is unloaded and the result is false. A
// module already loaded is unloaded first.
bool loadModule(const std::string& path);
void unloadModule();  // message 2, then the library is closed; nothing when none is loaded
bool moduleLoaded();
bool redefineModuleFunctions();  // message 3 again; false when no module is loaded or it fails
// Sends message 5 for the invocation in progress (the registry sets the function code).
void sendInvokeMessage();
// After a call into the module: unloads it when it asked to stop with hmod_abort.
void finishModuleCall();

// ---- functions the module defined (registry.cpp) ----
struct DefinedFunction {
    std::string name;  // upper case; "C:" starts a command
    int code;
};
bool isFunctionDefined(const std::string& name);
std::vector<DefinedFunction> definedFunctions();  // by name
void forgetModuleFunctions();  // every name and handler: the module is going away
// Invokes a defined function with these arguments; false, with a message in error, when the
// name is not defined or an argument cannot be passed. result is the call's result (nil when
// the module set none).
bool invokeFunction(const std::string& name, const std::vector<QValue>& arguments, QValue& result,
                    std::string& error);

// ---- input: command lines and answers to prompts (input.cpp) ----
// Answers come from standard input: through readline when it is a terminal, else as plain lines,
// each echoed after its prompt. Tests and command-line arguments may put lines ahead of it.
void useInputText(const std::string& text);  // reads from this text instead (tests)
void useStandardInput();
void queueAnswer(const std::string& answer);  // read before any other input, echoed
void clearQueuedAnswers();
// Prints the prompt and reads one line, without its line end; false at the end of input.
bool readInputLine(const std::string& prompt, std::string& line);
// Reads x,y or x,y,z. False on malformed text.
bool parsePointText(const std::string& text, Point& point);

// ---- Quillet (reader.cpp, evaluator.cpp, printer.cpp) ----
constexpr int maxQuilletDepth = 200;  // nesting of lists read and of forms evaluated
// Reads the next expression of text from pos on. Returns false at the end of text (error empty)
// or on malformed text (error set, pos unspecified).
bool readQuillet(const std::string& text, std::size_t& pos, QValue& out, std::string& error);
// Evaluates one form read by readQuillet. False with a one-line message in error.
bool evaluateQuillet(const QValue& form, QValue& out, std::string& error);
void setPrintPrecision(int significantDigits);  // 1 to 17; 15 at start
std::string formatValue(const QValue& value);

// ---- the command line (commandLine.cpp) ----
enum class LineOutcome { Value, NoValue, Quit };
// Runs one command line: a Quillet expression "(...)", a symbol "!name" or a command.
LineOutcome runCommandLine(const std::string& line);

// Restores every default: system variables, symbols, world UCS; frees lists and texts still out.
void resetHostState();

}  // namespace hostsim

#endif
