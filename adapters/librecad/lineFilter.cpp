// adapters/librecad/lineFilter.cpp - which lines typed at LibreCAD's command line the adapter
// takes, and the text a value is handed on to LibreCAD as.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// LibreCAD submits a line on Space, takes a line with '=' as its own variable and the lowercase
// word cal as its calculator mode. The adapter takes: the whole line while its own prompt waits
// (Space is a blank there, Esc cancels); its command word, vcal, in any case, with or without a
// first answer after it; and a line starting with an apostrophe, 'EXPR, evaluated at once and
// handed to whatever LibreCAD command waits. Everything else stays LibreCAD's.
#include "adapters/librecad/librecad.h"

#include <cmath>

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

// The prompt of vectrin waits: the line up to Enter is the answer, blanks and '=' included.
librecad::LineDecision decideAtPrompt(librecad::LineKey key, const std::string& line) {
    switch (key) {
        case librecad::LineKey::Enter: return decision(librecad::LineAction::Answer, line);
        case librecad::LineKey::Space: return decision(librecad::LineAction::InsertSpace);
        case librecad::LineKey::Escape: return decision(librecad::LineAction::Cancel);
    }
    return decision(librecad::LineAction::Pass);
}

}  // namespace

namespace librecad {

LineDecision decideLine(const LineState& state, LineKey key, const std::string& line) {
    if (state.promptOpen) return decideAtPrompt(key, line);
    std::string text = trimBlanks(line);
    std::string rest, word = hostsim::firstCommandWord(text, &rest);
    bool transparent = !text.empty() && text[0] == '\'';
    bool ours = transparent || isCommandWord(word);
    if (!ours || key == LineKey::Escape) return decision(LineAction::Pass);
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

}  // namespace librecad
