// hostsim/shell/shell.h - the hostsim program around the other parts: the command line, Tab
// completion and the host session as a whole.
//
// Offers: runCommandLine (commandLine.cpp); resetHostState (hostState.cpp); Tab completion
// (completion.cpp, terminalCompletion.cpp). Needs: hostsim/module (the module's loading and the
// calls to it, whose header this one includes), hostsim/services, hostsim/view and hostsim/help,
// and through them the parts below; hostsim/serve by its header only: the program (main.cpp)
// loads that part at run time, for --serve.
#ifndef VECTRIN_HOSTSIM_SHELL_SHELL_H
#define VECTRIN_HOSTSIM_SHELL_SHELL_H

#include <string>
#include <vector>

#include "hostsim/module/module.h"
#include "hostsim/services/services.h"

namespace hostsim {

// ---- the command line (commandLine.cpp) ----
enum class LineOutcome { Value, NoValue, Quit };
// Runs one command line: a Quillet expression "(...)", a symbol "!name" or a command.
LineOutcome runCommandLine(const std::string& line);
// The same for a line from outside (-c, -e, a script) that is still in the terminal's UTF-8.
LineOutcome runTypedLine(const std::string& typed);
// The same for a line read at Command:. An empty line that a person typed (at a terminal or a
// page, not Ctrl-C) runs the last command again; a script's or a pipe's empty line does nothing.
LineOutcome runPromptedLine(const std::string& line);
// Reads lines at Command: and runs them with runPromptedLine until QUIT or the end of input.
void runCommandPrompt();
// (cal "EXPR"): EXPR in double quotes, its quotes and backslashes escaped.
std::string calculatorCall(const std::string& expression);
std::vector<std::string> hostCommandNames();  // the host's own commands, as the table lists them

// ---- completion (completion.cpp, terminalCompletion.cpp) ----
enum class PromptKind { Command, Expression };  // Command: or any prompt of the module
struct Completion {
    std::size_t start;  // where the word being completed starts in the line
    std::vector<std::string>
        candidates;  // sorted, each replacing the line from start to the cursor
    char append;     // what follows a single candidate: ' ' after a command name, '(' after a
                     // function that takes arguments, else '\0' for nothing
};
// What Tab offers at the cursor: command names at Command:, file names after SVG (.svg) and LOAD
// (.so) and folders, and what HELP explains after HELP; in an expression (a module's prompt, or
// the string of (cal "...") the calculator's functions, Quillet variables and, after GETVAR(,
// system variables. Names match whatever the case typed; file names as typed.
Completion completeInput(const std::string& line, std::size_t cursor, PromptKind prompt);
// Lets readline complete with completeInput: at Command: when a command line is read.
void installCompletion();

// resetSessionState, and the served page's view back at the drawing's extents, picks and snaps
// given their whole time; the marks told which functions give vectors. The program calls it
// before the first command line.
void resetHostState();

}  // namespace hostsim

#endif
