// tests/functions/functionListTests.cpp - the README's list of named functions against the
// function table: each group's names, in the table's order.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hostsim/help/help.h"
#include "tests/functions/functionsFixture.h"

namespace {

std::string readSourceFile(const char* relativePath) {
    std::ifstream in(std::string(VECTRIN_SOURCE_DIR) + "/" + relativePath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The runs in backquotes of the README paragraph that starts "Named functions:", blanks folded.
std::vector<std::string> readmeLists() {
    std::string readme = readSourceFile("README.md");
    size_t start = readme.find("\nNamed functions:");
    if (start == std::string::npos) return {};
    std::string paragraph = readme.substr(start, readme.find("\n\n", start) - start);
    std::vector<std::string> lists;
    bool quoted = false;
    for (char c : paragraph) {
        if (c == '`') {
            quoted = !quoted;
            if (quoted) lists.emplace_back();
        } else if (quoted && !std::isspace(static_cast<unsigned char>(c))) {
            lists.back() += c;
        } else if (quoted && !lists.back().empty() && lists.back().back() != ' ') {
            lists.back() += ' ';
        }
    }
    return lists;
}

class FunctionLists : public FunctionsTest {};

TEST_F(FunctionLists, TheReadmeNamesEveryFunctionInItsGroup) {
    std::vector<std::string> want(hostsim::functionGroups().size());
    for (int i = 0; i < functionTable.count; i++) {
        const char* name = functionTable.entries[i].name;
        const hostsim::FunctionReference* entry = hostsim::findFunctionReference(name);
        ASSERT_NE(nullptr, entry) << name << " has no help";
        want[entry->group] += (want[entry->group].empty() ? "" : " ") + std::string(name);
    }
    std::vector<std::string> lists = readmeLists();
    for (std::size_t group = 0; group < want.size(); ++group) {
        if (want[group].empty()) continue;  // the keywords' group: no registered function
        EXPECT_EQ(want[group], group < lists.size() ? lists[group] : "")
            << "README.md, the paragraph \"Named functions:\": its list number " << group + 1
            << ", of the group " << hostsim::functionGroups()[group].title << ", should read `"
            << want[group] << "`";
    }
}

}  // namespace
