// tests/hostsim/serve/serveChecksTests.cpp - the served session's address, request checks and
// queue, without a server.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "hostsim/serve/serve.h"

namespace {

TEST(ServeChecks, AddressesParse) {
    struct Case { int line; const char* text; bool good; const char* host; int port; };
    const Case cases[] = {
        {__LINE__, "", true, "127.0.0.1", 0},
        {__LINE__, "8080", true, "127.0.0.1", 8080},
        {__LINE__, "0.0.0.0:80", true, "0.0.0.0", 80},
        {__LINE__, "[::1]:9000", true, "::1", 9000},
        {__LINE__, "::1:9000", false, "", 0},      // IPv6 needs brackets
        {__LINE__, ":80", false, "", 0},
        {__LINE__, "host:", false, "", 0},
        {__LINE__, "65536", false, "", 0},
        {__LINE__, "-1", false, "", 0},
        {__LINE__, "80x", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::ServeAddress address;
        ASSERT_EQ(c.good, hostsim::parseServeAddress(c.text, address));
        if (!c.good) continue;
        EXPECT_EQ(c.host, address.host);
        EXPECT_EQ(c.port, address.port);
    }
    EXPECT_EQ("[::1]:9000", hostsim::hostHeaderOf("::1", 9000));
}

TEST(ServeChecks, TokensAreFreshHex) {
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        std::string token = hostsim::newSessionToken();
        EXPECT_EQ(32u, token.size());
        EXPECT_EQ(std::string::npos, token.find_first_not_of("0123456789abcdef"));
        seen.insert(token);
    }
    EXPECT_EQ(20u, seen.size());
}

TEST(ServeChecks, RequestsNeedTokenHostAndOrigin) {
    const hostsim::ServedSite site{"127.0.0.1:8080", "0123456789abcdef0123456789abcdef"};
    const std::string token = site.token;
    using Verdict = hostsim::RequestVerdict;
    const Verdict allowed = Verdict::allowed, refused = Verdict::refused;
    struct Case { int line; hostsim::RequestFacts request; Verdict verdict; };
    const Case cases[] = {
        {__LINE__, {"127.0.0.1:8080", "", token}, allowed},
        {__LINE__, {"127.0.0.1:8080", "http://127.0.0.1:8080", token}, allowed},
        {__LINE__, {"127.0.0.1:8080", "", ""}, refused},                 // no token
        {__LINE__, {"127.0.0.1:8080", "", "f" + token.substr(1)}, refused},  // the first digit off
        {__LINE__, {"127.0.0.1:8080", "", token.substr(1) + "0"}, refused},
        {__LINE__, {"127.0.0.1:8080", "", token.substr(0, 31)}, refused},
        {__LINE__, {"127.0.0.1:8080", "", "", true}, allowed},           // the page's own files
        {__LINE__, {"evil.example:8080", "", "", true}, refused},
        {__LINE__, {"evil.example:8080", "", token}, refused},           // rebound DNS name
        {__LINE__, {"localhost:8080", "", token}, refused},
        {__LINE__, {"127.0.0.1:8081", "", token}, refused},
        {__LINE__, {"", "", token}, refused},
        {__LINE__, {"127.0.0.1:8080", "", token, true, 2}, Verdict::malformed},  // a second Host
        {__LINE__, {"127.0.0.1:8080", "http://evil.example", token}, refused},   // cross site
        {__LINE__, {"127.0.0.1:8080", "http://127.0.0.1:8080", token, false, 1, 2},  // a second
         Verdict::malformed},                                                            // Origin
        {__LINE__, {"127.0.0.1:8080", "http://evil.example", "", true}, refused},
        {__LINE__, {"127.0.0.1:8080", "null", token}, refused},
        {__LINE__, {"127.0.0.1:8080", "https://127.0.0.1:8080", token}, refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.verdict, hostsim::checkRequest(c.request, site));
    }
    EXPECT_EQ(refused, hostsim::checkRequest({"127.0.0.1:8080", "", ""}, {"127.0.0.1:8080", ""}));
}

TEST(ServeChecks, PageLinesThatLoadCodeOrTouchFilesAreRefused) {
    struct Case { int line; const char* text; bool allowed; };
    const Case cases[] = {
        {__LINE__, "LOAD /tmp/evil.so", false},
        {__LINE__, "  load x.so", false},
        {__LINE__, "UNLOAD", false},
        {__LINE__, "unload\t", false},
        {__LINE__, "SVG FILE /etc/passwd", false},
        {__LINE__, "\rSVG /tmp/x.svg", false},  // a line end is a blank to the command line
        {__LINE__, "CAL 1\x7f", false},
        {__LINE__, "CAL\t1+2", true},
        {__LINE__, "(cal \"6/2\")", true},
        {__LINE__, "CAL", true},
        {__LINE__, "LOADS", true},
        {__LINE__, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string reason;
        EXPECT_EQ(c.allowed, hostsim::lineAllowedFromPage(c.text, reason));
        EXPECT_EQ(c.allowed, reason.empty());
    }
}

// A dropped file's name only labels messages: its last part, printable, cut, in code page 1252.
TEST(ServeChecks, DroppedDrawingNamesAreLabelsNotPaths) {
    struct Case { int line; std::string given; std::string name; };
    const Case cases[] = {
        {__LINE__, "plan.dxf", "plan.dxf"},
        {__LINE__, "/etc/passwd", "passwd"},
        {__LINE__, "C:\\work\\..\\plan.dxf", "plan.dxf"},
        {__LINE__, "a\nb\x7f.dxf", "ab.dxf"},
        {__LINE__, "", "dropped.dxf"},
        {__LINE__, "dir/", "dropped.dxf"},
        {__LINE__, "H\xc3\xb6he.dxf", "H\xf6he.dxf"},
        {__LINE__, "\xe2\x88\x9a.dxf", "?.dxf"},  // no such character in code page 1252
        {__LINE__, std::string(127, 'a') + "\xc3\xb6", std::string(127, 'a')},  // not cut inside
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.name, hostsim::droppedDrawingName(c.given));
    }
}

// The session thread answers each line with what it printed up to its next take; a line posted
// without a waiter is run in its turn; closing releases a waiter.
TEST(SessionQueue, RepliesCarryWhatTheSessionPrinted) {
    hostsim::SessionQueue queue;
    queue.record("Command: ");
    std::thread session([&queue] {
        std::string line;
        while (queue.take(line)) {
            if (line == "stop") break;
            queue.record(line + "\n=" + std::to_string(line.size()) + "\nCommand: ");
        }
        queue.close();
    });
    std::string printed;
    const std::chrono::seconds wait(10);
    ASSERT_TRUE(queue.submit("abc", printed, wait));
    EXPECT_EQ("abc\n=3\nCommand: ", printed);
    queue.post("xy");
    ASSERT_TRUE(queue.submit("z", printed, wait));
    EXPECT_EQ("z\n=1\nCommand: ", printed);
    ASSERT_TRUE(queue.submit("stop", printed, wait));
    EXPECT_EQ("", printed);
    session.join();
    EXPECT_FALSE(queue.submit("late", printed, wait));
    std::size_t end = 0;
    EXPECT_EQ("Command: abc\n=3\nCommand: xy\n=2\nCommand: z\n=1\nCommand: ",
              queue.transcript(0, end));
    EXPECT_EQ("z\n=1\nCommand: ", queue.transcript(end - 14, end));
    EXPECT_EQ("", queue.transcript(end + 5, end));
}

TEST(SessionQueue, TranscriptKeepsItsTail) {
    hostsim::SessionQueue queue;
    const std::string chunk(hostsim::SessionQueue::transcriptLimit / 2 + 1, 'a');
    queue.record(chunk);
    queue.record(chunk + "b");
    std::size_t end = 0;
    std::string tail = queue.transcript(0, end);
    EXPECT_EQ(chunk.size() * 2 + 1, end);
    EXPECT_EQ(hostsim::SessionQueue::transcriptLimit, tail.size());
    EXPECT_EQ('b', tail.back());
}

// A page waiting for the transcript is answered by new text from any thread, at once when it
// has text it has not seen, and by the session's end; with nothing new, after its wait.
TEST(SessionQueue, TranscriptWaitsEndWithNewTextOrTheSession) {
    using std::chrono::milliseconds;
    hostsim::SessionQueue queue;
    queue.record("Command: ");
    std::size_t end = 0;
    auto started = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::steady_clock::now() - started; };
    EXPECT_EQ("Command: ", queue.awaitTranscript(0, end, milliseconds(5000), "page").value_or("refused"));
    EXPECT_LT(elapsed(), milliseconds(1000));
    EXPECT_EQ("", queue.awaitTranscript(end, end, milliseconds(50), "page").value_or("refused"));
    EXPECT_GE(elapsed(), milliseconds(50));
    std::thread terminal([&queue] {
        std::this_thread::sleep_for(milliseconds(50));
        queue.record("1+2\n3\n");
    });
    started = std::chrono::steady_clock::now();
    EXPECT_EQ("1+2\n3\n", queue.awaitTranscript(end, end, milliseconds(5000), "page").value_or("refused"));
    EXPECT_LT(elapsed(), milliseconds(4000));
    terminal.join();
    std::thread ending([&queue] {
        std::this_thread::sleep_for(milliseconds(50));
        queue.close();
    });
    started = std::chrono::steady_clock::now();
    EXPECT_EQ("", queue.awaitTranscript(end, end, milliseconds(5000), "page").value_or("refused"));
    EXPECT_LT(elapsed(), milliseconds(4000));
    ending.join();
}

// A page's newer wait ends its older one at once; past the bound on waiting pages a wait is
// refused at once, while the pages already waiting go on waiting.
TEST(SessionQueue, TranscriptWaitsArePerPageAndBounded) {
    using std::chrono::milliseconds;
    hostsim::SessionQueue queue;
    std::vector<std::optional<std::string>> texts(hostsim::SessionQueue::transcriptWaiters + 1);
    std::vector<std::thread> pages;
    // Each wait is in place before the next starts, so the order is the one written here.
    auto waitsInPlace = [&queue](const std::string& page, std::size_t count) {
        for (int tries = 0; tries < 2000; ++tries) {
            bool pageWaits = false;
            if (queue.transcriptWaits(page, pageWaits) == count && pageWaits) return true;
            std::this_thread::sleep_for(milliseconds(5));
        }
        return false;
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string page = std::to_string(i == 1 ? 0 : i);  // the first two waits are one page's
        pages.emplace_back([&queue, &texts, i, page] {
            std::size_t end = 0;
            texts[i] = queue.awaitTranscript(0, end, milliseconds(10000), page);
        });
        if (i == 1) {  // the page's second wait ends its first at once
            auto started = std::chrono::steady_clock::now();
            pages[0].join();
            EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(5000));
            EXPECT_EQ("", texts[0].value_or("refused"));
        }
        EXPECT_TRUE(waitsInPlace(page, std::max<std::size_t>(i, 1)));
    }
    std::size_t end = 0;
    EXPECT_FALSE(queue.awaitTranscript(0, end, milliseconds(10000), "late").has_value());
    queue.record("1\n");
    for (std::size_t i = 1; i < texts.size(); ++i) {
        pages[i].join();
        EXPECT_EQ("1\n", texts[i].value_or("refused"));
    }
}

}  // namespace
