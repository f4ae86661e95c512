// tests/messages/translationTests.cpp - every translated catalogue source
// (messages/vectrin.LANG.msg) holds the English source's messages, number for number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/msgc/sourceParser.h"

namespace {

using MessageKey = std::pair<int, int>;  // module, number

std::map<MessageKey, SourceMessage> readSource(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<SourceMessage> messages;
    std::string error;
    EXPECT_TRUE(parseMessageSource(text.str(), path.filename().string(), messages, error)) << error;
    std::map<MessageKey, SourceMessage> byKey;
    for (const SourceMessage& m : messages) byKey[{m.module, m.number}] = m;
    return byKey;
}

std::size_t countOf(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// The line breaks a text starts and ends with: prompts and notices are laid out by them.
std::pair<std::size_t, std::size_t> breaksAround(const std::string& text) {
    std::size_t first = text.find_first_not_of('\n');
    if (first == std::string::npos) return {text.size(), text.size()};
    return {first, text.size() - 1 - text.find_last_not_of('\n')};
}

std::vector<std::filesystem::path> translatedSources() {
    std::vector<std::filesystem::path> sources;
    for (const auto& entry : std::filesystem::directory_iterator(VECTRIN_MESSAGES_DIR)) {
        std::string name = entry.path().filename().string();
        if (name != "vectrin.msg" && name.rfind("vectrin.", 0) == 0 &&
            entry.path().extension() == ".msg")
            sources.push_back(entry.path());
    }
    return sources;
}

TEST(Translations, HoldEveryEnglishMessageWithItsKindPlaceholdersAndLayout) {
    const auto english = readSource(std::filesystem::path(VECTRIN_MESSAGES_DIR) / "vectrin.msg");
    const auto sources = translatedSources();
    ASSERT_FALSE(sources.empty()) << "no translation in " << VECTRIN_MESSAGES_DIR;
    for (const std::filesystem::path& path : sources) {
        SCOPED_TRACE(path.filename().string());
        const auto translated = readSource(path);
        EXPECT_EQ(english.size(), translated.size());
        for (const auto& [key, original] : english) {
            SCOPED_TRACE(std::to_string(key.first) + ":" + std::to_string(key.second));
            auto found = translated.find(key);
            if (found == translated.end()) {
                ADD_FAILURE() << "missing";
                continue;
            }
            const SourceMessage& m = found->second;
            EXPECT_EQ(original.kind, m.kind);
            EXPECT_EQ(countOf(original.text, "%s"), countOf(m.text, "%s"));
            EXPECT_EQ(countOf(m.text, "%s"), countOf(m.text, "%")) << "a % that is not %s";
            EXPECT_EQ(breaksAround(original.text), breaksAround(m.text));
        }
    }
}

}  // namespace
