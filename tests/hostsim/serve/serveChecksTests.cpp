// tests/hostsim/serve/serveChecksTests.cpp - the served session's address, request checks and
// queue, without a server.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "hostsim/serve/serve.h"

namespace {

TEST(ServeChecks, AddressesParse) {
    struct Case {
        int line;
        const char* text;
        bool good;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {__LINE__, "", true, "127.0.0.1", 0},
        {__LINE__, "8080", true, "127.0.0.1", 8080},
        {__LINE__, "0.0.0.0:80", true, "0.0.0.0", 80},
        {__LINE__, "[::1]:9000", true, "::1", 9000},
        {__LINE__, "::1:9000", false, "", 0},  // IPv6 needs brackets
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
    struct Case {
        int line;
        hostsim::RequestFacts request;
        Verdict verdict;
    };
    const Case cases[] = {
        {__LINE__, {"127.0.0.1:8080", "", token}, allowed},
        {__LINE__, {"127.0.0.1:8080", "http://127.0.0.1:8080", token}, allowed},
        {__LINE__, {"127.0.0.1:8080", "", ""}, refused},                     // no token
        {__LINE__, {"127.0.0.1:8080", "", "f" + token.substr(1)}, refused},  // the first digit off
        {__LINE__, {"127.0.0.1:8080", "", token.substr(1) + "0"}, refused},
        {__LINE__, {"127.0.0.1:8080", "", token.substr(0, 31)}, refused},
        {__LINE__, {"127.0.0.1:8080", "", "", true}, allowed},  // the page's own files
        {__LINE__, {"evil.example:8080", "", "", true}, refused},
        {__LINE__, {"evil.example:8080", "", token}, refused},  // rebound DNS name
        {__LINE__, {"localhost:8080", "", token}, refused},
        {__LINE__, {"127.0.0.1:8081", "", token}, refused},
        {__LINE__, {"", "", token}, refused},
        {__LINE__, {"127.0.0.1:8080", "", token, true, 2}, Verdict::malformed},  // a second Host
        {__LINE__, {"127.0.0.1:8080", "http://evil.example", token}, refused},   // cross site
        {__LINE__,
         {"127.0.0.1:8080", "http://127.0.0.1:8080", token, false, 1, 2},  // a second
         Verdict::malformed},                                              // Origin
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
    struct Case {
        int line;
        const char* text;
        bool allowed;
    };
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
    struct Case {
        int line;
        std::string given;
        std::string name;
    };
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
        {__LINE__, std::string(129, 'a'), std::string(128, 'a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.name, hostsim::droppedDrawingName(c.given));
    }
}

// Each item is taken in its turn, a click typed only then: a line ahead of it may answer the
// pick it was aimed at, and the click then answers nothing, rather than run at Command:. The
// session here asks for a point after RAD until a line answers it.
TEST(SessionQueue, TypesAClickWhenItsTurnComes) {
    using std::chrono::milliseconds;
    struct Item {
        char from;
        const char* line;
    };  // 'p'age, 't'erminal; 'c'lick; 'a' task asked and given up at once
    struct Case {
        int line;
        bool pointAsked;
        std::vector<Item> queued;
        const char* ran;
    };
    const Case cases[] = {
        {__LINE__, true, {{'c', ""}}, "35,10,0 as 35,10 from the page|"},
        {__LINE__, true, {{'t', "5,5"}, {'c', ""}}, "5,5|"},  // the terminal answered first
        {__LINE__, true, {{'c', ""}, {'t', "5,5"}}, "35,10,0 as 35,10 from the page|5,5|"},
        {__LINE__,
         false,
         {{'c', ""}, {'p', "RAD"}, {'c', ""}},
         "RAD from the page|35,10,0 as 35,10 from the page|"},
        {__LINE__, false, {{'a', ""}, {'p', "RAD"}}, "RAD from the page|"},  // no one waits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::SessionQueue queue;
        bool pointAsked = c.pointAsked;
        std::string ran, line, echo;
        for (const Item& item : c.queued) {
            if (item.from == 'a')
                queue.ask([&ran] { return ran += "task|"; }, echo, milliseconds(0));
            if (item.from == 't') queue.post(item.line);
            if (item.from == 'p') queue.submit(item.line, milliseconds(0));
            if (item.from == 'c')
                queue.submitClick(
                    [&pointAsked](std::string& line, std::string& echo) {
                        line = "35,10,0";
                        echo = "35,10";
                        return pointAsked;
                    },
                    milliseconds(0));
        }
        queue.post("end");
        bool fromPage = false;
        while (queue.take(line, &echo, &fromPage) && line != "end") {
            ran +=
                line + (echo.empty() ? "" : " as " + echo) + (fromPage ? " from the page|" : "|");
            pointAsked = line == "RAD";
        }
        EXPECT_EQ(c.ran, ran);
    }
}

// A page's line, click or task past the bound is refused at once; the terminal's waits for room.
TEST(SessionQueue, RefusesPastItsBound) {
    using Handed = hostsim::SessionQueue::Handed;
    const std::chrono::milliseconds none(0);
    hostsim::SessionQueue queue;
    for (std::size_t i = 0; i < hostsim::SessionQueue::itemLimit; ++i)
        ASSERT_EQ(Handed::waiting, queue.submit("1", none));
    ASSERT_EQ(Handed::full, queue.submit("1", none));
    EXPECT_EQ(Handed::full,
              queue.submitClick([](std::string&, std::string&) { return true; }, none));
    std::string answer;
    EXPECT_FALSE(queue.ask([] { return "x"; }, answer, none));
    EXPECT_FALSE(queue.postTask([] { return "x"; }));  // a key's task from the terminal
    auto posted = std::async(std::launch::async, [&queue] { return queue.post("typed"); });
    EXPECT_EQ(std::future_status::timeout, posted.wait_for(std::chrono::milliseconds(50)));
    std::string line;
    ASSERT_TRUE(queue.take(line));  // makes room
    EXPECT_TRUE(posted.get());
    queue.close();
    EXPECT_EQ(Handed::ended, queue.submit("1", none));
    EXPECT_FALSE(queue.post("typed"));
}

// Connections waiting for a handler thread: the last place is taken, one more is refused busy
// until a thread takes one.
TEST(HandlerQueue, RefusesPastItsBound) {
    const std::size_t limit = hostsim::HandlerQueue::limit;
    struct Case {
        int line;
        std::size_t entered, taken;
        bool admitted;
    } cases[] = {
        {__LINE__, limit - 1, 0, true}, {__LINE__, limit, 0, false}, {__LINE__, limit, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::HandlerQueue queue;
        for (std::size_t i = 0; i < c.entered; ++i) ASSERT_TRUE(queue.enter());
        for (std::size_t i = 0; i < c.taken; ++i) queue.leave();
        EXPECT_EQ(c.admitted, queue.enter());
    }
}

TEST(SessionQueue, TranscriptKeepsItsTail) {
    hostsim::SessionQueue queue;
    const std::string chunk(hostsim::SessionQueue::transcriptLimit / 2 + 1, 'a');
    queue.record(chunk);
    queue.record(chunk + "b");
    hostsim::SessionQueue::Update tail = queue.transcript({});
    EXPECT_EQ(chunk.size() * 2 + 1, tail.end);
    EXPECT_EQ(hostsim::SessionQueue::transcriptLimit, tail.text.size());
    EXPECT_EQ('b', tail.text.back());
    EXPECT_EQ("b", queue.transcript({tail.end - 1}).text);
    EXPECT_EQ("", queue.transcript({tail.end + 5}).text);
}

// A page waiting for the transcript is answered by new text, at once when it has text it has not
// seen; by the session's coming to rest, a line's text and the state after it in one answer; by
// the session's end; with nothing new, after its wait.
TEST(SessionQueue, TranscriptWaitsEndWithNews) {
    using std::chrono::milliseconds;
    hostsim::SessionQueue queue([](hostsim::SessionQueue::Picture& picture) {
        picture.state = "at Command:";  // the same at each rest: the revision moves all the same
    });
    queue.record("Command: ");
    std::thread session([&queue] {
        std::string line;
        while (queue.take(line)) {
            queue.record(line + "\n");
            std::this_thread::sleep_for(milliseconds(10));  // the line runs
            queue.record("=" + std::to_string(line.size()) + "\nCommand: ");
        }
    });
    auto started = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::steady_clock::now() - started; };
    auto news = [&queue](std::size_t from, std::uint64_t revision, int waitMilliseconds) {
        auto update =
            queue.awaitTranscript({from, revision, 0}, milliseconds(waitMilliseconds), "p");
        hostsim::SessionQueue::Update refused;
        refused.text = "refused";
        return update.value_or(refused);
    };
    hostsim::SessionQueue::Update update = news(0, 0, 5000);
    EXPECT_EQ("Command: ", update.text);
    EXPECT_EQ("at Command:", update.state);
    EXPECT_EQ(1u, update.revision);
    EXPECT_LT(elapsed(), milliseconds(1000));
    EXPECT_EQ("", news(update.end, update.revision, 50).text);
    EXPECT_GE(elapsed(), milliseconds(50));
    queue.post("1+2");
    update = news(update.end, update.revision, 5000);
    EXPECT_EQ("1+2\n=3\nCommand: ", update.text);  // not "1+2\n" alone,
    EXPECT_EQ(2u, update.revision);                // and the session at rest after it
    std::thread terminal([&queue] {
        std::this_thread::sleep_for(milliseconds(50));
        queue.record("notice\n");
    });
    started = std::chrono::steady_clock::now();
    update = news(update.end, update.revision, 5000);
    EXPECT_EQ("notice\n", update.text);
    EXPECT_LT(elapsed(), milliseconds(4000));
    terminal.join();
    std::thread ending([&queue] {
        std::this_thread::sleep_for(milliseconds(50));
        queue.close();
    });
    started = std::chrono::steady_clock::now();
    update = news(update.end, update.revision, 5000);
    EXPECT_TRUE(update.ended);
    EXPECT_LT(elapsed(), milliseconds(4000));
    ending.join();
    session.join();
}

// A page's newer wait ends its older one at once; past the bound on waiting pages a wait is
// refused at once, while the pages already waiting go on waiting.
TEST(SessionQueue, TranscriptWaitsArePerPageAndBounded) {
    using std::chrono::milliseconds;
    hostsim::SessionQueue queue;
    std::vector<std::optional<hostsim::SessionQueue::Update>> texts(
        hostsim::SessionQueue::transcriptWaiters + 1);
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
            texts[i] = queue.awaitTranscript({}, milliseconds(10000), page);
        });
        if (i == 1) {  // the page's second wait ends its first at once
            auto started = std::chrono::steady_clock::now();
            pages[0].join();
            EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(5000));
            EXPECT_EQ("", texts[0] ? texts[0]->text : "refused");
        }
        EXPECT_TRUE(waitsInPlace(page, std::max<std::size_t>(i, 1)));
    }
    EXPECT_FALSE(queue.awaitTranscript({}, milliseconds(10000), "late").has_value());
    queue.record("1\n");
    for (std::size_t i = 1; i < texts.size(); ++i) {
        pages[i].join();
        EXPECT_EQ("1\n", texts[i] ? texts[i]->text : "refused");
    }
}

}  // namespace
