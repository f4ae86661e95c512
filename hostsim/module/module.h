// hostsim/module/module.h - the module in the host: its loading and lifecycle, the functions it
// defines and the host's calls to them, and which module file a language asks for.
//
// Offers: loadModule and the module's lifecycle (moduleLoader.cpp); the functions the module
// defined and calls to them, kvs_defun, kvs_regfunc and the kvs_ret* routines (registry.cpp);
// the module file of a language (language.cpp); a fresh session's state (sessionState.cpp).
// Needs: hostsim/services; nothing of a front end, so that every front end (the shell, another
// host's adapter) loads and calls the module alike.
#ifndef VECTRIN_HOSTSIM_MODULE_MODULE_H
#define VECTRIN_HOSTSIM_MODULE_MODULE_H

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

// ---- the module file of a language (language.cpp) ----
bool isLanguageName(const std::string& language);  // 1 to 8 letters, as "de"
// The language of a locale name: "de" for de_DE.UTF-8; empty for C, POSIX or nothing usable.
std::string localeLanguage(const std::string& locale);
// The language of the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty.
std::string environmentLanguage();
// vectrin.so for English or no language, else vectrin.LANG.so (vectrin.de.so).
std::string moduleFileName(const std::string& language);
// The other way: "en" for vectrin.so, "de" for vectrin.de.so; empty for a file of no language.
std::string languageOfModuleFile(const std::string& fileName);
// The languages whose module files are in the folders, sorted, each once.
std::vector<std::string> moduleLanguages(const std::vector<std::string>& folders);

// ---- the session (sessionState.cpp) ----
// Restores every default (system variables, symbols, world UCS), frees the lists and texts still
// out, clears the marks and connects Quillet to the host's variables and the module's functions.
void resetSessionState();

}  // namespace hostsim

#endif
