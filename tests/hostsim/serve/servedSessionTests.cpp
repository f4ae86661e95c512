// tests/hostsim/serve/servedSessionTests.cpp - the real server on a free loopback port with the
// real module, driven by HTTP requests as the page makes them.
//
// Its own binary: it exports the kvs_* routines for the module, as hostsim does.
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "hostsim/serve/serve.h"
#include "hostsim/shell/shell.h"

namespace {

using Json = nlohmann::json;

struct Reply {
    int status;
    std::string body;
    httplib::Headers headers;
};

class ServedSession : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::resetHostState();
        hostsim::openDemoDrawing();
        hostsim::captureOutput(true);  // the page's transcript still sees every text
        ASSERT_TRUE(hostsim::loadModule(VECTRIN_MODULE_PATH));
        std::promise<std::string> announced;
        session = std::thread([this, &announced] {
            std::string error;
            hostsim::ServeOptions options;
            options.complete = [](const std::string& before, bool atCommand) {  // as the program's
                hostsim::Completion c = hostsim::completeInput(
                    before, before.size(),
                    atCommand ? hostsim::PromptKind::Command : hostsim::PromptKind::Expression);
                return hostsim::PageCompletion{c.start, c.candidates,
                                               c.append != '\0' ? std::string(1, c.append) : ""};
            };
            bool served = hostsim::serveSession(
                options, [] { hostsim::runCommandPrompt(); },
                [&announced](const std::string& url) { announced.set_value(url); }, error);
            if (!served) announced.set_value("");
        });
        url = announced.get_future().get();
        ASSERT_NE("", url);
        std::size_t tokenAt = url.find("token=");
        token = url.substr(tokenAt + 6);
        hostHeader = url.substr(7, url.find('/', 7) - 7);
        port = std::stoi(hostHeader.substr(hostHeader.rfind(':') + 1));
    }
    void TearDown() override {
        if (session.joinable()) {
            post("/line", "QUIT");
            session.join();
        }
        hostsim::unloadModule();
        hostsim::captureOutput(false);
        hostsim::takeOutput();
        hostsim::resetHostState();
    }
    // Requests carry the token as the page sends it, unless headers give that header.
    httplib::Client client() {
        httplib::Client made("127.0.0.1", port);
        made.set_default_headers({{hostsim::tokenHeaderName, token}});
        return made;
    }
    Reply post(const std::string& path, const std::string& line,
               const httplib::Headers& headers = {}) {
        auto result =
            client().Post(path.c_str(), headers, Json{{"line", line}}.dump(), "application/json");
        return result ? Reply{result->status, result->body, result->headers} : Reply{0, "", {}};
    }
    Reply postJson(const std::string& path, const Json& body) {
        auto result = client().Post(path.c_str(), body.dump(), "application/json");
        return result ? Reply{result->status, result->body, result->headers} : Reply{0, "", {}};
    }
    Reply get(const std::string& path, const httplib::Headers& headers = {}) {
        auto result = client().Get(path.c_str(), headers);
        return result ? Reply{result->status, result->body, result->headers} : Reply{0, "", {}};
    }
    // A line or click posted as the page posts it; once taken, the body is what the session
    // printed for it, read from the transcript as the page reads it, up to its next rest.
    Reply run(const std::string& line) { return ran("/line", Json{{"line", line}}); }
    Reply ran(const std::string& path, const Json& body) {
        Json seen = Json::parse(get("/transcript?from=999999999999999").body);
        auto result = client().Post(path.c_str(), body.dump(), "application/json");
        Reply reply =
            result ? Reply{result->status, result->body, result->headers} : Reply{0, "", {}};
        if (reply.status != 200) return reply;
        reply.body.clear();
        for (const std::uint64_t rested = seen["revision"]; seen["revision"] == rested;) {
            Reply news = get("/transcript?wait=1&from=" + seen["end"].dump() + "&state=" +
                             seen["revision"].dump() + "&marks=" + seen["marksRevision"].dump());
            if (news.status != 200)
                news = get("/transcript?from=" + seen["end"].dump());  // no wait free
            seen = Json::parse(news.body);
            reply.body += seen["text"].get<std::string>();
            if (seen["ended"]) break;
        }
        return reply;
    }
    // A raw connection that sends bytes and no more.
    int connectAndSend(const std::string& bytes) const {
        int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{
            AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return socket;
    }
    // The status line's first 12 bytes ("HTTP/1.1 200") of the reply within wait, else "".
    static std::string replyStatus(int socket, int waitMilliseconds) {
        char status[12];
        bool read =
            poll(std::array<pollfd, 1>{{{socket, POLLIN, 0}}}.data(), 1, waitMilliseconds) > 0 &&
            recv(socket, status, sizeof status, MSG_WAITALL) == sizeof status;
        return read ? std::string(status, sizeof status) : "";
    }
    // Whether the server closed the connection within wait, whatever it answered first.
    static bool closedWithin(int socket, int waitMilliseconds) {
        char bytes[4096];
        for (pollfd polled{socket, POLLIN, 0}; poll(&polled, 1, waitMilliseconds) > 0;)
            if (recv(socket, bytes, sizeof bytes, MSG_DONTWAIT) <= 0) return true;
        return false;
    }

    std::thread session;
    std::string url, token, hostHeader;
    int port = 0;
};

TEST_F(ServedSession, RefusesWhatThePageMayNotDoAndRunsTheRest) {
    struct Case {
        int line;
        const char* what;
        Reply reply;
        int status;
        const char* shown;
    };
    const std::string badFirst = (token[0] == '0' ? "1" : "0") + token.substr(1);
    const std::string portText = std::to_string(port);
    const httplib::Headers noToken = {{hostsim::tokenHeaderName, ""}};
    const Case cases[] = {
        {__LINE__, "no token", get("/transcript", noToken), 403, "not allowed"},
        {__LINE__, "first digit off", get("/transcript", {{hostsim::tokenHeaderName, badFirst}}),
         403, "not allowed"},
        {__LINE__, "cookie",
         get("/transcript", {{hostsim::tokenHeaderName, ""}, {"Cookie", "vectrin_token=" + token}}),
         403, "not allowed"},
        {__LINE__, "bad Host", get("/", {{"Host", "evil.example:" + portText}}), 403,
         "not allowed"},
        {__LINE__, "two Hosts",
         get("/", {{"Host", "127.0.0.1:" + portText}, {"Host", "evil.example"}}), 400, "malformed"},
        {__LINE__, "cross Origin",
         post("/line", "(cal \"1\")", {{"Origin", "http://evil.example"}}), 403, "not allowed"},
        {__LINE__, "two Origins",
         post("/line", "(cal \"1\")",
              {{"Origin", "http://" + hostHeader}, {"Origin", "http://evil.example"}}),
         400, "malformed"},
        {__LINE__, "no LOAD offered", post("/complete", "LO"), 200, R"("candidates":[])"},
        {__LINE__, "nor SVG", post("/complete", "SV"), 200, R"("candidates":[])"},
        {__LINE__, "UCS and its blank", post("/complete", "U"), 200,
         R"({"append":" ","candidates":["UCS"],"replace":1})"},
        {__LINE__, "SCREENSIZE bound", run("(setvar \"SCREENSIZE\" (list 1e7 1e7))"), 200,
         "each side takes 1 to 100000 pixels"},
        {__LINE__, "Range ignored",
         get("/", {{hostsim::tokenHeaderName, ""}, {"Range", "bytes=0-,0-"}}), 200, "commandLine"},
        {__LINE__, "LOAD", post("/line", "LOAD /tmp/x.so"), 403, "LOAD is not available"},
        {__LINE__, "a line not text", postJson("/line", {{"line", 5}}), 400, "needs a line"},
        {__LINE__, "CR SVG", post("/line", "\rSVG /tmp/x.svg"), 403, "control character (U+000D)"},
        {__LINE__, "no such path", get("/etc/passwd"), 404, ""},
        {__LINE__, "the page", get("/", noToken), 200, "commandLine"},
        {__LINE__, "a line", run("(cal \"1+2\")"), 200, "\n3\n"},
        {__LINE__, "again", run("(cal \"1+2\")"), 200, "\n3\n"},
        {__LINE__, "a pick", run("(cal \"RAD\")"), 200, "radius: "},
        {__LINE__, "its answer", run("35,10"), 200, "5.0"},
        {__LINE__, "a command", run("CAL 2+3"), 200, "\n5\n"},
        {__LINE__, "Enter repeats it", run(""), 200, "CAL\n\n>> Expression: "},
        {__LINE__, "which then asks", run("4*5"), 200, "\n20\n"},
        {__LINE__, "a module prompt", run("CAL"), 200, ">> Expression: "},
        {__LINE__, "cancelled", run("*cancel*"), 200, "Command: "},
        {__LINE__, "a line kept once", get("/history"), 200,
         R"x(1e7 1e7))","(cal \"1+2\")","(cal \"RAD\")",)x"},
        {__LINE__, "a cancel not kept", get("/history"), 200, R"x(,"CAL"]})x"},
    };
    const std::pair<const char*, const char*> everyReply[] = {
        // a header, part of its value
        {"X-Frame-Options", "DENY"},
        {"Content-Security-Policy", "frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.status, c.reply.status);
        EXPECT_NE(std::string::npos, c.reply.body.find(c.shown)) << c.reply.body;
        for (const auto& [name, value] : everyReply) {
            auto header = c.reply.headers.find(name);
            EXPECT_TRUE(header != c.reply.headers.end() &&
                        header->second.find(value) != std::string::npos)
                << name;
        }
        EXPECT_EQ(0u, c.reply.headers.count("Set-Cookie"));
    }
    Reply transcript = get("/transcript?from=0");
    EXPECT_NE(std::string::npos, transcript.body.find("(cal \\\"1+2\\\")\\n3\\n"))
        << transcript.body;
    EXPECT_EQ(std::string::npos, transcript.body.find("LOAD")) << transcript.body;
}

// The demo's circle and first line, and its point, as the page draws them; the page's view sets
// what PICKBOX pixels measure.
TEST_F(ServedSession, ListsTheDrawingAndTakesThePagesView) {
    Reply listed = get("/drawing");
    ASSERT_EQ(200, listed.status);
    httplib::Client client = this->client();  // uncompressed: brotli takes seconds per MB
    auto brotli = client.Get("/drawing", {{"Accept-Encoding", "br, gzip"}});
    ASSERT_TRUE(brotli);
    EXPECT_EQ("", brotli->get_header_value("Content-Encoding"));
    Json drawing = Json::parse(listed.body);
    ASSERT_EQ(1u, drawing["groups"].size());  // the demo is all in the foreground colour
    EXPECT_EQ(Json(nullptr), drawing["groups"][0]["colour"]);
    EXPECT_EQ(Json::array({0.0, -8.0}),
              Json::array({drawing["extents"][0], drawing["extents"][1]}));
    drawing = drawing["groups"][0];
    const Json circle = Json::array({30.0, 10.0, 5.0, 0.0, 0.0, 5.0, 0.0, 2 * M_PI});
    EXPECT_EQ(circle, drawing["curves"][0]);
    EXPECT_EQ(
        Json::array({0.0, 0.0, 20.0, 0.0}),
        Json(std::vector<double>(drawing["segments"].begin(), drawing["segments"].begin() + 4)));
    EXPECT_EQ(Json::array({60.0, 0.0}), drawing["nodes"]);  // the point; no insertion marks
    ASSERT_EQ(1u, drawing["texts"].size());  // the text by its line, height 2 along world X
    const Json& text = drawing["texts"][0];
    EXPECT_EQ(Json::array({0.0, -8.0, 2.0, 0.0, 0.0, 2.0}),
              Json(std::vector<double>(text.begin(), text.begin() + 6)));
    EXPECT_EQ("vectrin demo", text[7]);
    // The binary form: a head, then the arrays its counts size, each padded to 8 bytes; the
    // blocks' boxes after each kind that has them; the texts' strings last.
    std::string packed = get("/drawing.bin").body;
    std::uint32_t headLength = 0;
    ASSERT_GE(packed.size(), 4u);
    std::memcpy(&headLength, packed.data(), 4);
    const Json head = Json::parse(packed.substr(4, headLength))["groups"][0];
    const Json& counts = head["counts"];
    EXPECT_EQ(drawing["segments"].size() / 4, counts["segments"]);
    std::size_t s = counts["segments"], c = counts["curves"], stride = counts["curveStride"],
                p = counts["polylines"], n = counts["nodes"], t = counts["texts"];
    std::size_t end = 4 + headLength, others = std::size_t{counts["polylinePoints"]} - p;
    auto blocks = [](std::size_t count) { return (count + 63) / 64 * 32; };
    for (std::size_t bytes : {16 * s, 8 * s, blocks(s), 16 * c, 4 * stride * c, blocks(c), 4 * p,
                              16 * p, 8 * others, 16 * n, 16 * t, 20 * t, blocks(t), 4 * t + 4})
        end = (end + 7) / 8 * 8 + bytes;
    end = (end + 7) / 8 * 8;
    EXPECT_EQ("vectrin demo", packed.substr(end, counts["textBytes"]));
    EXPECT_EQ((end + std::size_t{counts["textBytes"]} + 7) / 8 * 8, packed.size());
    struct Case {
        int line;
        const char* body;
        int status;
        const char* viewSize;
    };
    const Case cases[] = {
        {__LINE__, R"({"viewHeight": 40, "screen": [800, 600]})", 200, "\n40.0\n"},
        {__LINE__, R"({"viewHeight": -1, "screen": [800, 600]})", 200, "\n40.0\n"},  // kept
        {__LINE__, R"({"viewHeight": 10, "screen": [0, 600]})", 200, "\n40.0\n"},
        {__LINE__, R"({"viewHeight": "10", "screen": [800, 600]})", 400, "\n40.0\n"},
        {__LINE__, R"({"viewHeight": 12.5, "screen": [1000, 500]})", 200, "\n12.5\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto result = client.Post("/view", c.body, "application/json");
        ASSERT_TRUE(result);
        EXPECT_EQ(c.status, result->status);
        EXPECT_NE(std::string::npos, run("(getvar \"VIEWSIZE\")").body.find(c.viewSize));
    }
    EXPECT_NE(std::string::npos, run("(getvar \"SCREENSIZE\")").body.find("(1000.0 500.0)"));
}

// Each object in its look: colour 256 (or none) is the layer's, 0 the holding reference's, 7 the
// foreground (null), 420 a true colour; a layer that is off or frozen is not drawn, nor the
// inside of a reference that is invisible or on a frozen layer. Rows: a line's start x, its
// colour and dashes.
TEST_F(ServedSession, DrawsObjectsInTheLookTheirLayersGive) {
    auto line = [](int x, const std::string& groups) {
        return "0\nLINE\n" + groups + "10\n" + std::to_string(x) + "\n20\n0\n11\n" +
               std::to_string(x) + "\n21\n5\n";
    };
    auto layer = [](const char* name, const char* colour, const char* flags, const char* extra) {
        return std::string("0\nLAYER\n2\n") + name + "\n70\n" + flags + "\n62\n" + colour +
               "\n6\nCONTINUOUS\n" + extra;
    };
    std::string text =
        "0\nSECTION\n2\nHEADER\n9\n$LTSCALE\n40\n2\n0\nENDSEC\n0\nSECTION\n2\nTABLES\n"
        "0\nTABLE\n2\nLTYPE\n0\nLTYPE\n2\nDASHED\n73\n2\n49\n0.5\n49\n-0.25\n0\nENDTAB\n"
        "0\nTABLE\n2\nLAYER\n" +
        layer("RED", "1", "0", "") + layer("OFF", "-3", "0", "") + layer("ICE", "5", "1", "") +
        layer("DASH", "4", "0", "6\ndashed\n") + layer("TRUE", "1", "0", "420\n1193046\n") +
        "0\nENDTAB\n0\nENDSEC\n"
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" +
        line(0, "8\n0\n62\n0\n") + "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" +
        line(1, "8\nRED\n") + line(2, "8\nRED\n62\n256\n") + line(3, "8\nOFF\n") +
        line(4, "8\nICE\n") + line(5, "8\nRED\n62\n7\n") + line(6, "8\nRED\n420\n65280\n") +
        line(7, "8\nDASH\n") + line(8, "8\nDASH\n6\nCONTINUOUS\n") + line(9, "8\nTRUE\n") +
        line(10, "8\nRED\n62\n0\n") + line(11, "8\nNOWHERE\n62\n30\n") + line(12, "62\n250\n") +
        "0\nINSERT\n8\nDASH\n62\n3\n2\nB\n10\n20\n20\n0\n" +
        "0\nINSERT\n8\nICE\n2\nB\n10\n30\n20\n0\n" + "0\nINSERT\n60\n1\n2\nB\n10\n40\n20\n0\n" +
        "0\nENDSEC\n0\nEOF\n";
    auto opened = client().Post("/open?name=looks.dxf", text, "application/octet-stream");
    ASSERT_TRUE(opened);
    ASSERT_EQ(200, opened->status) << opened->body;
    std::map<double, std::pair<Json, Json>> lookOf;  // start x -> colour, dashes
    const Json drawing = Json::parse(get("/drawing").body);
    for (const Json& group : drawing["groups"])
        for (std::size_t i = 0; i < group["segments"].size(); i += 4)
            lookOf[group["segments"][i].get<double>()] = {group["colour"], group["dashes"]};
    const Json dashed = Json::array({1.0, -0.5}), solid = Json::array();
    struct Case {
        int line;
        double x;
        bool drawn;
        Json colour;
        Json dashes;
    };
    const Case cases[] = {
        {__LINE__, 1, true, "#ff0000", solid},    // BYLAYER
        {__LINE__, 2, true, "#ff0000", solid},    // 256
        {__LINE__, 3, false, nullptr, solid},     // layer off
        {__LINE__, 4, false, nullptr, solid},     // layer frozen
        {__LINE__, 5, true, nullptr, solid},      // 7: the foreground
        {__LINE__, 6, true, "#00ff00", solid},    // true colour
        {__LINE__, 7, true, "#00ffff", dashed},   // the layer's linetype, at $LTSCALE 2
        {__LINE__, 8, true, "#00ffff", solid},    // its own
        {__LINE__, 9, true, "#123456", solid},    // the layer's true colour
        {__LINE__, 10, true, nullptr, solid},     // BYBLOCK outside a block
        {__LINE__, 11, true, "#ff7f00", solid},   // ACI 30; an unlisted layer is drawn
        {__LINE__, 12, true, "#333333", solid},   // ACI 250, the darkest grey
        {__LINE__, 20, true, "#00ff00", dashed},  // in a reference: its colour, its layer's dashes
        {__LINE__, 30, false, nullptr, solid},    // in a reference on a frozen layer
        {__LINE__, 40, false, nullptr, solid},    // in an invisible reference
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto found = lookOf.find(c.x);
        ASSERT_EQ(c.drawn, found != lookOf.end());
        if (!c.drawn) continue;
        EXPECT_EQ(c.colour, found->second.first);
        EXPECT_EQ(c.dashes, found->second.second);
    }
}

// While RAD waits for its pick, the page learns so, sees what a pick would select, and a click
// answers as the point typed there; at the command line a click answers nothing.
TEST_F(ServedSession, ClicksAnswerPickPrompts) {
    EXPECT_NE(std::string::npos, get("/state").body.find("\"pointPrompt\":false"));
    EXPECT_NE(std::string::npos, get("/state").body.find("\"coordinateDecimals\":4"));
    EXPECT_EQ(409, postJson("/pick", {{"x", 35.0}, {"y", 10.0}}).status);
    // A hover shows the object a click there selects and, when the prompt names a snap mode,
    // the point it snaps to; nothing at Command:.
    get("/drawing");  // read at its first use, which sets its own view
    ASSERT_EQ(200, postJson("/view", {{"viewHeight", 100}, {"screen", {1000, 1000}}}).status);
    struct Hover {
        int line;
        std::vector<const char*> lines;
        double x, y;
        const char* shows;
        Json snap;
    };
    const Json end = {{"mode", "END"}, {"value", "(20.0 0.0 0.0)"}, {"x", 20.0}, {"y", 0.0}};
    const Hover hovers[] = {
        {__LINE__, {}, 35.05, 10, "{}", nullptr},  // at Command:
        {__LINE__, {"(cal \"END\")"}, 19.9, 0.1, R"("segments":[0.0,0.0,20.0,0.0])", end},
        {__LINE__,
         {"*cancel*", "(cal \"RAD\")"},
         35.05,
         10,
         R"("curves":[[30.0,10.0,5.0,0.0,0.0,5.0,0.0,6.283185307179586]])",
         nullptr},
        {__LINE__, {}, 100, 100, R"("object":-1)", nullptr},
    };
    for (const Hover& h : hovers) {
        SCOPED_TRACE(h.line);
        for (const char* line : h.lines) run(line);
        Reply hover = postJson("/preview", {{"x", h.x}, {"y", h.y}});
        EXPECT_NE(std::string::npos, hover.body.find(h.shows)) << hover.body;
        EXPECT_EQ(h.snap, Json::parse(hover.body).value("snap", Json())) << hover.body;
    }
    EXPECT_NE(std::string::npos, get("/state").body.find("\"pointPrompt\":true"));
    EXPECT_EQ(400, postJson("/pick", {{"x", "35"}, {"y", 10.0}}).status);
    EXPECT_NE(std::string::npos, get("/state").body.find("\"prompt\":\">> Select a circle"));
    Reply picked = ran("/pick", {{"x", 35.000000000000014}, {"y", 10.0}});  // sent exactly,
    EXPECT_EQ(200, picked.status);                                          // shown rounded,
    EXPECT_EQ(0u, picked.body.find("35.0000,10.0000,0.0000\n5.0\n"))
        << picked.body;  // at the drawing's places
}

// A point result and RAD's pick are marked; clearing needs the token as everything else; the
// view downloads as SVG with the marks, centred where the page put its view.
TEST_F(ServedSession, MarksResultsAndPicksAndClearsThem) {
    post("/line", "(cal \"P1=[33,16]\")");
    post("/line", "(cal \"RAD\")");
    post("/line", "35,10");
    Json marks = Json::parse(get("/marks").body)["marks"];
    const Json want = Json::array({
        {{"kind", "result"},
         {"x", 33.0},
         {"y", 16.0},
         {"label", "P1 = (33.0 16.0 0.0)"},
         {"value", "[33,16,0]"}},
        {{"kind", "pick"}, {"x", 35.0}, {"y", 10.0}},
        {{"kind", "value"}, {"x", 0.0}, {"y", 0.0}, {"label", "RAD = 5.0"}, {"value", "5.0"}},
    });
    EXPECT_EQ(want, marks);
    // The page learns them with the session's news, and once.
    Json news = Json::parse(get("/transcript?from=999999999999999&marks=0").body);
    EXPECT_EQ(want, news["marks"]);
    std::string again = "/transcript?from=999999999999999&marks=" + news["marksRevision"].dump();
    EXPECT_FALSE(Json::parse(get(again).body).contains("marks"));
    httplib::Client client = this->client();
    auto view =
        client.Post("/view", R"({"viewHeight": 10, "screen": [200, 100], "center": [33, 16]})",
                    "application/json");
    ASSERT_TRUE(view);
    auto svg = client.Get("/view.svg");
    ASSERT_TRUE(svg);
    EXPECT_EQ("image/svg+xml; charset=utf-8", svg->get_header_value("Content-Type"));
    EXPECT_EQ("", svg->get_header_value("Content-Encoding"));
    EXPECT_NE(std::string::npos, svg->get_header_value("Content-Disposition").find("attachment"));
    EXPECT_NE(std::string::npos, svg->body.find("viewBox=\"23 -21 20 10\""));
    EXPECT_NE(std::string::npos, svg->body.find(">P1 = (33.0 16.0 0.0)</text>"));
    auto refused =
        client.Post("/marks/clear", {{hostsim::tokenHeaderName, ""}}, "", "application/json");
    ASSERT_TRUE(refused);
    EXPECT_EQ(403, refused->status);
    EXPECT_EQ(3u, Json::parse(get("/marks").body)["marks"].size());
    auto cleared = client.Post("/marks/clear", "", "application/json");
    ASSERT_TRUE(cleared);
    EXPECT_EQ(200, cleared->status);
    EXPECT_EQ(Json::parse(R"({"marks": []})"), Json::parse(get("/marks").body));
}

TEST_F(ServedSession, LimitsRequestBodies) {
    EXPECT_EQ(413, post("/line", std::string(70 * 1024, '1')).status);
    httplib::Client client = this->client();
    std::string atLimit = Json{{"line", "(cal \"1\")"}}.dump();
    atLimit.resize(64 * 1024, ' ');  // blanks after the value: JSON still
    EXPECT_EQ(200, client.Post("/line", atLimit, "application/json")->status);
    auto result = client.Post("/line", "not json", "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(400, result->status);
    // A body of no stated length could grow without end: refused before any of it is read.
    const std::string head = "POST /line HTTP/1.1\r\nHost: " + hostHeader + "\r\n" +
                             hostsim::tokenHeaderName + ": " + token + "\r\n";
    for (const std::string& unstated :
         {head + "Transfer-Encoding: chunked\r\n\r\n5\r\n12345\r\n", head + "\r\n{\"line\": "}) {
        int socket = connectAndSend(unstated);
        EXPECT_EQ("HTTP/1.1 411", replyStatus(socket, 2000)) << unstated;
        close(socket);
    }
}

// A dropped file opens as the drawing from its body alone, past the 64 KiB other requests get,
// within the drawing limit and with --drawing's messages; its name is never a path.
TEST_F(ServedSession, DroppedDrawingsOpenOrAreRefused) {
    const std::string line =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n100\n21\n50\n"
        "0\nENDSEC\n0\nEOF\n";
    std::string padded;  // comments lead it past 100 KiB
    for (int i = 0; i < 10000; ++i) padded += "999\npadding\n";
    padded += line;
    struct Case {
        int line;
        const char* name;
        std::string body;
        int status;
        const char* shown;
    };
    const Case cases[] = {
        {__LINE__, "plan.dxf", line, 200, R"("opened":"plan.dxf")"},
        {__LINE__, "big.dxf", padded, 200, R"("opened":"big.dxf")"},
        {__LINE__, "../../etc/passwd", "root:x:0:0\n", 422, "hostsim: passwd:1: "},
        {__LINE__, "bin.dxf", std::string("0\0SECTION", 9), 422, "bin.dxf:1: a binary file"},
        {__LINE__, "huge.dxf", std::string(300 * 1024, '\n'), 413,
         "huge.dxf: larger than the 204800 bytes a drawing may take here"},
    };
    setenv("HOSTSIM_MAX_DRAWING_BYTES", "204800", 1);
    httplib::Client client = this->client();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string path = std::string("/open?name=") + c.name;
        auto result = client.Post(path.c_str(), c.body, "application/octet-stream");
        ASSERT_TRUE(result);
        EXPECT_EQ(c.status, result->status);
        EXPECT_NE(std::string::npos, result->body.find(c.shown)) << result->body;
        if (c.status != 200) {
            Reply transcript = get("/transcript?from=0");
            EXPECT_NE(std::string::npos, transcript.body.find(c.shown)) << transcript.body;
        }
    }
    int cut = connectAndSend("POST /open?name=cut.dxf HTTP/1.1\r\nHost: " + hostHeader + "\r\n" +
                             hostsim::tokenHeaderName + ": " + token +
                             "\r\nContent-Length: 100000\r\n\r\n" + line);
    shutdown(cut, SHUT_WR);  // a drop cut short is not opened as far as it came
    EXPECT_EQ("HTTP/1.1 400", replyStatus(cut, 5000));
    close(cut);
    unsetenv("HOSTSIM_MAX_DRAWING_BYTES");
    Json drawing = Json::parse(get("/drawing").body);
    EXPECT_EQ(Json::array({0.0, 0.0, 100.0, 50.0}), drawing["extents"]);  // big.dxf's line
    post("/line", "(cal \"END\")");
    auto duringPick = client.Post("/open", line, "application/octet-stream");
    ASSERT_TRUE(duringPick);
    EXPECT_NE(std::string::npos, duringPick->body.find("Finish or cancel the pick"));
    post("/line", "*cancel*");
}

// A hover over geometry whose snap takes minutes answers at once, without the object or the
// snap, and holds no line back.
TEST_F(ServedSession, HoversGiveUpOnCostlyGeometry) {
    std::string text =
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nHIGH\n70\n0\n10\n0\n20\n0\n"
        "0\nSPLINE\n70\n8\n71\n30\n72\n231\n73\n200\n";  // degree 30
    for (int k = 0; k < 231; ++k)
        text += "40\n" + std::to_string(std::clamp(k - 30, 0, 170)) + "\n";
    for (int i = 0; i < 200; ++i)
        text += "10\n" + std::to_string(i * 0.1) + "\n20\n" +
                std::to_string(2 * std::sin(i * 0.7)) + "\n";
    text +=
        "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nHIGH\n10\n0\n20\n0\n"
        "70\n20\n71\n20\n44\n2\n45\n1\n0\nENDSEC\n0\nEOF\n";  // a 20 x 20 array of it
    ASSERT_EQ(200, client().Post("/open?name=slow.dxf", text, "application/octet-stream")->status);
    post("/line", "(cal \"END\")");
    auto hover = client().Post("/preview", R"({"x": 10, "y": 1})", "application/json");  // not 503
    EXPECT_EQ("{}", hover ? hover->body : "");
    EXPECT_NE(std::string::npos, run("*cancel*").body.find("nil"));
}

// Clients that send their heads or bodies slowly or never, drawings dropped a byte at a time, and
// waits for the transcript from many made-up pages hold no thread or wait the page needs: the
// page, a typed line and the page's transcript still answer at once. A head or a drop sent a
// byte at a time is dropped at its deadline however short the pauses; past the bound on one
// client's waiting connections the oldest is dropped.
TEST_F(ServedSession, SlowClientsAndWaitsCannotStarveThePage) {
    using std::chrono::steady_clock;
    const std::string head = "GET / HTTP/1.1\r\nHost: " + hostHeader + "\r\n";
    std::vector<int> slow, waits;
    auto bodyBegun = [&](const std::string& path, const std::string& length) {  // its first byte
        return "POST " + path + head.substr(5) + hostsim::tokenHeaderName + ": " + token +
               "\r\nContent-Length: " + length + "\r\n\r\n0";
    };
    for (int i = 0; i < 20; ++i) {
        slow.push_back(connectAndSend(head));
        slow.push_back(connectAndSend(bodyBegun("/line", "65536")));  // the most waited for
        slow.push_back(connectAndSend(bodyBegun("/open", "1000000")));
    }
    auto seenNow = [this] {  // what a page up to date has seen
        const Json now = Json::parse(get("/transcript").body);
        return "&from=" + now["end"].dump() + "&state=" + now["revision"].dump() +
               "&marks=" + now["marksRevision"].dump();
    };
    const std::string seenAtStart = seenNow();
    for (std::size_t i = 0; i < hostsim::SessionQueue::transcriptWaiters; ++i)  // every wait
        waits.push_back(connectAndSend("GET /transcript?wait=1" + seenAtStart +
                                       "&page=" + std::to_string(i) + head.substr(5) +
                                       hostsim::tokenHeaderName + ": " + token + "\r\n\r\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto started = steady_clock::now();
    auto elapsed = [&started] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - started)
            .count();
    };
    EXPECT_EQ(200, get("/").status);
    EXPECT_EQ(200, get("/transcript?wait=1&from=0&page=real").status);
    EXPECT_NE(std::string::npos, run("(cal \"1+2\")").body.find("\n3\n"));
    EXPECT_LT(elapsed(), 2000);
    const std::size_t first = slow.size();  // the client's bound, then one more
    for (std::size_t i = 0; i < hostsim::HeadGate::pendingPerClient; ++i)
        slow.push_back(connectAndSend(head));
    EXPECT_FALSE(closedWithin(slow[first], 100));
    slow.push_back(connectAndSend(head));
    EXPECT_TRUE(closedWithin(slow[first], 1000));
    EXPECT_FALSE(closedWithin(slow.back(), 100));
    slow.push_back(connectAndSend("GET /" + std::string(hostsim::HeadGate::headLimit, 'a')));
    EXPECT_TRUE(closedWithin(slow.back(), 1500));  // a head past its limit, before its deadline
    int begun = *slow.insert(slow.end(), connectAndSend(head));        // a request begun,
    for (int i = 0; i < 100; ++i) slow.push_back(connectAndSend(""));  // then bare connects
    std::this_thread::sleep_for(std::chrono::milliseconds(500));       // the gate has taken them
    send(begun, "\r\n", 2, MSG_NOSIGNAL);  // the blank line, apart from the line end before it
    char reply[16] = "";
    EXPECT_TRUE(poll(std::array<pollfd, 1>{{{begun, POLLIN, 0}}}.data(), 1, 2000) > 0 &&
                recv(begun, reply, 15, 0) == 15 && std::string(reply, 12) == "HTTP/1.1 200");
    const long deadline = 3000;  // the README's
    slow.push_back(connectAndSend("G"));
    started = steady_clock::now();
    while (elapsed() < 2 * deadline && !closedWithin(slow.back(), 250))
        send(slow.back(), "E", 1, MSG_NOSIGNAL);
    EXPECT_LT(elapsed(), deadline + 1500);
    for (int socket : slow) close(socket);  // the drop received among them ends
    for (int socket : waits) close(socket);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string seen = seenNow();
    auto quiet = std::async(std::launch::async, [&] {  // a wait longer than a transfer's deadline
        httplib::Client waiting = client();
        waiting.set_read_timeout(30, 0);
        auto result = waiting.Get(("/transcript?wait=1&page=quiet" + seen).c_str());
        return result ? result->body : "";
    });
    int drop = connectAndSend(bodyBegun("/open", "1000000"));
    started = steady_clock::now();  // its body sent a byte at a time is let go at its deadline
    while (elapsed() < 20000 && !closedWithin(drop, 250)) send(drop, "0", 1, MSG_NOSIGNAL);
    EXPECT_LT(elapsed(), 10000);
    close(drop);
    post("/line", "(cal \"2+2\")");
    EXPECT_NE(std::string::npos, quiet.get().find("2+2"));  // the line's echo, at least
}

}  // namespace
