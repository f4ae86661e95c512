// tests/messages/writerTests.cpp - the catalogue compiler's source parser, header of names,
// layout checks, append and decoder, and the contents of the English catalogue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "messages/catalogueInternals.h"
#include "messages/messages.h"
#include "tests/messages/catalogueTestSupport.h"
#include "tools/msgc/numbersHeader.h"
#include "tools/msgc/sourceParser.h"
#include "tools/msgc/writer.h"

namespace {

TEST(MessageSource, ReadsEntriesEscapesAndComments) {
    const std::string source =
        "# a comment\n"
        "\n"
        "  23:1 \"Wrong '%s'\"   # trailing comment\n"
        "23:2 tabbed 7 \"tab\\there\\nquote\\\" slash\\\\ byte\\xE9\"\r\n"
        "5:1 9 \"#not a comment\"";
    std::vector<SourceMessage> messages;
    std::string error;
    ASSERT_TRUE(parseMessageSource(source, "m.msg", messages, error)) << error;
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ(23, messages[0].module);
    EXPECT_EQ(1, messages[0].number);
    EXPECT_EQ(-1, messages[0].kind);
    EXPECT_EQ("Wrong '%s'", messages[0].text);
    EXPECT_EQ(3, messages[0].line);
    EXPECT_EQ(7, messages[1].kind);
    EXPECT_EQ("tabbed", messages[1].name);
    EXPECT_EQ("tab\there\nquote\" slash\\ byte\xE9", messages[1].text);
    EXPECT_EQ("#not a comment", messages[2].text);
    EXPECT_EQ(5, messages[2].line);
}

TEST(MessageSource, NamesTheFileAndLineOfABadEntry) {
    struct Case {
        int line;
        const char* entry;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "x:1 \"t\"", "m.msg:2: expected MODULE:NUMBER"},
        {__LINE__, "23 \"t\"", "m.msg:2: expected ':' after the module"},
        {__LINE__, "23: \"t\"", "m.msg:2: expected the message number"},
        {__LINE__, "23:1 5 \"t\"", "m.msg:2: the kind must be 1, 7, 9 or 12"},
        {__LINE__, "23:1 t", "m.msg:2: expected the text in double quotes"},
        {__LINE__, "23:1 \"open", "m.msg:2: the text has no closing double quote"},
        {__LINE__, "23:1 \"bad \\q\"", "m.msg:2: unknown escape"},
        {__LINE__, "23:1 \"bad \\x4\"", "m.msg:2: unknown escape"},
        {__LINE__, "23:1 \"t\" extra", "m.msg:2: unexpected characters after the text"},
        {__LINE__, "23:1 \"caf\xC3\xA9\"", "m.msg:2: only printable ASCII"},
        {__LINE__, "99999999999:1 \"t\"", "m.msg:2: expected MODULE:NUMBER"},
        {__LINE__, "module x", "m.msg:2: expected the module's number"},
        {__LINE__, "module 1", "m.msg:2: expected the module's name"},
        {__LINE__, "1:2 a \"t\"\n1:3 a \"u\"", "m.msg:3: the name a is given twice"},
        {__LINE__, "module 1 a\n1:2 a \"t\"", "m.msg:3: the name a is given twice"},
        {__LINE__, "module 1 a\nmodule 1 b", "m.msg:3: module 1 is named twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<SourceMessage> messages;
        std::string error;
        EXPECT_FALSE(parseMessageSource(std::string("1:1 \"fine\"\n") + c.entry + "\n", "m.msg",
                                        messages, error));
        EXPECT_EQ(0u, error.find(c.want)) << error;
    }
}

// The header is compiled into the module: every name with its number, a comment that stays one
// line, and no header at all when a name is missing.
TEST(NumbersHeader, NamesEveryNumberOrSaysWhichNameIsMissing) {
    struct Case {
        int line;
        const char* source;
        std::vector<std::string> want;  // pieces of the header, or the error alone
    };
    const Case cases[] = {
        {__LINE__,
         "module 7 seven\n7:2 b \"two\"\n7:1 a \"one\\nline\"",
         {"constexpr int seven = 7;\n", "constexpr int a = 1;  // \"one\\nline\"\n",
          "constexpr int b = 2;  // \"two\"\n"}},
        {__LINE__, "module 7 seven\n7:1 \"one\"", {"m.msg:2: message 7:1 has no name"}},
        {__LINE__, "7:1 a \"one\"", {"m.msg:1: module 7 has no name"}},
        {__LINE__, "module 7 seven\nmodule 8 eight\n7:1 a \"x\"", {"m.msg:2: module 8 holds no"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<SourceMessage> messages;
        std::vector<NamedModule> modules;
        std::string header, error;
        ASSERT_TRUE(parseMessageSource(c.source, "m.msg", messages, error, &modules)) << error;
        bool written = writeNumbersHeader(messages, modules, "m.msg", header, error);
        EXPECT_EQ(c.want[0].rfind("m.msg:", 0) != 0, written) << error;
        for (const std::string& piece : c.want)
            EXPECT_NE(std::string::npos, (written ? header : error).find(piece)) << header << error;
    }
}

TEST(CatalogueWriter, RefusesMessagesThatCannotBeLaidOut) {
    auto at = [](int module, int number, std::string text, int line, int kind = -1) {
        SourceMessage m = message(module, number, text, kind);
        m.line = line;
        return m;
    };
    struct Case {
        int line;
        std::vector<SourceMessage> messages;
        int perBlock;
        const char* want;
        int wantLine;
    };
    const Case cases[] = {
        {__LINE__, {at(1, 1, "a", 3), at(1, 3, "c", 4)}, 1, "message 1:2: missing", 4},
        {__LINE__, {at(1, 1, "a", 3), at(1, 1, "b", 7)}, 1, "message 1:1: defined twice", 7},
        {__LINE__, {at(1, 2, "b", 3)}, 1, "message 1:1: missing", 3},
        {__LINE__, {at(1, 0, "a", 5)}, 1, "message 1:0: the number must lie", 5},
        {__LINE__, {at(1, 32768, "a", 5)}, 1, "message 1:32768: the number must lie", 5},
        {__LINE__, {at(-1, 1, "a", 5)}, 1, "message -1:1: the module must lie", 5},
        {__LINE__, {at(1, 1, "a", 5, 3)}, 1, "message 1:1: the kind must be", 5},
        {__LINE__,
         {at(1, 1, std::string("a\0b", 3), 6)},
         1,
         "message 1:1: a text of kind 12 can't hold",
         6},
        {__LINE__,
         {at(1, 1, std::string(32759, 'x'), 8)},
         1,
         "message 1:1: the text is too long",
         8},
        {__LINE__,
         {at(1, 1, std::string(16380, 'x'), 8, 9)},
         1,
         "message 1:1: the text is too long",
         8},
        {__LINE__,
         {at(1, 1, std::string(20000, 'x'), 8), at(1, 2, std::string(20000, 'y'), 9)},
         2,
         "message 1:1: its block is longer than 32767 bytes",
         8},
        {__LINE__, {at(1, 1, "a", 3)}, 0, "messages per block must lie", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueOptions options;
        options.messagesPerBlock = c.perBlock;
        BuiltCatalogue built;
        std::string error;
        int line = -1;
        EXPECT_FALSE(buildCatalogue(c.messages, options, built, error, &line));
        EXPECT_EQ(0u, error.find(c.want)) << error;
        EXPECT_EQ(c.wantLine, line);
    }
    // The longest text that still fits is accepted.
    BuiltCatalogue built;
    std::string error;
    EXPECT_TRUE(
        buildCatalogue({message(1, 1, std::string(32758, 'x'))}, CatalogueOptions(), built, error));
}

TEST(CatalogueWriter, AppendReplacesACatalogueAlreadyThere) {
    const std::string library =
        "\x7f"
        "ELF the module's own code and data";
    std::string path = testDirectory() + "/module.so";
    writeFileBytes(path, std::vector<unsigned char>(library.begin(), library.end()));
    std::string error;
    BuiltCatalogue first, second;
    ASSERT_TRUE(buildCatalogue({message(37, 1, "first text, rather long")}, CatalogueOptions(),
                               first, error));
    ASSERT_TRUE(buildCatalogue({message(37, 1, "second")}, CatalogueOptions(), second, error));
    ASSERT_TRUE(appendCatalogueToFile(path, first.bytes, error)) << error;
    ASSERT_TRUE(appendCatalogueToFile(path, second.bytes, error)) << error;
    std::vector<unsigned char> bytes = readFileBytes(path);
    EXPECT_EQ(library.size() + second.bytes.size() + 7, bytes.size());
    EXPECT_EQ(library.size(), contentSizeBeforeCatalogue(bytes));
    EXPECT_EQ(0, std::memcmp(bytes.data(), library.data(), library.size()));
    capturedErrors().clear();
    ASSERT_EQ(0, openCatalogue(path.c_str(), captureError));
    EXPECT_STREQ("second", getMessage(37, 1));
    closeCatalogue();
    EXPECT_TRUE(capturedErrors().empty());
}

TEST(CatalogueWriter, AppendKeepsBytesThatOnlyLookLikeATrailer) {
    // A file whose last seven bytes happen to form a trailer, with no header before them.
    std::vector<unsigned char> library(400, 'L');
    std::vector<unsigned char> trailer = catalogueTrailer(300);
    library.insert(library.end(), trailer.begin(), trailer.end());
    EXPECT_EQ(library.size(), contentSizeBeforeCatalogue(library));
}

TEST(CatalogueWriter, DecodesWhatItWrites) {
    std::vector<SourceMessage> messages = {message(1, 1, "bytes", 1), message(1, 2, "plain", 7),
                                           message(1, 3, "wide", 9), message(1, 4, "text\n", 12),
                                           message(4, 1, "other module")};
    CatalogueOptions options;
    options.messagesPerBlock = 3;
    CatalogueImage image = makeImage(messages, options);
    DecodedCatalogue decoded;
    std::string error;
    ASSERT_TRUE(decodeCatalogue(image.file, decoded, error)) << error;
    EXPECT_EQ(5, decoded.slotCount);
    EXPECT_EQ((std::vector<int>{-1, 4, -1, -1, 1}), decoded.moduleCounts);
    ASSERT_EQ(messages.size(), decoded.messages.size());
    for (std::size_t i = 0; i < messages.size(); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(messages[i].text, decoded.messages[i].text);
        EXPECT_EQ(messages[i].kind < 0 ? 12 : messages[i].kind, decoded.messages[i].kind);
    }
    std::vector<unsigned char> plain(300, 'p');
    EXPECT_FALSE(decodeCatalogue(plain, decoded, error));
    EXPECT_NE(std::string::npos, error.find("no message catalogue"));
    EXPECT_EQ("\"a\\nb\\t\\\"c\\\\\\x01\\xE9\"", quoteText("a\nb\t\"c\\\x01\xE9"));
}

TEST(CatalogueWriter, NamesTheLanguageItIsGivenInTheHeader) {
    struct Case {
        int line;
        const char* language;
        bool builds;
    };
    const Case cases[] = {
        {__LINE__, "de", true}, {__LINE__, "abcdefgh", true}, {__LINE__, "abcdefghi", false},
        {__LINE__, "", false},  {__LINE__, "d-e", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueOptions options;
        options.language = c.language;
        BuiltCatalogue built;
        std::string error;
        EXPECT_EQ(c.builds, buildCatalogue({message(1, 1, "a")}, options, built, error)) << error;
        if (!c.builds) continue;
        const std::string path = makeImage({message(1, 1, "a")}, options).write("language.so");
        ASSERT_EQ(0, openCatalogue(path.c_str(), captureError));
        EXPECT_STREQ(c.language, catalogueLanguage());
        closeCatalogue();
    }
}

// ---- the English catalogue the build compiles ----

TEST(VectrinCatalogue, HoldsEveryMessageTheModuleAsksFor) {
    capturedErrors().clear();
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    struct Module {
        int line;
        int module;
        int count;
    };
    const Module modules[] = {
        {__LINE__, 23, 65}, {__LINE__, 27, 10}, {__LINE__, 28, 2},
        {__LINE__, 36, 13}, {__LINE__, 37, 5},
    };
    int total = 0;
    for (const Module& m : modules) {
        SCOPED_TRACE(m.line);
        EXPECT_EQ(m.count, catalogueMessageCount(m.module));
        for (int n = 1; n <= m.count; n++) EXPECT_STRNE("", getMessage(m.module, n));
        total += m.count;
    }
    EXPECT_EQ(95, total);
    EXPECT_EQ(95, catalogueHeaderField(3));
    EXPECT_STREQ("Wrong real number '%s'", getMessage(23, 1));
    EXPECT_STREQ("Invalid feet'-inches\" format", getMessage(23, 22));
    EXPECT_STREQ("CVUNIT failed to convert units", getMessage(23, 64));
    EXPECT_STREQ("CALC", getMessage(37, 3));
    EXPECT_STREQ("C:CALC", getMessage(37, 4));
    EXPECT_STREQ("The calculator expression is longer than 131 characters", getMessage(37, 5));
    closeCatalogue();
    EXPECT_TRUE(capturedErrors().empty());
}

// Texts are printf formats: module 23's errors take at most one %s, nothing else takes any.
TEST(VectrinCatalogue, UsesPercentSignsOnlyWhereAFormatExpectsThem) {
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    for (int module = 0; module < catalogueSlotCount(); module++) {
        for (int n = 1; n <= catalogueMessageCount(module); n++) {
            std::string text = getMessage(module, n);
            SCOPED_TRACE(std::to_string(module) + ":" + std::to_string(n) + " " + text);
            int allowed = (module == 23 && n <= 64) ? 1 : 0;
            int found = 0;
            for (std::size_t at = text.find('%'); at != std::string::npos;
                 at = text.find('%', at + 2)) {
                EXPECT_EQ("%s", text.substr(at, 2));
                found++;
            }
            EXPECT_LE(found, allowed);
            if (module == 36) {
                EXPECT_EQ('\n', text.back());
            }
        }
    }
    closeCatalogue();
}

}  // namespace
