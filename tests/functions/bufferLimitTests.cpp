// tests/functions/bufferLimitTests.cpp - the module's fixed buffers at their limit and one past
// it: names and quoted names of 32 characters, unit words, and the 128-character prompts
// composed from catalogue texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/picking.h"
#include "tests/functions/functionsFixture.h"
#include "tools/msgc/writer.h"

namespace {

const std::string name32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456";
const std::string name33 = name32 + "7";
const std::string quoted32 = "a b c d e f g h i j k l m n o p ";  // not an identifier
const std::string quoted33 = quoted32 + "q";

void answerSeven() { callFrame.result = makeInteger(7); }

class BufferLimitTest : public FunctionsTest {};

// An identifier keeps its first 32 characters (a longer one is cut without error); a quoted
// name holds at most 32 and refuses a 33rd. Assignment targets and operands use the same buffer.
TEST_F(BufferLimitTest, NamesKeepThirtyTwoCharacters) {
    struct Case {
        int line;
        std::string statement;
        int error;
        std::string symbol;  // the symbol that holds 5 afterwards, when error is 0
    };
    const Case cases[] = {
        {__LINE__, name32 + "=5", 0, name32},
        {__LINE__, name33 + "=5", 0, name32},
        {__LINE__, "'" + quoted32 + "'=5", 0, "A B C D E F G H I J K L M N O P "},
        {__LINE__, "'" + quoted33 + "'=5", 31, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::resetHostState();
        EXPECT_EQ(c.error, errorOf(c.statement.c_str())) << c.statement;
        if (c.error == 0) {
            EXPECT_EQ(hostsim::QValue::integer(5), hostsim::getSymbol(c.symbol));
        }
    }
}

TEST_F(BufferLimitTest, OperandNamesReachTheSymbolOfTheirFirstThirtyTwoCharacters) {
    hostsim::setSymbol(name32, hostsim::QValue::integer(9));
    hostsim::setSymbol("A B C D E F G H I J K L M N O P ", hostsim::QValue::integer(8));
    struct Case {
        int line;
        std::string text;
        double want;
    };
    const Case cases[] = {
        {__LINE__, name32, 9},
        {__LINE__, name33, 9},
        {__LINE__, name32 + "XYZXYZXYZXYZXYZXYZXYZXYZXYZXYZXYZXYZ", 9},
        {__LINE__, "'" + name32 + "'", 9},
        {__LINE__, "'" + quoted32 + "'+1", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text.c_str());
        ASSERT_EQ(0, ErrorCode) << c.text << hostsim::takeOutput();
        EXPECT_EQ(c.want, v.num);
    }
}

// A function registered under a 32-character name is found by that name and by a longer
// identifier cut to it; 33 characters are refused at registration.
TEST_F(BufferLimitTest, FunctionNamesOfThirtyTwoCharacters) {
    cal_register_function(name32.c_str(), answerSeven);
    ASSERT_EQ(0, ErrorCode);
    cal_register_function(("Z" + name32).c_str(), answerSeven);
    EXPECT_EQ(47, ErrorCode);
    ErrorCode = 0;
    struct Case {
        int line;
        std::string text;
    };
    const Case cases[] = {
        {__LINE__, name32 + "()"},
        {__LINE__, name33 + "()"},
        {__LINE__, "3+" + name33 + "()-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text.c_str());
        ASSERT_EQ(0, ErrorCode) << c.text << hostsim::takeOutput();
        EXPECT_EQ(ValueKind::Integer, v.kind);
        EXPECT_EQ(7, v.num);
    }
}

// CVUNIT joins two words into a unit name for the host: words at and past the limit, plain and
// quoted, must reach the host's refusal (64) or the quoted-name error (31), never an overrun.
TEST_F(BufferLimitTest, UnitWordsAtTheirLimit) {
    struct Case {
        int line;
        std::string text;
        int error;
    };
    const Case cases[] = {
        {__LINE__, "CVUNIT(1," + name33 + " " + name33 + ",inch)", 64},
        {__LINE__, "CVUNIT(1,inch," + name33 + " " + name33 + ")", 64},
        {__LINE__, "CVUNIT(1,'" + quoted32 + "' '" + quoted32 + "',inch)", 64},
        {__LINE__, "CVUNIT(1,'" + quoted33 + "',inch)", 31},
        {__LINE__, "CVUNIT(1,'inch','mm')", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.error, errorOf(c.text.c_str())) << c.text;
    }
}

// head + word + tail into the 128-byte prompt: 127 characters fit whole, one more is cut, and
// nothing is written past the buffer.
TEST(PromptBuffer, ComposesAtTheLimitAndCutsOnePast) {
    struct Case {
        int line;
        std::size_t headLength;
        const char* word;
        const char* tail;
        std::string want;
    };
    const std::string head122(122, 'h');
    const Case cases[] = {
        {__LINE__, 122, "END", ": ", head122 + "END: "},
        {__LINE__, 123, "END", ": ", std::string(123, 'h') + "END:"},
        {__LINE__, 127, nullptr, nullptr, std::string(127, 'h')},
        {__LINE__, 128, "END", ": ", std::string(127, 'h')},
        {__LINE__, 500, "END", ": ", std::string(127, 'h')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string buffer(promptLength + 1, '#');  // one guard byte after the buffer
        composePrompt(&buffer[0], std::string(c.headLength, 'h').c_str(), c.word, c.tail);
        EXPECT_EQ('#', buffer[promptLength]) << "written past the buffer";
        EXPECT_EQ(c.want, std::string(buffer.c_str()));
    }
}

// ---- prompts composed from the catalogue's texts, with a test catalogue ----

// The built catalogue with one text replaced, written to a file of its own.
std::string writeCatalogueWith(int module, int number, const std::string& text) {
    std::vector<unsigned char> file;
    std::FILE* in = std::fopen(VECTRIN_CATALOGUE_PATH, "rb");
    if (in == nullptr) return "";
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in))
        file.push_back(static_cast<unsigned char>(c));
    std::fclose(in);
    DecodedCatalogue decoded;
    std::string error;
    if (!decodeCatalogue(file, decoded, error)) return "";
    for (SourceMessage& m : decoded.messages) {
        if (m.module == module && m.number == number) m.text = text;
    }
    BuiltCatalogue built;
    if (!buildCatalogue(decoded.messages, CatalogueOptions(), built, error)) return "";
    char directory[] = "/tmp/bufferLimitTests.XXXXXX";
    if (mkdtemp(directory) == nullptr) return "";
    std::string path = std::string(directory) + "/long.cat";
    return writeCatalogueFile(path, built.bytes, error) ? path : "";
}

class PromptFromCatalogueTest : public FunctionsTest {
protected:
    void TearDown() override {
        openCatalogue(VECTRIN_CATALOGUE_PATH, failOnCatalogueError);
        FunctionsTest::TearDown();
    }
};

// The snap prompt is 27:9 + mode word + 27:10; the end-point prompt is 27:3 + a pair's name
// (27:6 for ILLE's first line) + ":\n". Each is cut to 127 characters, whatever the texts.
TEST_F(PromptFromCatalogueTest, LongTextsAreCutToTheBuffer) {
    struct Case {
        int line;
        int number;          // the message made long
        std::size_t length;  // its length, a line feed and letters
        const char* statement;
        std::string tail;  // what the prompt ends with after the long text
    };
    // 35 + 90 + 2 and 122 + 3 + 2 are 127: the longest prompts that fit whole.
    const std::string firstEndpoint = "\n>> Select the first end point for ";  // 27:3, 35 long
    const Case cases[] = {
        {__LINE__, 9, 122, "END", "END: "}, {__LINE__, 9, 123, "END", "END:"},
        {__LINE__, 9, 300, "END", ""},  // the text alone, cut to 127
        {__LINE__, 6, 90, "ILLE", ":\n"},   {__LINE__, 6, 91, "ILLE", ":"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string text = "\n" + std::string(c.length - 1, 'w');
        std::string path = writeCatalogueWith(27, c.number, text);
        ASSERT_NE("", path);
        ASSERT_NE(-1, openCatalogue(path.c_str(), failOnCatalogueError));
        hostsim::useInputText("*cancel*\n");
        std::string printed;
        errorOf(c.statement, &printed);
        hostsim::useStandardInput();
        std::string want = (c.number == 6 ? firstEndpoint + text : text) + c.tail;
        want = want.substr(0, promptLength - 1);
        EXPECT_EQ(want + "*cancel*\n", printed);  // the host echoes the answer after the prompt
        std::remove(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    }
}

}  // namespace
