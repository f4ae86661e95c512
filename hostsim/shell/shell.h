// hostsim/shell/shell.h - the hostsim program around the other parts: the module's loading and
// the functions it defines, the command line, and the host session as a whole.
//
// Offers: loadModule and the module's lifecycle (moduleLoader.cpp); the functions the module
// defined and calls to them, kvs_defun, kvs_regfunc and the kvs_ret* routines (registry.cpp);
// runCommandLine (commandLine.cpp); resetHostState (session.cpp); the module file of a language
// (language.cpp). Needs: every other part.
#ifndef VECTRIN_HOSTSIM_SHELL_SHELL_H
#define VECTRIN_HOSTSIM_SHELL_SHELL_H

#include <string>
#include <vector>

#include "hostsim/services/services.h"

namespace hostsim {

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
// The names of the module's calculator: CAL and C:CAL, and every name defined to run the same
// handler, such as the localised CALC and C:CALC (BERECHNEN and C:BERECHNEN in German). Sorted;
// empty when no module defined them.
std::vector<std::string> calculatorNames();
void forgetModuleFunctions();  // every name and handler: the module is going away
// Invokes a defined function with these arguments; false, with a message in error, when the
// name is not defined or an argument cannot be passed. result is the call's result (nil when
// the module set none).
bool invokeFunction(const std::string& name, const std::vector<QValue>& arguments, QValue& result,
                    std::string& error);

// ---- the command line (commandLine.cpp) ----
enum class LineOutcome { Value, NoValue, Quit };
// Runs one command line: a Quillet expression "(...)", a symbol "!name" or a command.
LineOutcome runCommandLine(const std::string& line);
// The same for a line from outside (-c, -e, a script) that is still in the terminal's UTF-8.
LineOutcome runTypedLine(const std::string& typed);
std::vector<std::string> hostCommandNames();  // the host's own commands, as the table lists them

// ---- completion (completion.cpp, terminalCompletion.cpp) ----
enum class PromptKind { Command, Expression };  // Command: or any prompt of the module
struct Completion {
    std::size_t start;                    // where the word being completed starts in the line
    std::vector<std::string> candidates;  // sorted, each replacing the line from start to the cursor
    char append;  // what follows a single candidate: ' ' after a command name, '(' after a
                  // function that takes arguments, else '\0' for nothing
};
// What Tab offers at the cursor: command names at Command:, file names after SVG (.svg) and LOAD
// (.so) and folders, and what HELP explains after HELP; in an expression (a module's prompt, or
// the string of (cal "...") the calculator's functions, Quillet variables and, after GETVAR(,
// system variables. Names match whatever the case typed; file names as typed.
Completion completeInput(const std::string& line, std::size_t cursor, PromptKind prompt);
// Lets readline complete with completeInput; the prompt "Command: " is the command line's.
void installCompletion();

// ---- the module file of a language (language.cpp) ----
bool isLanguageName(const std::string& language);  // 1 to 8 letters, as "de"
// The language of a locale name: "de" for de_DE.UTF-8; empty for C, POSIX or nothing usable.
std::string localeLanguage(const std::string& locale);
// The language of the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty.
std::string environmentLanguage();
// vectrin.so for English or no language, else vectrin.LANG.so (vectrin.de.so).
std::string moduleFileName(const std::string& language);

// Restores every default (system variables, symbols, world UCS), frees the lists and texts still
// out, and connects Quillet to the host; the program calls it before the first command line.
void resetHostState();

}  // namespace hostsim

#endif
