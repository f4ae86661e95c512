// tests/adapters/librecad/lineFilterTests.cpp - what the adapter takes from LibreCAD's command
// line and what it leaves to LibreCAD, and the text a value is handed on as.
// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include "adapters/librecad/librecad.h"

namespace {

using librecad::LineAction;
using librecad::LineKey;

TEST(LineFilter, TakesItsOwnLinesAndLeavesLibrecadsAlone) {
    const librecad::LineState idle{false, false}, prompt{true, true}, busy{false, true};
    struct Case { int line; librecad::LineState state; LineKey key; const char* typed;
                  LineAction want; const char* wantText; };
    const Case cases[] = {
        {__LINE__, idle,   LineKey::Enter,  "vcal",           LineAction::Start,       ""},
        {__LINE__, idle,   LineKey::Enter,  " VCal 1 + 2 ",   LineAction::Start,       "1 + 2"},
        {__LINE__, idle,   LineKey::Space,  "vcal",           LineAction::Start,       ""},
        {__LINE__, idle,   LineKey::Space,  "vcal A",         LineAction::InsertSpace, ""},
        {__LINE__, idle,   LineKey::Enter,  "cal",            LineAction::Pass,        ""},  // LibreCAD's calculator
        {__LINE__, idle,   LineKey::Enter,  "A=2",            LineAction::Pass,        ""},  // LibreCAD's variable
        {__LINE__, idle,   LineKey::Enter,  "vcalc",          LineAction::Pass,        ""},
        {__LINE__, idle,   LineKey::Escape, "vcal",           LineAction::Pass,        ""},
        {__LINE__, idle,   LineKey::Enter,  "'P + [5,5]",     LineAction::Evaluate,    "P + [5,5]"},
        {__LINE__, idle,   LineKey::Space,  "'P",             LineAction::InsertSpace, ""},
        {__LINE__, prompt, LineKey::Enter,  " A = 1 + 2 ",    LineAction::Answer,      " A = 1 + 2 "},
        {__LINE__, prompt, LineKey::Space,  "A",              LineAction::InsertSpace, ""},
        {__LINE__, prompt, LineKey::Escape, "A",              LineAction::Cancel,      ""},
        {__LINE__, prompt, LineKey::Enter,  "vcal",           LineAction::Answer,      "vcal"},
        {__LINE__, busy,   LineKey::Enter,  "10,20",          LineAction::Pass,        ""},  // LibreCAD's point input
        {__LINE__, busy,   LineKey::Space,  "@3,4",           LineAction::Pass,        ""},
        {__LINE__, busy,   LineKey::Enter,  "'P",             LineAction::Refuse,      ""},
        {__LINE__, busy,   LineKey::Space,  "vcal",           LineAction::Refuse,      ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        librecad::LineDecision got = librecad::decideLine(c.state, c.key, c.typed);
        EXPECT_EQ(static_cast<int>(c.want), static_cast<int>(got.action));
        EXPECT_EQ(c.wantText, got.text);
    }
}

TEST(LineFilter, HandsValuesOnAsTextLibrecadReadsBackExactly) {
    struct Case { int line; hostsim::QValue value; bool handed; const char* want; };
    const Case cases[] = {
        {__LINE__, hostsim::QValue::point(25, 10, 0),      true,  "25,10"},
        {__LINE__, hostsim::QValue::point(1.0 / 3, -0.0, 0), true, "0.3333333333333333,0"},
        {__LINE__, hostsim::QValue::real(0.1 + 0.2),       true,  "0.30000000000000004"},
        {__LINE__, hostsim::QValue::real(1e20),            true,  "1e+20"},
        {__LINE__, hostsim::QValue::integer(7),            true,  "7"},
        {__LINE__, hostsim::QValue::textValue("7"),        false, ""},
        {__LINE__, hostsim::QValue::nil(),                 false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string text;
        EXPECT_EQ(c.handed, librecad::handedOnText(c.value, text));
        if (c.handed) {
            EXPECT_EQ(c.want, text);
        }
    }
}

}  // namespace
