// tests/hostsim/shell/completionTests.cpp - what Tab offers where, and the host's commands against
// their reference entries.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "hostsim/help/help.h"
#include "hostsim/shell/shell.h"

namespace {

using hostsim::PromptKind;

int calculator() { return 1; }
int other() { return 1; }

class Completion : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::resetHostState();
        // The calculator and its localised names, told apart from other functions by its handler.
        const char* const names[] = {"CAL", "C:CAL", "BERECHNEN", "C:BERECHNEN"};
        for (int code = 0; code < 4; ++code)
            ASSERT_TRUE(kvs_defun(names[code], code) == KVS_RTNORM &&
                        kvs_regfunc(calculator, code) == KVS_RTNORM);
        ASSERT_EQ(KVS_RTNORM, kvs_defun("C:OTHER", 4));  // another command with its own handler
        ASSERT_EQ(KVS_RTNORM, kvs_regfunc(other, 4));
        hostsim::setSymbol("DISTANCE", hostsim::QValue::real(2.0));
        hostsim::setSymbol("MY-VAR", hostsim::QValue::real(1.0));  // no plain name: never offered
    }
    void TearDown() override { hostsim::forgetModuleFunctions(); }
};

// The candidates, and after a single one what Tab puts after it: what the user would see.
std::string joined(const hostsim::Completion& got) {
    std::string text;
    for (const std::string& name : got.candidates) text += (text.empty() ? "" : " ") + name;
    if (got.candidates.size() == 1 && got.append != '\0') text += got.append;
    return text;
}

// A folder of its own for file names: '%' in a row stands for it.
std::string fileFolder() {
    std::string folder = ::testing::TempDir() + "completion" + std::to_string(getpid());
    for (const char* sub : {"", "/plots"}) mkdir((folder + sub).c_str(), 0700);
    for (const char* name :
         {"/plan.svg", "/PLAIN.SVG", "/notes.txt", "/.hidden.svg", "/vectrin.so"})
        std::fclose(std::fopen((folder + name).c_str(), "w"));
    return folder;
}

std::string withFolder(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find('%')) != std::string::npos;) text.replace(at, 1, folder);
    return text;
}

TEST_F(Completion, OffersTheNamesThatFitWhereTheCursorIs) {
    struct Case {
        int line;
        PromptKind prompt;
        const char* text;  // the cursor is at '|'
        std::size_t start;
        const char* want;
    };
    const PromptKind command = PromptKind::Command, expression = PromptKind::Expression;
    const Case cases[] = {
        {__LINE__, command, "LI|", 0, "LIST LISTS"},
        {__LINE__, command, "  ca|", 2, "CAL "},  // the module's command
        {__LINE__, command, "he|", 0, "HELP "},
        {__LINE__, command, "UCS W|", 4, ""},  // only the command's name
        {__LINE__, command, "HELP ro|", 5, "ROT ROUND"},
        {__LINE__, command, "? getv|", 2, "GETVAR"},  // a name to explain
        {__LINE__, command, "HELP ROT r|", 9, ""},
        {__LINE__, command, "SVG %/pl|", 4, "%/plan.svg %/plots/"},  // as typed
        {__LINE__, command, "SVG %/|", 4, "%/PLAIN.SVG %/plan.svg %/plots/"},
        {__LINE__, command, "LOAD %/|", 5, "%/plots/ %/vectrin.so"},
        {__LINE__, command, "!DI|", 1, "DISTANCE"},
        {__LINE__, command, "(cal \"2*SQ|", 8, "SQR SQRT"},
        {__LINE__, command, "(C:berechnen \"[1,2]+di|\")", 20, "DIST DISTANCE"},
        {__LINE__, command, "(c:other \"SI|", 10, ""},  // not the calculator's
        {__LINE__, command, "(cal \"GETVAR(PI|", 13, "PICKBOX"},
        {__LINE__, command, "(cal \"x\") (cal \"RA|", 16, "RAD"},
        {__LINE__, command, "(cal \"x\") RA|", 10, ""},  // outside any string
        {__LINE__, command, "(setq a \"SI|", 10, ""},    // a string, not the calculator's
        {__LINE__, command, "(cal \"a\\\"SI|", 9,
         "SIN("},  // an escaped quote keeps the string open
        {__LINE__, command, "(cal \"ROU|", 6, "ROUND("},
        {__LINE__, command, "(cal \"SI|(30)\")", 6, "SIN"},  // its parenthesis is there
        {__LINE__, expression, "nor|", 0, "NOR"},            // NOR may go without
        {__LINE__, expression, "ve|", 0, "VEC VEC1 VEE VEE1"},
        {__LINE__, expression, "SIN(30)+c|", 8, "CEN COS CUR CVUNIT"},
        {__LINE__, expression, "getvar ( ucs|", 9, "UCSORG UCSXDIR UCSYDIR"},
        {__LINE__, expression, "2*3|", 2, ""},  // a number is no name
        {__LINE__, expression, "MY|", 0, ""},
    };
    const std::string folder = fileFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string text = withFolder(c.text, folder);
        std::size_t cursor = text.find('|');
        text.erase(cursor, 1);
        hostsim::Completion got = hostsim::completeInput(text, cursor, c.prompt);
        EXPECT_EQ(withFolder(c.want, folder), joined(got)) << c.text;
        if (!got.candidates.empty()) {
            EXPECT_EQ(c.start, got.start) << c.text;
        }
    }
    std::filesystem::remove_all(folder);
}

TEST(HostCommands, HaveEachAReferenceEntryAndNoMore) {
    std::set<std::string> run, documented;
    for (const std::string& name : hostsim::hostCommandNames()) run.insert(name);
    for (const hostsim::CommandReference& entry : hostsim::commandReference())
        documented.insert(entry.name);
    EXPECT_EQ(run, documented);
}

}  // namespace
