// adapters/librecad/lineFilter.cpp - which lines typed at LibreCAD's command line the adapter
// takes, the text a value is handed on to LibreCAD as, and the rules the front end keeps on
// that line: the last point, vectrin's own history, the scale of LibreCAD's view.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// LibreCAD submits a line on Space, takes a line with '=' as its own variable and the lowercase
// word cal as its calculator mode. The adapter takes: the whole line while its own prompt waits
// (Space is a blank there, Esc cancels); its command word, vcal, in any case, with or without a
// first answer after it; and a line starting with an apostrophe, 'EXPR, evaluated at once and
// handed to whatever LibreCAD command waits. Everything else stays LibreCAD's. At vectrin's
// prompt, HELP, ? and PRECISION are the front end's words, as at hostsim's Command:, and Up and
// Down walk vectrin's own answers.
#include <algorithm>
#include <cmath>

#include "adapters/librecad/librecad.h"

namespace {

std::string trimBlanks(const std::string& text) {
    return hostsim::trimmed(text, hostsim::commandBlanks);
}

bool isCommandWord(const std::string& word) {
    return hostsim::upperName(word) == hostsim::upperName(librecad::commandWord);
}

librecad::LineDecision decision(librecad::LineAction action, const std::string& text = "") {
    return {action, text};
}

// HELP [NAME], ? [NAME] and PRECISION [N|.N] are words of the front end, unless '=' follows the
// word: "precision = 5" assigns a variable.
librecad::LineDecision decideAnswer(const std::string& line) {
    std::string rest, word = hostsim::upperName(hostsim::firstCommandWord(trimBlanks(line), &rest));
    rest = trimBlanks(rest);
    if (!rest.empty() && rest[0] == '=') return decision(librecad::LineAction::Answer, line);
    if (word == "HELP" || word == "?") return decision(librecad::LineAction::Help, rest);
    if (word == "PRECISION") return decision(librecad::LineAction::Precision, rest);
    return decision(librecad::LineAction::Answer, line);
}

// The prompt of vectrin waits: the line up to Enter is the answer, blanks and '=' included.
librecad::LineDecision decideAtPrompt(librecad::LineKey key, const std::string& line) {
    switch (key) {
        case librecad::LineKey::Enter: return decideAnswer(line);
        case librecad::LineKey::Space: return decision(librecad::LineAction::InsertSpace);
        case librecad::LineKey::Escape: return decision(librecad::LineAction::Cancel);
        case librecad::LineKey::Up: return decision(librecad::LineAction::Earlier);
        case librecad::LineKey::Down: return decision(librecad::LineAction::Later);
    }
    return decision(librecad::LineAction::Pass);
}

// "-0.0000" as "0.0000": LibreCAD shows a coordinate's sign even when nothing else is left.
std::string withoutNegativeZero(const std::string& number) {
    bool zero = number.size() > 1 && number[0] == '-' &&
                number.find_first_not_of("0.", 1) == std::string::npos;
    return zero ? number.substr(1) : number;
}

}  // namespace

namespace librecad {

LineDecision decideLine(const LineState& state, LineKey key, const std::string& line) {
    if (state.promptOpen) return decideAtPrompt(key, line);
    std::string text = trimBlanks(line);
    std::string rest, word = hostsim::firstCommandWord(text, &rest);
    bool transparent = !text.empty() && text[0] == '\'';
    bool ours = transparent || isCommandWord(word);
    if (!ours || key == LineKey::Escape || key == LineKey::Up || key == LineKey::Down)
        return decision(LineAction::Pass);
    // LibreCAD's point input is answering the module: its typed coordinates are LibreCAD's, and
    // the module cannot start a second evaluation inside the one that waits.
    if (state.moduleBusy) return decision(LineAction::Refuse);
    if (transparent) {
        if (key == LineKey::Space) return decision(LineAction::InsertSpace);
        return decision(LineAction::Evaluate, trimBlanks(text.substr(1)));
    }
    // "vcal" and Space start at once, as LibreCAD's commands do; after a first answer has begun,
    // Space is a blank in it.
    if (key == LineKey::Space && !rest.empty()) return decision(LineAction::InsertSpace);
    return decision(LineAction::Start, rest);
}

bool handedOnText(const hostsim::QValue& value, std::string& text) {
    if (value.isPoint()) {
        hostsim::Point p = value.coordinates();
        if (!std::isfinite(p[0]) || !std::isfinite(p[1])) return false;
        text = hostsim::exactNumberText(p[0]) + "," + hostsim::exactNumberText(p[1]);
        return true;
    }
    if (!value.isNumber() || !std::isfinite(value.number())) return false;
    text = hostsim::exactNumberText(value.number());
    return true;
}

std::string shownAsLibrecadShows(const std::string& coordinateDisplay, bool point) {
    const std::string between = " , ";
    std::size_t comma = coordinateDisplay.find(between);
    std::string x = withoutNegativeZero(trimBlanks(coordinateDisplay.substr(0, comma)));
    if (!point || comma == std::string::npos) return x;
    return x + "," +
           withoutNegativeZero(trimBlanks(coordinateDisplay.substr(comma + between.size())));
}

bool mentionsLastPoint(const std::string& answer) {
    return answer.find('@') != std::string::npos ||
           hostsim::upperName(answer).find("LASTPOINT") != std::string::npos;
}

void AnswerHistory::remember(const std::string& answer) {
    startOver();
    if (trimBlanks(answer).empty() || (!answers.empty() && answers.back() == answer)) return;
    if (answers.size() == limit) answers.erase(answers.begin());
    answers.push_back(answer);
    position = answers.size();
}

bool AnswerHistory::earlier(const std::string& current, std::string& shown) {
    if (position == 0) return false;
    if (position == answers.size()) typed = current;
    shown = answers[--position];
    return true;
}

bool AnswerHistory::later(std::string& shown) {
    if (position >= answers.size()) return false;
    ++position;
    shown = position == answers.size() ? typed : answers[position];
    return true;
}

void AnswerHistory::startOver() {
    position = answers.size();
    typed.clear();
}

bool viewPixelsPerUnit(const ViewClick& click, const hostsim::Point& world, double& factor) {
    double acrossX = click.x + click.horizontalScroll;  // pixel x - offsetX
    double acrossY =
        click.height - click.y - click.verticalScroll;  // from the bottom, less offsetY
    if (acrossX == 0 || acrossY == 0 || world[0] == 0 || world[1] == 0) return false;
    double byX = acrossX / world[0], byY = acrossY / world[1];
    if (!(byX > 0) || !std::isfinite(byX) || std::fabs(byX - byY) > 1e-9 * byX) return false;
    factor = byX;
    return true;
}

}  // namespace librecad
