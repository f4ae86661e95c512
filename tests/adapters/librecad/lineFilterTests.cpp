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
    // clang-format off
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
        {__LINE__, prompt, LineKey::Enter,  " help rad ",     LineAction::Help,        "rad"},
        {__LINE__, prompt, LineKey::Enter,  "?",              LineAction::Help,        ""},
        {__LINE__, prompt, LineKey::Enter,  "precision .4",   LineAction::Precision,   ".4"},
        {__LINE__, prompt, LineKey::Enter,  "precision = 5",  LineAction::Answer,      "precision = 5"},
        {__LINE__, prompt, LineKey::Up,     "1+",             LineAction::Earlier,     ""},
        {__LINE__, idle,   LineKey::Up,     "vcal",           LineAction::Pass,        ""},  // LibreCAD's history
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        librecad::LineDecision got = librecad::decideLine(c.state, c.key, c.typed);
        EXPECT_EQ(static_cast<int>(c.want), static_cast<int>(got.action));
        EXPECT_EQ(c.wantText, got.text);
    }
}

TEST(LineFilter, HandsValuesOnAsTextLibrecadReadsBackExactly) {
    struct Case {
        int line;
        hostsim::QValue value;
        bool handed;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, hostsim::QValue::point(25, 10, 0), true, "25,10"},
        {__LINE__, hostsim::QValue::point(1.0 / 3, -0.0, 0), true, "0.3333333333333333,0"},
        {__LINE__, hostsim::QValue::real(0.1 + 0.2), true, "0.30000000000000004"},
        {__LINE__, hostsim::QValue::real(1e20), true, "1e+20"},
        {__LINE__, hostsim::QValue::integer(7), true, "7"},
        {__LINE__, hostsim::QValue::textValue("7"), false, ""},
        {__LINE__, hostsim::QValue::nil(), false, ""},
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

// LibreCAD's coordinate display as the echo of a value handed on; inside a LibreCAD command, an
// answer that reads the last point.
TEST(LineFilter, EchoesAsLibrecadShowsAndKnowsTheLastPointsReaders) {
    // clang-format off
    struct Case { int line; const char* display; bool point; const char* want; };
    const Case cases[] = {
        {__LINE__, "64.6410 , 30.0000",  true,  "64.6410,30.0000"},
        {__LINE__, "-0.0000 , -0.5000",  true,  "0.0000,-0.5000"},
        {__LINE__, "11.0000 , 0.0000",   false, "11.0000"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, librecad::shownAsLibrecadShows(c.display, c.point));
    }
    EXPECT_TRUE(librecad::mentionsLastPoint("[@10,0]"));
    EXPECT_TRUE(librecad::mentionsLastPoint("getvar(lastpoint)"));
    EXPECT_FALSE(librecad::mentionsLastPoint("P+[5,5]"));
}

// Up and Down at vectrin's prompt: U and D in keys, from the line typed; the line shown after.
TEST(LineFilter, WalksVectrinsOwnAnswers) {
    // clang-format off
    struct Case { int line; std::vector<std::string> answers; const char* keys; const char* want; };
    const Case cases[] = {
        {__LINE__, {"1/0", "5/0"}, "U",    "5/0"},
        {__LINE__, {"1/0", "5/0"}, "UUU",  "1/0"},       // no further back than the oldest
        {__LINE__, {"1/0", "5/0"}, "UUD",  "5/0"},
        {__LINE__, {"1/0", "5/0"}, "UD",   "typed"},     // back to the line as it was typed
        {__LINE__, {"A", "B", "B", " "}, "UU", "A"},     // a repeat and a blank are not kept
        {__LINE__, {}, "UD", "typed"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        librecad::AnswerHistory history;
        for (const std::string& answer : c.answers) history.remember(answer);
        std::string shown = "typed";
        for (const char* key = c.keys; *key != '\0'; ++key) {
            std::string next;
            if (*key == 'U' ? history.earlier(shown, next) : history.later(next)) shown = next;
        }
        EXPECT_EQ(c.want, shown);
    }
}

// A click with its view's scroll bars, as LibreCAD 2.2 showed them at 4 pixels a unit.
TEST(LineFilter, ReadsTheViewsScaleFromAClick) {
    // clang-format off
    struct Case { int line; librecad::ViewClick click; hostsim::Point world; bool read; };
    const Case cases[] = {
        {__LINE__, {358, 204, -50, 50, 635}, {77, 95.25, 0},  true},
        {__LINE__, {358, 204, -40, 50, 635}, {77, 95.25, 0},  false},  // a bar held at its end
        {__LINE__, {50, 204, -50, 50, 635},  {0, 95.25, 0},   false},  // on the view's y axis
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double factor = 0;
        EXPECT_EQ(c.read, librecad::viewPixelsPerUnit(c.click, c.world, factor));
        if (c.read) {
            EXPECT_DOUBLE_EQ(4.0, factor);
        }
    }
}

// The words at vectrin's prompt, and the notices in the module's language.
TEST(LineFilter, AnswersHelpAndPrecisionAndSpeaksTheModulesLanguage) {
    hostsim::resetSessionState();
    EXPECT_EQ(0u, librecad::helpText("rad").find("RAD (Picks in the drawing)"));
    EXPECT_EQ(0u, librecad::helpText("").find("vectrin in LibreCAD:"));
    EXPECT_EQ("", librecad::helpText("NOSUCH"));
    EXPECT_EQ("", librecad::precisionAnswer(".4", ""));
    EXPECT_EQ("0.3333", hostsim::formatValue(hostsim::QValue::real(1.0 / 3)));
    EXPECT_NE(std::string::npos, librecad::precisionAnswer("x", "").find("it stays .4"));
    hostsim::setPrintPrecision(15);
    EXPECT_EQ("de", librecad::moduleLanguage("/p/vectrin/vectrin.de.so"));
    EXPECT_EQ("", librecad::moduleLanguage("/p/vectrin/vectrin.so"));
    EXPECT_EQ("", librecad::moduleLanguage("/tmp/my.de.so"));
    EXPECT_EQ("*Abbruch*", librecad::noticeText(librecad::Notice::Cancel, "de"));
    EXPECT_EQ(
        "LibreCAD's command wants a point here, and 11.0 is a number: give a point, as "
        "'[11.0,0] or '[@11.0<0].",
        librecad::noticeText(librecad::Notice::PointWanted, "", {"11.0"}));
}

}  // namespace
