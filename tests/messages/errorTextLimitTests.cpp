// tests/messages/errorTextLimitTests.cpp - the library's 256-byte error texts at their limit:
// a path that just fits is quoted whole, one character more is cut, and the closing line feed
// and terminator always stay inside the area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/messages.h"
#include "tests/messages/catalogueTestSupport.h"

namespace {

// The composition area holds 255 characters and the NUL; the line feed takes the last
// character, so the formatted text keeps at most 254.
constexpr std::size_t longestText = 254;

// A path of exactly length characters: the test directory, a slash and a name of p's.
std::string pathOfLength(std::size_t length) {
    std::string directory = testDirectory();
    return directory + "/" + std::string(length - directory.size() - 1, 'p');
}

TEST(ErrorTextLimit, QuotesAPathWholeUpToTheLimitAndCutsOnePast) {
    struct Case {
        int line;
        bool fileExists;     // error 4 for a file that is no catalogue, else error 1
        const char* head;    // the text before the quoted path
        std::size_t excess;  // characters past the longest text that fits whole
    };
    const char* const missing = "MSGKIT : 1 Can't open compiled message file '";
    const char* const notCatalogue = "MSGKIT : 4 Not a regular compiled message file '";
    const Case cases[] = {
        {__LINE__, false, missing, 0},
        {__LINE__, false, missing, 1},
        {__LINE__, true, notCatalogue, 0},
        {__LINE__, true, notCatalogue, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string head = c.head;
        const std::string path = pathOfLength(longestText - head.size() - 1 + c.excess);
        if (c.fileExists) writeFileBytes(path, std::vector<unsigned char>(64, 'x'));
        capturedErrors().clear();
        EXPECT_EQ(-1, openCatalogue(path.c_str(), captureError));
        ASSERT_EQ(1u, capturedErrors().size());
        const std::string whole = head + path + "'";
        const std::string want = c.excess == 0 ? whole : whole.substr(0, longestText);
        EXPECT_EQ(want + "\n", capturedErrors().front());
        std::remove(path.c_str());
    }
    capturedErrors().clear();
}

}  // namespace
