// hostsim/serve/pageInput.cpp - what the page's command line asks of the host: the lines typed in
// this session, for Up and Down, and Tab's completion, the terminal's own.
#include "hostsim/serve/serve.h"

#include <nlohmann/json.hpp>

// ---- the session's lines, newest last; session thread only ----
static std::deque<std::string> sessionLines;

namespace hostsim {

// A pick's answer is a point for this pick alone: walking back through them would only hide the
// commands and expressions a user means to run again. The console tells which lines are kept,
// as it does for the terminal's history.
void rememberSessionLine(const std::string& line) {
    std::string kept = trimmed(line, commandBlanks);
    if (!keptInHistory(waitingLineKind()) || kept.empty() || kept == "*cancel*") return;
    if (!sessionLines.empty() && sessionLines.back() == kept) return;
    if (sessionLines.size() == historyLimit) sessionLines.pop_front();
    sessionLines.push_back(kept);
}

std::string historyJson() {
    nlohmann::json lines = nlohmann::json::array();
    for (const std::string& line : sessionLines) lines.push_back(line);
    return nlohmann::json{{"lines", lines}}.dump(-1, ' ', false,
                                                 nlohmann::json::error_handler_t::replace);
}

// The page may not run LOAD, UNLOAD or SVG, so it is offered nothing after them (file names
// least of all), nor those names themselves: a candidate is offered only when the line it makes
// is one the page may run. The word replaced is ASCII, so its length is the same in the page's
// characters.
std::string completionJson(const CompleteLine& complete, const std::string& before) {
    nlohmann::json answer = {
        {"replace", 0}, {"candidates", nlohmann::json::array()}, {"append", ""}};
    std::string reason;
    if (!complete || !lineAllowedFromPage(before, reason)) return answer.dump();
    PageCompletion completion = complete(before, waitingLineKind() == LineKind::Command);
    if (completion.start > before.size()) return answer.dump();
    answer["replace"] = before.size() - completion.start;
    std::vector<std::string> offered;
    for (const std::string& name : completion.candidates)
        if (lineAllowedFromPage(before.substr(0, completion.start) + name, reason))
            offered.push_back(name);
    answer["candidates"] = offered;
    answer["append"] = offered.size() == completion.candidates.size() ? completion.append : "";
    if (offered.size() == 1 && completion.candidates.size() > 1) {  // what follows it, alone
        std::string completed = before.substr(0, completion.start) + offered[0];
        answer["append"] = complete(completed, waitingLineKind() == LineKind::Command).append;
    }
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace hostsim
