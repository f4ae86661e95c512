// hostsim/services/services.h - what the host does for the module behind the kvs_* routines, and
// the host state those routines read and change.
//
// Offers: the output channel (output.cpp); lines typed by the user (input.cpp); the lists and
// texts handed to the module (memory.cpp) and Quillet values as records (records.cpp, with
// kvs_getsym and kvs_putsym); system variables (sysvars.cpp); the user coordinate system,
// kvs_trans, kvs_angle and kvs_inters (transforms.cpp, drawingSystems.cpp); units (units.cpp);
// Ctrl-C and the history file (terminal.cpp);
// the open drawing, its object names, kvs_entget, kvs_entnext and the view (openDrawing.cpp);
// kvs_entsel, kvs_nentsel and kvs_osnap (selection.cpp). Needs: hostsim/quillet's values and
// symbols, hostsim/drawing and hostsim/picking; nothing of the shell.
#ifndef VECTRIN_HOSTSIM_SERVICES_SERVICES_H
#define VECTRIN_HOSTSIM_SERVICES_SERVICES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <string>
#include <vector>

#include "hostsim/drawing/drawing.h"
#include "hostsim/quillet/quillet.h"

namespace hostsim {

// ---- output (output.cpp) ----
// Everything the host and the module print goes through one channel, or a buffer while capture
// is on. Results (values, listings asked for) go to standard output; the conversation (the
// module's text, prompts, echoed answers, notices) goes there too on a terminal, and to standard
// error when standard output is not a terminal, so that it carries the results alone.
void captureOutput(bool on);
std::string takeOutput();  // what was captured since the last call; clears it
void printText(const std::string& text);    // conversation
void printResult(const std::string& text);  // whole lines, each starting a line of its own
std::FILE* conversationStream();            // where printText writes (readline's prompts too)
// The host's own failures (a module that cannot be loaded) go to standard error, never captured.
void printFailure(const std::string& text);
// Flushes standard output; the errno of the first write to it that failed, 0 when none did.
int outputFailure();
void startLine();  // ends the line in progress, if any, so the next text starts a line
void noteLineEnded();  // the line was ended outside the channel (the user's Enter on a terminal)

// ---- Quillet values as records (records.cpp) ----
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
std::vector<std::string> sysvarNames();  // every variable, sorted by name

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

// ---- input: command lines and answers to prompts (input.cpp) ----
// Answers come from standard input: through readline when it is a terminal, else as plain lines,
// each echoed after its prompt. Tests and command-line arguments may put lines ahead of it.
void useInputText(const std::string& text);  // reads from this text instead (tests)
void useStandardInput();
void queueAnswer(const std::string& answer);  // read before any other input, echoed
void clearQueuedAnswers();
// While a SCRIPT runs, its lines answer the prompts of its commands, ahead of standard input;
// a line starting with ';' is a comment, passed over. nullptr ends it; the caller owns the stream.
void useScriptInput(std::istream* script);
bool readScriptLine(std::string& line);  // the script's next command line, not echoed; false at its end
// Prints the prompt and reads one line, without its line end; false at the end of input.
bool readInputLine(const std::string& prompt, std::string& line);
// True when the last readInputLine was ended by Ctrl-C; its line is then empty. A prompt takes
// that as *cancel*; the command line just asks again.
bool inputInterrupted();
// A line from the terminal, a script or an argument in the host's code page 1252: valid UTF-8 is
// converted, anything else kept as written in 1252. False, with a notice printed, when the line
// holds a character that code page 1252 lacks.
bool hostLineFromTerminal(const std::string& typed, std::string& line);
// Reads x,y or x,y,z. False on malformed text.
bool parsePointText(const std::string& text, Point& point);

// ---- the terminal: Ctrl-C and the history (terminal.cpp) ----
// catchInterrupts makes SIGINT set a flag, without SA_RESTART, so that a read in progress ends
// with EINTR; nothing is changed when SIGINT is ignored (false). Calls nest; the last release
// restores the action found. takeInterrupt tells whether one arrived, and clears it.
bool catchInterrupts();
void releaseInterrupts();
bool takeInterrupt();
bool interruptWaiting();  // as takeInterrupt, but leaves the flag set
// The history lives in $XDG_STATE_HOME/vectrin/history (else ~/.local/state/vectrin/history),
// capped at 1000 lines. loadHistory reads it once; rememberLine adds a line typed at a terminal
// and appends it to the file. A file that cannot be read or written costs one notice, no more.
void loadHistory();
void rememberLine(const std::string& line);

// ---- the open drawing (openDrawing.cpp) ----
// Each open replaces the drawing, sets VIEWSIZE to its extents with a margin and leaves
// notices (things read but not drawn, such as a block that inserts itself) for drawingNotices.
bool openDrawingFile(const std::string& path, std::string& error);
bool openDrawingText(const std::string& text, const std::string& fileName, std::string& error);
void openDemoDrawing();
const Drawing& currentDrawing();
const std::vector<std::string>& drawingNotices();
bool objectOfName(const int64_t name[2], int& index);  // false for a name of nothing
void nameOfObject(int index, int64_t name[2]);
// The same for a record's name: ResultBuffer is packed, so its name is read and written by member.
bool objectOfRecord(const ResultBuffer& record, int& index);
void setRecordObject(ResultBuffer& record, int index);
std::string describeRecords(const ResultBuffer* records);  // one record per line, for LIST
void listCommand();  // LIST: asks for a pick and prints the records of the object selected

// ---- the view (openDrawing.cpp) ----
// A plan view of world XY: display X and Y are world X and Y.
double pixelSize();         // VIEWSIZE / SCREENSIZE.y drawing units
void setDefaultViewSize();  // the drawing's extents with a margin

// ---- display and object coordinates (drawingSystems.cpp) ----
// True when a kvs_trans system record names display coordinates or an object; kvs_trans then
// hands the whole call to transformWithDrawing.
bool usesDrawingSystem(const ResultBuffer* from, const ResultBuffer* to);
int transformWithDrawing(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
                         int displacement, double result[3]);

}  // namespace hostsim

#endif
