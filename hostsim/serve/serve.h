// hostsim/serve/serve.h - the host session served to a browser page over HTTP on loopback.
//
// Offers: the address and request checks (requestChecks.cpp), the queue through which the HTTP
// threads hand lines to the one thread that owns the session (sessionQueue.cpp), the gate that
// holds connections until their request head is whole (headGate.cpp), the drawing
// and the view and the marks as the page sees them (drawingView.cpp), a drawing dropped on the
// page (dropDrawing.cpp), the page's history and completion (pageInput.cpp), the terminal beside
// the page and its Ctrl-C (servedTerminal.cpp), and serveSession, the server itself, with the
// bound on connections waiting for its threads (server.cpp).
// Needs: hostsim/view (the plan view, the page's view, the SVG), hostsim/services (the open
// drawing, the marks, the prompt's state) and hostsim/console (the session's output and Ctrl-C);
// the program passes in what runs the session, and loads this part (hostsim-serve.so) only for
// --serve.
#ifndef VECTRIN_HOSTSIM_SERVE_SERVE_H
#define VECTRIN_HOSTSIM_SERVE_SERVE_H

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hostsim/services/services.h"
#include "hostsim/view/view.h"

namespace hostsim {

// ---- addresses and request checks (requestChecks.cpp) ----
struct ServeAddress {
    std::string host = "127.0.0.1";  // loopback unless one is given
    int port = 0;                    // 0: a free port
};
// "", "PORT", "HOST:PORT" or "[IPV6]:PORT"; false when the text is none of these.
bool parseServeAddress(const std::string& text, ServeAddress& address);
std::string hostHeaderOf(const std::string& host, int port);  // "127.0.0.1:8080", "[::1]:8080"
std::string newSessionToken();                                // 128 random bits, 32 hex digits

// What a request says about itself, as the checks need it.
struct RequestFacts {
    std::string host;             // the first Host header
    std::string origin;           // the Origin header; empty when absent
    std::string token;            // the token header; empty when absent
    bool pageFile = false;        // one of the page's own files, which hold no secret
    std::size_t hostCount = 1;    // Host headers given: a second one is malformed
    std::size_t originCount = 0;  // Origin headers given: likewise
};
struct ServedSite {
    std::string hostHeader;  // what Host must say
    std::string token;
};
// The page sends the token in this header, never in a cookie: cookies on 127.0.0.1 go to every
// local server whatever its port, and a browser holding two sessions would keep one token.
const char tokenHeaderName[] = "X-Vectrin-Token";
enum class RequestVerdict { allowed, malformed, refused };
// Host must be given once and name the address served (no other name reaches us through a
// rebound DNS entry); an Origin, given at most once, must be this same site; and every request but
// the page's own files must carry the token.
RequestVerdict checkRequest(const RequestFacts& request, const ServedSite& site);
// A line the page may not run: commands that load or drop code or touch files. False with the
// reason when refused.
bool lineAllowedFromPage(const std::string& line, std::string& reason);

// ---- the session's queue (sessionQueue.cpp) ----
// The HTTP threads hand the session thread lines, clicks and tasks; it takes the lines and clicks
// one at a time, as its prompts ask, and runs the tasks while it waits. Each time it comes to rest
// (waits for a line) and after each task, it describes what a page shows of it beside the
// transcript (the prompt's state and the marks). Every text printed is kept in a transcript,
// which a page reads from an offset together with that description, so that one answer brings a
// page up to date whoever typed the line.
class SessionQueue {
public:
    // What the session thread describes: the prompt's state (promptStateJson) and the marks
    // (marksJson), each a JSON object. The marks are large, so they come with the revision of the
    // host's marks, and are made again only when it moves.
    struct Picture {
        std::string state;
        std::string marks;
        std::uint64_t marksRevision = UINT64_MAX;  // never the host's: the first picture is made
    };
    // Runs on the session thread and brings picture up to date; it holds what it gave last time.
    using Describe = std::function<void(Picture& picture)>;
    explicit SessionQueue(Describe describe = nullptr) : describe(std::move(describe)) {}

    // How a page's line or click fared: taken by the session; still in line when the wait
    // passed (it will be taken); a click refused, as no point was asked for when its turn came;
    // refused as the queue is full; or the session has ended.
    enum class Handed { taken, waiting, refused, full, ended };
    Handed submit(const std::string& line, std::chrono::milliseconds wait);
    // A click is typed on the session thread when its turn comes, at the prompt waiting then:
    // type gives the line it answers with and what the transcript shows in its place (the point,
    // sent exactly, shown rounded), or false when that prompt asks for no point. at: the world
    // point clicked, when known (lineWaitingBesides).
    using TypeClick = std::function<bool(std::string& line, std::string& echo)>;
    Handed submitClick(TypeClick type, std::chrono::milliseconds wait,
                       std::optional<Point> at = std::nullopt);
    // The terminal's line: it waits for room in the queue, never for the session. False once
    // the session has ended.
    bool post(const std::string& line);
    // Runs task on the session thread while it waits for a line (at the command line or at a
    // prompt) and gives back what it returned. False when the session ended first, the queue was
    // full or the wait passed; a task whose asker has stopped waiting is not run.
    bool ask(const std::function<std::string()>& task, std::string& answer,
             std::chrono::milliseconds wait);
    // Runs task on the session thread when its turn comes, without waiting for it (the
    // terminal's keys and Ctrl-C). False when the queue is full or closed.
    bool postTask(const std::function<std::string()>& task);
    // The session's side: describes the session, then waits for the next line, running the
    // tasks asked for meanwhile; false once closed.
    // echo, when given, gets what the transcript is to show in the line's place ("" for the line).
    // fromPage, when given, gets whether a page submitted the line (the terminal's are posted).
    bool take(std::string& line, std::string* echo = nullptr, bool* fromPage = nullptr);
    void record(const std::string& text);  // something printed
    void close();                          // the session ended: nothing more is taken
    bool ended() const;
    // A line or click waits to be taken, or the queue is closed: a task should give way. Clicks
    // at world at do not count: a hover's query there is the work such a click asks for (and
    // finds done, hostsim/services keeping the last answers), so it need not give way to them.
    bool lineWaitingBesides(const Point& at) const;
    bool clickWaitingAt(const Point& at) const;  // one of those clicks

    // What a page has seen: the transcript up to from, and the revisions of the description.
    struct Seen {
        std::size_t from = 0;
        std::uint64_t revision = 0;
        std::uint64_t marksRevision = 0;
    };
    // What it is shown: the transcript from seen.from on (only the last transcriptLimit bytes are
    // kept; an offset before them reads from the oldest kept), the description, and the marks
    // when the page's are not the latest. The revision moves each time the session comes to rest
    // and when a task changes the state; it is 0, and the state empty, until the session first
    // rests.
    struct Update {
        std::string text;
        std::size_t end = 0;  // the offset after text
        bool ended = false;
        std::uint64_t revision = 0;
        std::string state;
        std::uint64_t marksRevision = 0;
        std::optional<std::string> marks;
    };
    Update transcript(const Seen& seen) const;
    // The same, once there is news for seen (text past from, a revision moved) or the session has
    // ended or wait has passed: a page waits here for what the session prints, whoever typed the
    // line. Text that comes while the session runs is held up to settleWait for the session to
    // come to rest, so that a short line's text and the prompt after it come in one answer. Each
    // wait holds a server thread, so a page (named by page; requests naming none count as one)
    // has one wait at a time, a newer one ending the older at once, and at most
    // transcriptWaiters pages wait at a time: past that nothing is returned at once, and the page
    // asks again later.
    std::optional<Update> awaitTranscript(const Seen& seen, std::chrono::milliseconds wait,
                                          const std::string& page);
    // Waits until no transcript wait is in progress, at most cap; false when one still is.
    bool awaitTranscriptWaitsEnded(std::chrono::milliseconds cap);
    // The transcript waits in progress, and whether page's is among them.
    std::size_t transcriptWaits(const std::string& page, bool& pageWaits) const;
    static constexpr std::size_t transcriptLimit = 1 << 20;
    static constexpr std::size_t transcriptWaiters = 4;
    static constexpr std::chrono::milliseconds settleWait{200};
    // Lines, clicks and tasks waiting: past this a page's is refused, the terminal's waits.
    static constexpr std::size_t itemLimit = 64;

private:
    // What a page's submitter waits to learn.
    struct Handing {
        Handed handed = Handed::waiting;
        bool settled = false;    // taken or refused; a task run
        bool abandoned = false;  // its submitter stopped waiting: a task is then not run
        std::string answer;      // a task's
    };
    struct Item {
        std::string line;
        TypeClick typeClick;                // set: a click
        std::optional<Point> clickAt;       // a click's world point, when known
        std::function<std::string()> task;  // set: a task
        std::shared_ptr<Handing> handing;   // nullptr: the terminal's line
    };
    Handed handOver(Item item, std::chrono::milliseconds wait);
    bool typeLine(Item& item, std::string& line, std::string& echo,
                  std::unique_lock<std::mutex>& guard);
    void runTask(Item& item, std::unique_lock<std::mutex>& guard);
    void publish(bool cameToRest);  // describes the session, then publishes that
    // The lock held:
    void settle(Handing* handing, Handed handed);
    bool newsFor(const Seen& seen) const;
    void countLines();  // lineOrClose, after items or closed changed
    Update updateFor(const Seen& seen) const;
    std::string keptFrom(std::size_t from, std::size_t& end) const;
    Describe describe;
    Picture described;  // the session thread's; the lock is not needed for it
    mutable std::mutex lock;
    std::condition_variable changed;
    std::deque<Item> items;
    std::atomic<bool> lineOrClose{false};  // closed, or a line or click in items; read unlocked
    bool closed = false;
    bool resting = false;       // the session waits for a line
    std::string kept;           // the transcript's tail
    std::size_t keptStart = 0;  // the offset of kept's first byte
    std::uint64_t revision = 0;
    std::string state;
    std::uint64_t marksRevision = 0;
    std::uint64_t hostMarksRevision = UINT64_MAX;  // the host's, when marks was made
    std::string marks;
    struct TranscriptWaiter {
        std::string page;
        bool ended = false;  // a newer wait of the same page ended this one
    };
    std::list<TranscriptWaiter*> waiters;  // the transcript waits in progress, oldest first
};

// ---- connections until their request is whole (headGate.cpp) ----
// A connection waits here, on the gate's one thread and holding no handler thread, until the
// blank line that ends its request head has arrived, and the body after it when the head states
// a length of at most bodyLimit; handOver then gets the socket with the bytes read so far. A
// connection whose head (and such a body) is not whole headDeadline after it arrived, whatever
// the pace of its bytes, or that sends more than headLimit bytes without ending its head, is
// closed. Each
// client address may have pendingPerClient connections waiting, all clients pendingLimit; a
// newer connection past either closes the oldest that has sent nothing, else the oldest.
// The address of a connection's other end (peer) or of this end, as text, and its port; false
// when the socket has none.
bool socketAddress(int socket, bool peer, std::string& ip, int& port);
class HeadGate {
public:
    using HandOver = std::function<void(int socket, std::string received)>;
    explicit HeadGate(HandOver handOver);
    ~HeadGate();             // closes every connection still waiting
    void admit(int socket);  // the gate owns the socket from now on
    static constexpr std::chrono::seconds headDeadline{3};
    static constexpr std::size_t headLimit = 64 * 1024;
    static constexpr std::size_t bodyLimit = 64 * 1024;
    static constexpr std::size_t pendingPerClient = 32;
    static constexpr std::size_t pendingLimit = 256;

private:
    struct Pending {
        int socket;
        std::string client;  // its address, as text
        std::chrono::steady_clock::time_point deadline;
        std::string received;
        std::size_t wholeAt = 0;  // once the head is whole: the bytes the request has
    };
    void run();
    void takeArrivals();
    void enter(int socket);
    void closeOldest(const std::string* client);  // of that client, or of all
    void receiveAll();                            // reads what has come on every waiting connection
    bool receive(Pending& pending);               // false: the connection is done with here
    void closeExpired();
    HandOver handOver;
    std::mutex lock;  // guards arrivals and stopping
    std::vector<int> arrivals;
    bool stopping = false;
    int wakeUp = -1;             // an eventfd: arrivals or stopping
    std::list<Pending> pending;  // the gate's thread only; oldest first
    std::thread thread;
};

// ---- connections waiting for a handler thread (server.cpp) ----
// The gate hands a whole request to the handler threads; at most limit wait for one, and past it
// a connection is answered busy at once, so a flood costs a refusal each, not a growing queue.
class HandlerQueue {
public:
    static constexpr std::size_t limit = 64;  // four for each of the server's 16 threads
    bool enter();                             // a place taken; false when every place is
    void leave();                             // a handler thread took a connection from its place
private:
    std::atomic<std::size_t> waiting{0};
};

// ---- the drawing and the view (drawingView.cpp); session thread only ----
// The drawing's primitives projected on world XY, as JSON: {"extents": [lowX, lowY, highX,
// highY] or null, "groups": [{"colour": "#rrggbb" or null for the foreground (colour 7),
// "dashes": [drawing units: a dash above 0, a gap below, a dot 0; empty: solid], "segments":
// [x0, y0, x1, y1, ...], "curves": [[cx, cy, ux, uy, vx, vy, t0, t1], ...], "polylines": [[x, y,
// ...], ...] (splines sampled), "nodes": [x, y, ...], "texts": [[x, y, alongX, alongY, upX, upY,
// length, "text"], ...] (each line of text on its baseline, the directions one text height long,
// length in text heights)}, ...], "id": the drawing's id, as the state names it}: one group per
// look, the objects of hidden layers left out.
std::string drawingPrimitivesJson();
// The same in binary, as the page takes a large drawing: a 4-byte length, a JSON head of that
// many bytes ({"id", "extents", "groups": [{"colour", "dashes", "counts": {"segments", "curves",
// "curveStride", "polylines", "polylinePoints", "nodes", "texts", "textBytes"}, "rays": [as
// above]}, ...]}), then each group's arrays in turn, each in the host's byte order and starting
// at a multiple of 8 bytes: the segments' starts (2 doubles each) and their ends less their
// starts (2 floats); the curves' centres (2 doubles) and the rest of them, curveStride floats
// each: radius, t0, t1 when all are circles or arcs in the view's plane, else u, v, t0, t1; the
// polylines' point counts (uint32), first points (2 doubles) and their other points less the
// first (2 floats each); the nodes (2 doubles); the texts' starts (2 doubles) and along, up and
// length (5 floats), where each text's string starts in the bytes that follow (uint32, and where
// the last ends), and the strings (UTF-8). Segments, curves and texts are each in the order of
// blocks of 64 along a Morton curve of their extents, each kind followed by its blocks' boxes
// (low x, low y, high x, high y: 4 doubles a block). Kept for the drawing and its extents, and
// shared with the replies that send it rather than copied: the million objects' take 35 MB.
// Made in parts, sent one after another: the length and head, padded to 8 bytes, then each
// group's arrays, so that one group is planned and packed at a time.
struct PackedDrawing {
    std::vector<std::string> parts;  // each a multiple of 8 bytes long
    std::size_t size() const;
    // The bytes from offset to the end of the part that holds it; empty at or past the end.
    std::string_view from(std::size_t offset) const;
};
std::shared_ptr<const PackedDrawing> drawingPrimitivesBinary();
// {"pointPrompt": whether a pick or point prompt waits, "pickbox": PICKBOX pixels, "prompt": the
// last line of the prompt waiting (empty while the session runs), "snapMode": the snap mode the
// prompt names ("END"), else absent, "drawingId" and "drawingName": the open drawing's id (a new
// one at each open) and file name, "ucs": {"origin", "xAxis", "yAxis", "zAxis"}: the current UCS
// in world coordinates, each [x, y, z], "coordinateDecimals": the places the drawing shows
// coordinates at ($LUPREC, 4 when absent)}
std::string promptStateJson();
// The cursor at world (x, y) while a pick waits: what a pick there would select, as the
// primitives of that object in the form above ("object" -1 and nothing else when it hits
// nothing), and when the prompt names a snap mode, "snap": {"mode", "x", "y" (world), "value" (as
// printed)}: what the click there gives. {} when no pick waits, or when stop says to give way
// first (or after previewLimitSeconds): the hover must not hold the session. The server gives it
// previewSeconds of the session thread's time, and more while a click at its very point waits,
// whose work it is doing.
std::string selectionPreviewJson(double x, double y, const std::function<bool()>& stop);
constexpr double previewSeconds = 0.05;
constexpr double previewLimitSeconds = 10.0;
// The answer a user would type for world point (x, y) on the plan view: its UCS coordinates,
// exact; echo is the same at the drawing's decimal places, for the transcript.
void typedPointAnswer(double x, double y, std::string& line, std::string& echo);
// The marks, oldest first: {"marks": [{"kind": "result", "pick", "snap", "value" (a number) or
// "vector", "x": world X, "y": world Y, "label": a result's text, "value": a result's value as
// the command line takes it}, ...]}.
std::string marksJson();

// ---- the page's command line (pageInput.cpp); session thread only ----
// Lines typed at the session's prompts (the page's and the terminal's), for Up and Down; pick
// and point answers, blank lines and *cancel* are not kept, nor a line the same as the last.
void rememberSessionLine(const std::string& line);
std::string historyJson();  // {"lines": [oldest, ..., newest]}, at most historyLimit
constexpr std::size_t historyLimit = 1000;
// What Tab offers: the program's completion of before (the line up to the cursor) at the prompt
// waiting, as {"replace": characters before the cursor to replace, "candidates": [...],
// "append": what follows a lone candidate ("", " " or "(")}. A line the page may not run gets
// none, nor is a candidate offered that would make one (LOAD, UNLOAD, SVG).
struct PageCompletion {
    std::size_t start = 0;  // where the word replaced starts in before
    std::vector<std::string> candidates;
    std::string append;
};
using CompleteLine = std::function<PageCompletion(const std::string& before, bool atCommand)>;
std::string completionJson(const CompleteLine& complete, const std::string& before);

// ---- a drawing dropped on the page (dropDrawing.cpp) ----
// The name the page gives the file, as messages show it: its last part, printable, at most 128
// bytes, in the host's code page; "dropped.dxf" when nothing is left. It is never opened.
std::string droppedDrawingName(const std::string& given);
// Session thread only. Opens the dropped text as the drawing, or refuses it; messages go to the
// session's output as --drawing's go to standard error. The reply is {"opened": name} or
// {"refused": message}; a pick in progress is refused without a message.
std::string openDroppedDrawing(const std::string& text, const std::string& name);
std::string refuseLargeDrawing(const std::string& name);  // past maxDrawingBytes

// ---- the terminal beside the page (servedTerminal.cpp) ----
// The terminal's lines go to the session with the page's, edited as at the plain terminal, and
// its Ctrl-C cancels what the session runs, never ends it. The kernel gives SIGINT to any thread
// that does not block it, and a handler that only sets a flag cannot wake a thread that waits on
// the queue: so every thread of the served session blocks SIGINT but one, the terminal's reader,
// which waits for keys and for Ctrl-C at once and hands both to the session thread as tasks.
class ServedTerminal {
public:
    // On the session thread, before any other thread starts (they inherit the block): blocks
    // SIGINT here and catches it for the session.
    ServedTerminal();
    ~ServedTerminal();                                // stops the reader; SIGINT as it was
    void start(std::shared_ptr<SessionQueue> queue);  // readline shared, and the reader started
    // On the session thread, for a line the queue gave that no page sent: tells the console how
    // the terminal gave it. False when it ended its input (Ctrl-D on an empty line).
    bool takeLine();

private:
    enum class Given { typed, plain, interrupted, ended };
    void read();                      // the reader thread
    void handKeys();                  // to readline, on the session thread
    void handPlainLines(bool& open);  // standard input that is no terminal
    void handInterrupt();
    void runOnSession(std::function<void()> task);
    void post(const std::string& line, Given given);  // session thread
    void wakeReader();
    std::shared_ptr<SessionQueue> queue;
    std::deque<Given> posted;  // how each line posted and not yet taken was given; session thread
    sigset_t maskBefore;
    bool caught = false;   // the SIGINT handler is ours
    bool editing = false;  // readline edits the terminal's lines
    int wake = -1;         // an eventfd: the keys were handed over, or the reader must stop
    std::atomic<bool> stopping{false};
    std::atomic<bool> keysHanded{false};       // a task holds the keys; the reader waits for it
    std::atomic<bool> keysLeftWaiting{false};  // that task found no prompt to give them to
    std::atomic<bool> interruptHanded{false};
    std::string plainPending;  // the reader's: standard input read, not yet a whole line
    std::thread reader;
};

// ---- the server (server.cpp) ----
struct ServeOptions {
    ServeAddress address;
    bool readTerminal = false;  // standard input's lines go to the session too
    CompleteLine complete;      // Tab: the same completion as the terminal's
};
// Starts the server, calls announce with the URL to open (token included), and runs
// runSession on this thread, its input coming from the page (and the terminal). The server
// stops when runSession returns. Returns false, with the reason, when it cannot listen.
bool serveSession(const ServeOptions& options, const std::function<void()>& runSession,
                  const std::function<void(const std::string& url)>& announce, std::string& error);

// ---- the part as the program loads it (server.cpp) ----
// The program links none of this part: with --serve it loads hostsim-serve.so, whose one C
// entry point hands over the two routines it needs, so that a start without --serve loads no
// HTTP, TLS or compression library.
struct ServeEntryPoints {
    bool (*parseServeAddress)(const std::string& text, ServeAddress& address);
    bool (*serveSession)(const ServeOptions& options, const std::function<void()>& runSession,
                         const std::function<void(const std::string& url)>& announce,
                         std::string& error);
};
constexpr char serveEntryName[] = "hostsimServeEntryPoints";

}  // namespace hostsim

extern "C" const hostsim::ServeEntryPoints* hostsimServeEntryPoints();

#endif
