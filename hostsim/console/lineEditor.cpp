// hostsim/console/lineEditor.cpp - readline, loaded when a terminal first asks for a line.
//
// The program does not link readline: a session fed from a file, a pipe or its arguments never
// loads it, nor the terminal library beneath it, and starts that much sooner.
#include <dlfcn.h>
#include <readline/history.h>
#include <readline/readline.h>

#include <string>
#include <type_traits>

#include "hostsim/console/console.h"

#define HOSTSIM_TEXT_OF(x) #x
#define HOSTSIM_TEXT(x) HOSTSIM_TEXT_OF(x)

namespace {

// The library's file name carries its interface version, which the header we compile against
// names; a newer major version could change what these routines mean.
const char readlineFileName[] = "libreadline.so." HOSTSIM_TEXT(RL_VERSION_MAJOR);

// The table in console.h spells readline's types out, so that its users need no readline header;
// these checks keep the two in step.
using hostsim::LineEditor;
static_assert(std::is_same_v<decltype(LineEditor::readline), decltype(&::readline)>);
static_assert(std::is_same_v<decltype(LineEditor::getcFunction), decltype(&::rl_getc_function)>);
static_assert(std::is_same_v<decltype(LineEditor::readlineState), decltype(&::rl_readline_state)>);
static_assert(std::is_same_v<decltype(LineEditor::attemptedCompletionFunction),
                             decltype(&::rl_attempted_completion_function)>);
static_assert(std::is_same_v<decltype(LineEditor::wordBreakCharacters),
                             decltype(&::rl_completer_word_break_characters)>);
static_assert(std::is_same_v<decltype(LineEditor::basicQuoteCharacters),
                             decltype(&::rl_basic_quote_characters)>);
static_assert(std::is_same_v<decltype(LineEditor::historyGet), decltype(&::history_get)>);
static_assert(std::is_same_v<decltype(LineEditor::callbackHandlerInstall),
                             decltype(&::rl_callback_handler_install)>);
static_assert(std::is_same_v<decltype(LineEditor::replaceLine), decltype(&::rl_replace_line)>);
static_assert(std::is_same_v<decltype(LineEditor::setScreenSize), decltype(&::rl_set_screen_size)>);
static_assert(LineEditor::readingCommandKey == RL_STATE_READCMD);
static_assert(LineEditor::readError == READERR);

}  // namespace

// ---- line editor state: the library once loaded, and who waits for it ----
static void* readlineHandle = nullptr;                    // dlopen's handle; null until loaded
static bool loadTried = false;                            // a failure is not tried again
static LineEditor editor = {};                            // its routines, once loaded
static void (*setUpEditor)(const LineEditor&) = nullptr;  // the shell's completion, say

namespace {

template <typename T>
bool findSymbol(const char* name, T& out) {
    out = reinterpret_cast<T>(dlsym(readlineHandle, name));
    return out != nullptr;
}

bool findEverySymbol() {
    return findSymbol("readline", editor.readline) &&
           findSymbol("rl_getc_function", editor.getcFunction) &&
           findSymbol("rl_outstream", editor.outStream) &&
           findSymbol("rl_check_signals", editor.checkSignals) &&
           findSymbol("rl_readline_state", editor.readlineState) &&
           findSymbol("rl_line_buffer", editor.lineBuffer) &&
           findSymbol("rl_attempted_completion_over", editor.attemptedCompletionOver) &&
           findSymbol("rl_completion_append_character", editor.completionAppendCharacter) &&
           findSymbol("rl_attempted_completion_function", editor.attemptedCompletionFunction) &&
           findSymbol("rl_completer_word_break_characters", editor.wordBreakCharacters) &&
           findSymbol("rl_basic_quote_characters", editor.basicQuoteCharacters) &&
           findSymbol("add_history", editor.addHistory) &&
           findSymbol("append_history", editor.appendHistory) &&
           findSymbol("history_truncate_file", editor.historyTruncateFile) &&
           findSymbol("history_get", editor.historyGet) &&
           findSymbol("history_base", editor.historyBase) &&
           findSymbol("history_length", editor.historyLength) &&
           findSymbol("stifle_history", editor.stifleHistory) &&
           findSymbol("read_history", editor.readHistory) &&
           findSymbol("clear_history", editor.clearHistory) &&
           findSymbol("rl_callback_handler_install", editor.callbackHandlerInstall) &&
           findSymbol("rl_callback_read_char", editor.callbackReadChar) &&
           findSymbol("rl_callback_handler_remove", editor.callbackHandlerRemove) &&
           findSymbol("rl_replace_line", editor.replaceLine) &&
           findSymbol("rl_insert_text", editor.insertText) &&
           findSymbol("rl_redisplay", editor.redisplay) &&
           findSymbol("rl_clear_visible_line", editor.clearVisibleLine) &&
           findSymbol("rl_forced_update_display", editor.forcedUpdateDisplay) &&
           findSymbol("rl_set_screen_size", editor.setScreenSize) &&
           findSymbol("rl_point", editor.point) && findSymbol("rl_end", editor.end) &&
           findSymbol("rl_catch_signals", editor.catchSignals) &&
           findSymbol("rl_catch_sigwinch", editor.catchWindowChanges) &&
           findSymbol("rl_change_environment", editor.changeEnvironment) &&
           findSymbol("rl_variable_bind", editor.variableBind);
}

}  // namespace

namespace hostsim {

const LineEditor* lineEditor() {
    if (readlineHandle != nullptr || loadTried)
        return readlineHandle != nullptr ? &editor : nullptr;
    loadTried = true;
    ErrnoGuard keepErrno;
    readlineHandle = dlopen(readlineFileName, RTLD_NOW | RTLD_LOCAL);
    if (readlineHandle == nullptr || !findEverySymbol()) {
        std::string reason = readlineHandle == nullptr ? dlerror() : "a routine is missing";
        if (readlineHandle != nullptr) dlclose(readlineHandle);
        readlineHandle = nullptr;
        printFailure("hostsim: no line editing: " + reason + "\n");
        return nullptr;
    }
    if (setUpEditor != nullptr) setUpEditor(editor);
    return &editor;
}

const LineEditor* loadedLineEditor() { return readlineHandle != nullptr ? &editor : nullptr; }

void whenLineEditorLoads(void (*setUp)(const LineEditor&)) {
    setUpEditor = setUp;
    if (readlineHandle != nullptr && setUp != nullptr) setUp(editor);
}

void releaseHistory() {
    if (readlineHandle != nullptr) editor.clearHistory();
}

}  // namespace hostsim
