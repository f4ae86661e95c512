// hostsim/services/input.cpp - lines typed by the user: command lines and answers to the
// module's prompts.
//
// On a terminal, readline edits the line and keeps a history. Otherwise lines are read plainly
// and echoed after their prompt, so that a session fed from a file prints like one typed. Either
// way a line typed in UTF-8 reaches the host in its code page 1252.
#include "hostsim/services/services.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

constexpr int initgetNoNull = 1;  // the answer may not be empty (a point prompt asks again)
const char cancelAnswer[] = "*cancel*";

}  // namespace

// ---- input state: where lines come from, and the prompt options set by kvs_initget ----
static std::deque<std::string> queuedAnswers;        // read first, e.g. the rest of "CAL 1+2"
static std::unique_ptr<std::istringstream> testInput;  // set by useInputText; else stdin
static int pendingInitgetFlags = 0;                  // for the next prompt only

namespace {

bool readTerminalLine(const std::string& prompt, std::string& line) {
    // readline draws only the prompt's last line itself, so that editing redraws it whole.
    std::size_t lastBreak = prompt.rfind('\n');
    std::string head = lastBreak == std::string::npos ? "" : prompt.substr(0, lastBreak + 1);
    std::string tail = lastBreak == std::string::npos ? prompt : prompt.substr(lastBreak + 1);
    hostsim::printText(head);
    hostsim::startLine();
    std::fflush(stdout);
    char* typed = readline(tail.c_str());
    if (typed == nullptr) {
        hostsim::printText("\n");  // end of input leaves the cursor after the prompt
        return false;
    }
    hostsim::noteLineEnded();  // the user's Enter ended the line on the screen
    line = typed;
    if (*typed != '\0') add_history(typed);
    std::free(typed);
    return true;
}

bool readPlainLine(std::istream& in, const std::string& prompt, std::string& line) {
    hostsim::printText(prompt);
    if (!std::getline(in, line)) {
        hostsim::startLine();
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Takes the next line from whichever source is first in line, in the host's code page. A typed
// line with a character the code page lacks is refused with a notice and asked for again.
bool nextLine(const std::string& prompt, std::string& line) {
    if (!queuedAnswers.empty()) {
        line = queuedAnswers.front();
        queuedAnswers.pop_front();
        hostsim::printText(prompt + line + "\n");
        return true;
    }
    for (;;) {
        bool terminal = !testInput && isatty(STDIN_FILENO);
        std::string typed;
        bool read = terminal ? readTerminalLine(prompt, typed)
                             : readPlainLine(testInput ? *testInput : std::cin, prompt, typed);
        if (!read) return false;
        if (hostsim::hostLineFromTerminal(typed, line)) {
            if (!terminal) hostsim::printText(line + "\n");  // echoed: reads like a typed session
            return true;
        }
    }
}

int takeInitgetFlags() {
    int flags = pendingInitgetFlags;
    pendingInitgetFlags = 0;
    return flags;
}

std::string trimBlanks(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parseCoordinate(const std::string& text, double& value) {
    std::string trimmed = trimBlanks(text);
    if (trimmed.empty()) return false;
    char* end = nullptr;
    value = std::strtod(trimmed.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
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

bool readInputLine(const std::string& prompt, std::string& line) { return nextLine(prompt, line); }

bool parsePointText(const std::string& text, Point& point) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ',')) parts.push_back(part);
    if (!text.empty() && text.back() == ',') return false;
    if (parts.size() < 2 || parts.size() > 3) return false;
    Point p = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!parseCoordinate(parts[i], p[i])) return false;
    point = p;
    return true;
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
        if (!hostsim::readInputLine(promptText, answer) || answer == cancelAnswer) return KVS_RTCAN;
        if (!allowBlanks) answer = answer.substr(0, answer.find_first_of(" \t"));
        if (answer.size() <= textSize - 1) {
            std::memcpy(text, answer.c_str(), answer.size() + 1);
            return KVS_RTNORM;
        }
        hostsim::printText("The answer is longer than " + std::to_string(textSize - 1) +
                           " characters; please enter a shorter one.\n");
    }
}

// The answer is x,y or x,y,z in the current user coordinate system, and so is the point returned.
extern "C" int kvs_getpoint(const double* basePoint, const char* prompt, double point[3]) {
    hostsim::ErrnoGuard keepErrno;
    (void)basePoint;  // no rubber band to draw without a screen
    bool emptyRefused = (takeInitgetFlags() & initgetNoNull) != 0;
    if (point == nullptr) return KVS_RTERROR;
    const std::string promptText = prompt != nullptr ? prompt : "";
    for (;;) {
        std::string answer;
        if (!hostsim::readInputLine(promptText, answer)) return KVS_RTCAN;
        answer = trimBlanks(answer);
        if (answer == cancelAnswer || (answer.empty() && !emptyRefused)) return KVS_RTCAN;
        hostsim::Point p;
        if (hostsim::parsePointText(answer, p)) {
            std::memcpy(point, p.data(), sizeof p);
            return KVS_RTNORM;
        }
        hostsim::printText("Enter a point as x,y or x,y,z.\n");
    }
}
