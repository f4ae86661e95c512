// tests/functions/functionListTests.cpp - the lists that repeat the function table (the README's
// named functions, the expression fuzzer's dictionary) name every registered function, once.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/functions/functionsFixture.h"

namespace {

typedef std::map<std::string, int> NameCounts;

std::string readSourceFile(const char* relativePath) {
    std::ifstream in(std::string(VECTRIN_SOURCE_DIR) + "/" + relativePath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The words in backquotes of the README paragraph that starts "Named functions:".
NameCounts readmeNames() {
    std::string readme = readSourceFile("README.md");
    size_t start = readme.find("\nNamed functions:");
    if (start == std::string::npos) return {};
    std::string paragraph = readme.substr(start, readme.find("\n\n", start) - start);
    NameCounts names;
    bool quoted = false;
    std::string word;
    for (char c : paragraph + " ") {
        if (quoted && c != '`' && !std::isspace(static_cast<unsigned char>(c))) {
            word += c;
            continue;
        }
        if (!word.empty()) names[word]++;
        word.clear();
        if (c == '`') quoted = !quoted;
    }
    return names;
}

// The quoted entries of the dictionary's section headed "# ---- every name of the function
// table", up to the next comment.
NameCounts dictionaryNames(const char* relativePath) {
    std::istringstream lines(readSourceFile(relativePath));
    NameCounts names;
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '#') {
            if (inSection) break;
            inSection = line.rfind("# ---- every name of the function table", 0) == 0;
        } else if (inSection && line.size() >= 2 && line.front() == '"' && line.back() == '"') {
            names[line.substr(1, line.size() - 2)]++;
        }
    }
    return names;
}

class FunctionLists : public FunctionsTest {};

TEST_F(FunctionLists, NameEveryFunctionOfTheTableOnce) {
    NameCounts registered;
    for (int i = 0; i < functionTable.count; i++) registered[functionTable.entries[i].name]++;
    ASSERT_EQ(61u, registered.size());
    struct Case {
        int line;
        const char* list;
        NameCounts names;
    };
    const Case cases[] = {
        {__LINE__, "README.md", readmeNames()},
        {__LINE__, "fuzz/expression.dict", dictionaryNames("fuzz/expression.dict")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        for (const auto& [name, count] : registered) {
            EXPECT_EQ(1, c.names.count(name) ? c.names.at(name) : 0) << name << " in " << c.list;
        }
        for (const auto& [name, count] : c.names) {
            EXPECT_EQ(1u, registered.count(name)) << c.list << " names " << name;
        }
    }
}

}  // namespace
