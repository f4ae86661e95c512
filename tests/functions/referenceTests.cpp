// tests/functions/referenceTests.cpp - the host's function reference against the module: the
// same names, listed by group in HELP, and every example giving what its entry says on the demo
// drawing.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "hostsim/help/help.h"
#include "tests/functions/functionsFixture.h"

namespace {

class FunctionReference : public FunctionsTest {
protected:
    void TearDown() override {
        hostsim::clearQueuedAnswers();
        hostsim::useStandardInput();
        FunctionsTest::TearDown();
    }
};

// A value as hostsim prints it: an integer, a real, or a point as a list of three reals.
hostsim::QValue shownValue(const Value& v) {
    if (v.kind == ValueKind::Vector) return hostsim::QValue::point(v.x, v.y, v.z);
    if (v.kind == ValueKind::Integer) return hostsim::QValue::integer(static_cast<int32_t>(v.num));
    return hostsim::QValue::real(v.num);
}

TEST_F(FunctionReference, NamesExactlyTheRegisteredFunctions) {
    std::map<std::string, int> listed;
    for (const hostsim::FunctionReference& entry : hostsim::functionReference())
        listed[entry.name]++;
    for (int i = 0; i < functionTable.count; i++) {
        const char* name = functionTable.entries[i].name;
        EXPECT_EQ(1, listed.count(name) ? listed[name] : 0) << name << " in the reference";
        listed.erase(name);
    }
    for (const auto& [name, count] : listed) {  // only the lexer's keywords may remain
        startLexer(name.c_str());
        bool keyword = token == Token::Pi || token == Token::Getvar || token == Token::Cvunit;
        if (!keyword || count != 1) ADD_FAILURE() << name << " is neither registered nor a keyword";
    }
}

// The listing of HELP and FUNCTIONS: every name once, under its group's title, the names in one
// column, no line wider than 76 characters.
TEST_F(FunctionReference, ListsEveryNameOnceUnderItsGroup) {
    constexpr std::size_t namesColumn = 22, lineWidth = 76;
    std::map<std::string, std::string> shownUnder;  // name -> the title it is listed under
    std::string title;
    std::istringstream lines(hostsim::functionNamesByGroup());
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), lineWidth) << line;
        ASSERT_GT(line.size(), namesColumn) << line;
        EXPECT_TRUE(line[namesColumn - 1] == ' ' && line[namesColumn] != ' ') << line;
        if (line[0] != ' ') title = line.substr(0, line.find(':'));
        std::istringstream names(line.substr(namesColumn));
        for (std::string name; names >> name;)
            EXPECT_TRUE(shownUnder.emplace(name, title).second) << name << " is listed twice";
    }
    for (const hostsim::FunctionReference& entry : hostsim::functionReference())
        EXPECT_EQ(hostsim::functionGroups()[entry.group].title, shownUnder[entry.name])
            << entry.name;
    EXPECT_EQ(hostsim::functionReference().size(), shownUnder.size());
}

TEST_F(FunctionReference, ExamplesGiveTheirResultsOnTheDemoDrawing) {
    hostsim::openDemoDrawing();
    hostsim::useInputText("");  // a prompt the answers do not cover is cancelled
    for (const hostsim::FunctionReference& entry : hostsim::functionReference()) {
        SCOPED_TRACE(entry.name);
        hostsim::setSysvarPoint("LASTPOINT",
                                {0, 0, 0});  // PER and TAN start from it, as a session does
        hostsim::clearQueuedAnswers();
        for (const std::string& answer : hostsim::exampleAnswers(entry))
            hostsim::queueAnswer(answer);
        ErrorCode = 0;
        Value got = eval(entry.example);
        std::string printed = hostsim::takeOutput();
        ASSERT_EQ(0, ErrorCode) << entry.example << " printed:\n" << printed;
        EXPECT_EQ(entry.result, hostsim::formatValue(shownValue(got))) << entry.example;
    }
}

}  // namespace
