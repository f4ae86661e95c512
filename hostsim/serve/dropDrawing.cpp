// hostsim/serve/dropDrawing.cpp - a drawing dropped on the page: opened from the request's body
// on the session thread, refused with the messages a drawing named by --drawing gets.
#include "hostsim/serve/serve.h"

#include <nlohmann/json.hpp>

#include "hostsim/console/console.h"

namespace {

using Json = nlohmann::json;

constexpr std::size_t droppedNameLimit = 128;  // bytes of the page's file name kept for messages
const char unnamedDrawing[] = "dropped.dxf";

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The name in the host's code page; a character the page cannot have in it becomes '?'.
std::string hostName(const std::string& utf8) {
    std::string converted;
    char32_t missing = 0;
    if (hostsim::cp1252FromUtf8(utf8, converted, missing)) return converted;
    std::string ascii;
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x80)
            ascii += c;
        else if (!isContinuationByte(c))
            ascii += '?';
    }
    return ascii;
}

// A message of the host's own, on a line of its own in the transcript (and at the terminal).
void reportToSession(const std::string& message) {
    hostsim::startLine();
    hostsim::printText("hostsim: " + message + "\n");
}

// The messages came while the session waited at its prompt, which is shown again after them.
void promptAgain() {
    const std::string& prompt = hostsim::waitingPrompt();
    hostsim::printText(
        prompt.substr(prompt.rfind('\n') == std::string::npos ? 0 : prompt.rfind('\n') + 1));
}

std::string refusedJson(const std::string& hostText) {
    return Json{{"refused", hostsim::utf8FromCp1252(hostText)}}.dump(
        -1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

namespace hostsim {

// The page names the file only for the messages: its last part, printable, never opened, so no
// path on this machine can be named from the page.
std::string droppedDrawingName(const std::string& given) {
    std::size_t slash = given.find_last_of("/\\");
    std::string name;
    for (char c : given.substr(slash == std::string::npos ? 0 : slash + 1)) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) name += c;
    }
    if (name.size() > droppedNameLimit) {
        std::size_t cut = droppedNameLimit;
        while (cut > 0 && isContinuationByte(name[cut])) --cut;  // not inside a character
        name.resize(cut);
    }
    return name.empty() ? unnamedDrawing : hostName(name);
}

std::string refuseLargeDrawing(const std::string& name) {
    std::string message = name + ": " + drawingTooLargeText();
    reportToSession(message);
    promptAgain();
    return refusedJson("hostsim: " + message);
}

// A drawing replaced under a pick would mix two drawings in one evaluation, so a pick in
// progress is finished or cancelled first.
std::string openDroppedDrawing(const std::string& text, const std::string& name) {
    if (pointPromptWaiting())
        return refusedJson("Finish or cancel the pick before opening a drawing.");
    std::string error;
    if (!openDrawingText(text, name, error)) {
        reportToSession(error);
        promptAgain();
        return refusedJson("hostsim: " + error);
    }
    for (const std::string& notice : drawingNotices()) reportToSession(notice);
    reportToSession("the drawing " + name + " is open.");
    promptAgain();
    return Json{{"opened", utf8FromCp1252(name)}}.dump(-1, ' ', false,
                                                       Json::error_handler_t::replace);
}

}  // namespace hostsim
