// hostsim/serve/server.cpp - the HTTP server: the page, and the session's lines through the
// queue. The HTTP library's threads never touch host state; only the thread that called
// serveSession runs lines, the module's calls included.
#include "hostsim/serve/serve.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "hostsim/console/console.h"

namespace hostsim {
// The page's files, embedded at build time (pageFiles.cpp, generated).
struct PageFile {
    const char* path;
    const char* contentType;
    const char* content;
};
extern const PageFile pageFiles[];
extern const std::size_t pageFileCount;
}  // namespace hostsim

namespace {

using Json = nlohmann::json;

constexpr std::size_t requestBodyLimit = 64 * 1024;  // every body but a dropped drawing's
const char dropPath[] = "/open";  // a dropped drawing's body, up to the drawing size limit
// The HTTP library compresses a body typed exactly "application/json", brotli first, at its
// slowest setting: a large drawing's primitives (7 MB) took 26 s. Loopback gains nothing from it,
// so the types say their character set, which keeps them out of the library's list.
const char jsonType[] = "application/json; charset=utf-8";
const char svgType[] = "image/svg+xml; charset=utf-8";
const char binaryType[] = "application/octet-stream";
// How long a request waits for the session: for a task to run, or for a line or click to be taken
// (one not taken by then keeps its place in the queue).
constexpr std::chrono::seconds replyWait(30);
// A page's request for the transcript waits this long for news before it is answered empty (and
// asked again); each open page holds one of the pool's threads so, the queue bounds how many.
constexpr std::chrono::seconds transcriptWait(20);
constexpr std::size_t handlerThreads = 16;
constexpr unsigned previewClockEvery = 8;  // a hover's checks of what waits, per clock read
static_assert(hostsim::HandlerQueue::limit == 4 * handlerThreads, "four waiting for each thread");
using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds transferGrace(5);
constexpr std::uint64_t transferFloor = 256 * 1024;    // bytes a second, on average, past the grace
constexpr std::chrono::milliseconds stallLimit(5000);  // one wait for the socket, at most
constexpr std::chrono::milliseconds sessionEndNotice(300);

// On every reply, errors included: no other site may frame the page, the browser takes each
// file as the type it is sent with, the page runs and loads only its own files, and nothing
// is cached or tells another site where it came from.
const std::pair<const char*, const char*> replyHeaders[] = {
    {"X-Frame-Options", "DENY"},
    {"X-Content-Type-Options", "nosniff"},
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
     "img-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
};

std::string jsonText(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void sendJson(httplib::Response& response, int status, const Json& value) {
    response.status = status;
    response.set_content(jsonText(value), jsonType);
}

std::uint64_t declaredLength(const httplib::Request& request) {
    return std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10);
}

// A body must state its length, so that what it costs is known before it is read: a chunked
// body, or one that runs until the connection closes, could grow without end. The page's do.
bool lengthUnstated(const httplib::Request& request) {
    bool bodiless =
        request.method == "GET" || request.method == "HEAD" || request.method == "OPTIONS";
    return request.has_header("Transfer-Encoding") ||
           (!bodiless && !request.has_header("Content-Length"));
}

// Checked before any body is read: only a dropped drawing's may pass requestBodyLimit, up to the
// drawing limit, which its route checks.
bool bodyTooLarge(const httplib::Request& request) {
    return request.path != dropPath && declaredLength(request) > requestBodyLimit;
}

bool isPageFile(const std::string& path) {
    for (std::size_t i = 0; i < hostsim::pageFileCount; ++i)
        if (path == hostsim::pageFiles[i].path) return true;
    return false;
}

hostsim::RequestFacts factsOf(const httplib::Request& request) {
    return {request.get_header_value("Host"),
            request.get_header_value("Origin"),
            request.get_header_value(hostsim::tokenHeaderName),
            request.method == "GET" && isPageFile(request.path),
            request.get_header_value_count("Host"),
            request.get_header_value_count("Origin")};
}

// A request's bytes as the HTTP library reads them: those the gate read first, then the
// socket's. Each transfer on the socket (the rest of a body, then the reply) has a deadline that
// grows with its bytes: transferGrace and one more second per transferFloor bytes moved, and no
// single wait longer than stallLimit, so a client that stops reading or sends a byte at a time
// gives its thread and its reply's memory back.
class ReceivedStream : public httplib::Stream {
public:
    ReceivedStream(int socket, std::string received)
        : sock(socket), received(std::move(received)), started(Clock::now()) {}
    bool is_readable() const override { return next < received.size() || ready(POLLIN); }
    bool is_writable() const override { return ready(POLLOUT); }
    ssize_t read(char* data, size_t size) override {
        if (next < received.size()) {
            std::size_t count = std::min(size, received.size() - next);
            std::copy_n(received.data() + next, count, data);
            next += count;
            return static_cast<ssize_t>(count);
        }
        if (!ready(POLLIN)) return -1;
        return counted(recv(sock, data, size, 0));
    }
    // Sends what the socket takes now: a blocking send of a whole reply would wait for as long
    // as the client does not read.
    ssize_t write(const char* data, size_t size) override {
        if (!writing) startTransfer();
        for (;;) {
            if (!ready(POLLOUT)) return -1;
            ssize_t sent = send(sock, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return counted(sent);
        }
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        hostsim::socketAddress(sock, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        hostsim::socketAddress(sock, false, ip, port);
    }
    socket_t socket() const override { return sock; }
    bool gaveUp() const { return overdue; }  // a transfer passed its deadline

private:
    // The reply's own deadline starts at its first byte: a long poll's wait is not a transfer.
    void startTransfer() {
        writing = true;
        started = Clock::now();
        moved = 0;
    }
    ssize_t counted(ssize_t bytes) {
        if (bytes > 0) moved += static_cast<std::uint64_t>(bytes);
        return bytes;
    }
    Clock::time_point deadline() const {
        return started + transferGrace + std::chrono::milliseconds(moved * 1000 / transferFloor);
    }
    bool ready(short event) const {
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline() - Clock::now());
            pollfd polled{sock, event, 0};
            int wait = static_cast<int>(std::min(left, stallLimit).count());
            int result = wait <= 0 ? 0 : poll(&polled, 1, wait);
            if (result < 0 && errno == EINTR) continue;
            overdue = overdue || result == 0;
            return result > 0;
        }
    }
    int sock;
    std::string received;
    std::size_t next = 0;
    Clock::time_point started;  // of the transfer in progress
    std::uint64_t moved = 0;    // its bytes so far
    bool writing = false;
    mutable bool overdue = false;
};

// The names under which pages wait on the transcript, one a page and as many as the queue lets
// wait. A page new to them takes the seat of the page that asked least recently, whose wait the
// queue then ends at once (it asks again): no page is turned away, and a client that makes up
// page names only shortens the others' waits.
class TranscriptSeats {
public:
    std::string seatOf(const std::string& page) {
        std::lock_guard<std::mutex> guard(lock);
        auto seat = std::find_if(seats.begin(), seats.end(),
                                 [&page](const Seat& s) { return s.page == page; });
        if (seat == seats.end() && seats.size() < hostsim::SessionQueue::transcriptWaiters)
            seat = seats.insert(seats.end(), Seat{page, "seat" + std::to_string(seats.size())});
        else if (seat == seats.end())
            seat = seats.begin();
        seat->page = page;
        seats.splice(seats.end(), seats, seat);  // the latest asked, last
        return seat->name;
    }

private:
    struct Seat {
        std::string page, name;
    };
    std::mutex lock;
    std::list<Seat> seats;  // least recently asked first
};

// The listening thread hands each accepted socket straight to the gate.
class AtOnce : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> task) override { task(); }
    void shutdown() override {}
};

// What a connection gets when every handler is busy and the queue for them is full.
const std::string& busyReply() {
    static const std::string body = R"({"refused":"The server is busy; ask again."})";
    static const std::string reply =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Type: " + std::string(jsonType) +
        "\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    return reply;
}

// The HTTP library's server with its connections let in through the gate: a handler thread takes
// a connection only once its head is whole, answers its one request and closes it, so that every
// request passes the gate and no thread waits on an idle connection.
class GatedServer : public httplib::Server {
public:
    GatedServer()
        : handlers(handlerThreads),
          gate(std::make_unique<hostsim::HeadGate>([this](int socket, std::string received) {
              queueAnswer(socket, std::move(received));
          })) {
        new_task_queue = [] { return new AtOnce; };
    }
    ~GatedServer() override {
        gate.reset();  // nothing more is handed over
        handlers.shutdown();
    }

    // The library listens with a backlog of 5: a burst of connections would wait for the
    // client's retry, a second later, though the gate takes each at once.
    void widenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

private:
    bool process_and_close_socket(socket_t socket) override {
        gate->admit(socket);
        return true;
    }
    void queueAnswer(int socket, std::string received) {
        if (!queued.enter()) {
            const std::string& busy = busyReply();
            if (send(socket, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
            }
            ::close(socket);
            return;
        }
        handlers.enqueue([this, socket, received = std::move(received)]() mutable {
            queued.leave();
            answer(socket, std::move(received));
        });
    }
    // A Range header is ignored: every reply is whole. Ranges would let one small request for a
    // page file (which needs no token) ask for that file thousands of times over.
    void answer(int socket, std::string received) {
        ReceivedStream stream(socket, std::move(received));
        bool closedByClient = false;
        process_request(stream, true, closedByClient,
                        [](httplib::Request& request) { request.ranges.clear(); });
        if (stream.gaveUp()) {  // reset: the kernel would otherwise keep the unread reply
            linger reset{1, 0};
            setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        }
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
    }
    httplib::ThreadPool handlers;
    hostsim::HandlerQueue queued;  // handed to the pool, not yet taken by a thread
    std::unique_ptr<hostsim::HeadGate> gate;
};

class PageServer {
public:
    PageServer(hostsim::SessionQueue& queue, hostsim::ServedSite& site,
               hostsim::CompleteLine completeLine)
        : queue(queue), site(site), completeLine(std::move(completeLine)) {
        server.set_payload_max_length(
            std::max<std::uint64_t>(requestBodyLimit, hostsim::maxDrawingBytes()));
        server.set_pre_routing_handler([this](const httplib::Request& request,
                                              httplib::Response& response) {
            hostsim::RequestVerdict verdict = hostsim::checkRequest(factsOf(request), this->site);
            if (verdict == hostsim::RequestVerdict::malformed) {
                sendJson(response, 400, Json{{"refused", "The request is malformed."}});
            } else if (verdict == hostsim::RequestVerdict::refused) {
                sendJson(response, 403, Json{{"refused", "This request is not allowed."}});
            } else if (lengthUnstated(request)) {
                response.set_header("Connection", "close");
                sendJson(response, 411, Json{{"refused", "The request must state its length."}});
            } else if (bodyTooLarge(request)) {
                response.set_header("Connection", "close");  // the body is left unread
                sendJson(response, 413, Json{{"refused", "The request is too large."}});
            } else {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            return httplib::Server::HandlerResponse::Handled;
        });
        server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
            for (const auto& [name, value] : replyHeaders) response.set_header(name, value);
        });
        for (std::size_t i = 0; i < hostsim::pageFileCount; ++i)
            servePageFile(hostsim::pageFiles[i]);
        server.Post("/line", [this](const httplib::Request& request, httplib::Response& response) {
            runLine(request, response);
        });
        server.Get("/drawing", [this](const httplib::Request&, httplib::Response& response) {
            askSession(response, [] { return hostsim::drawingPrimitivesJson(); });
        });
        server.Get("/drawing.bin", [this](const httplib::Request&, httplib::Response& response) {
            sendPackedDrawing(response);
        });
        server.Post("/view", [this](const httplib::Request& request, httplib::Response& response) {
            setView(request, response);
        });
        server.Get("/state", [this](const httplib::Request&, httplib::Response& response) {
            askSession(response, [] { return hostsim::promptStateJson(); });
        });
        server.Post("/preview",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        double x = 0, y = 0;
                        if (!readWorldPoint(request, response, x, y)) return;
                        askSession(response, [this, x, y] { return preview(x, y); });
                    });
        server.Post("/pick", [this](const httplib::Request& request, httplib::Response& response) {
            pick(request, response);
        });
        server.Get("/marks", [this](const httplib::Request&, httplib::Response& response) {
            askSession(response, [] { return hostsim::marksJson(); });
        });
        server.Post("/marks/clear", [this](const httplib::Request&, httplib::Response& response) {
            askSession(response, [] {
                hostsim::clearMarks();
                return hostsim::marksJson();
            });
        });
        server.Get("/view.svg", [this](const httplib::Request&, httplib::Response& response) {
            sendViewSvg(response);
        });
        server.Post(dropPath, [this](const httplib::Request& request, httplib::Response& response,
                                     const httplib::ContentReader& reader) {
            openDropped(request, response, reader);
        });
        server.Get("/transcript",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       sendTranscript(request, response);
                   });
        server.Get("/history", [this](const httplib::Request&, httplib::Response& response) {
            askSession(response, [] { return hostsim::historyJson(); });
        });
        server.Post("/complete",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        complete(request, response);
                    });
    }

    bool bind(const hostsim::ServeAddress& address, int& port) {
        if (address.port != 0) {
            port = address.port;
            return server.bind_to_port(address.host, address.port);
        }
        port = server.bind_to_any_port(address.host);
        return port > 0;
    }

    void start() {
        server.widenBacklog();
        worker = std::thread([this] { server.listen_after_bind(); });
    }

    void stop() {
        server.stop();
        if (worker.joinable()) worker.join();
    }

private:
    // The page's files hold no secret: the page takes the token from its address.
    void servePageFile(const hostsim::PageFile& file) {
        server.Get(file.path, [&file](const httplib::Request&, httplib::Response& response) {
            response.set_content(file.content, file.contentType);
        });
    }

    // The line's text and the prompt after it come to the page on the transcript, with the rest.
    void runLine(const httplib::Request& request, httplib::Response& response) {
        Json body = Json::parse(request.body, nullptr, false);
        if (!body.is_object() || !body.contains("line") || !body["line"].is_string())
            return sendJson(response, 400, Json{{"refused", "The request needs a line."}});
        std::string line = body["line"].get<std::string>();
        std::string reason;
        if (!hostsim::lineAllowedFromPage(line, reason))
            return sendJson(response, 403, Json{{"refused", reason}});
        sendHanded(response, queue.submit(line, replyWait));
    }

    static void sendHanded(httplib::Response& response, hostsim::SessionQueue::Handed handed) {
        using Handed = hostsim::SessionQueue::Handed;
        switch (handed) {
            case Handed::taken: return sendJson(response, 200, Json{{"taken", true}});
            case Handed::waiting: return sendJson(response, 202, Json{{"waiting", true}});
            case Handed::refused:
                return sendJson(response, 409, Json{{"refused", "No point is asked for."}});
            case Handed::full:
                return sendJson(response, 503,
                                Json{{"refused", "The session is busy; try again."}});
            case Handed::ended:
                return sendJson(response, 410, Json{{"refused", "The session has ended."}});
        }
    }

    // Host state is read and changed on the session thread alone.
    void askSession(httplib::Response& response, const std::function<std::string()>& task,
                    const char* type = jsonType) {
        std::string answer;
        if (!queue.ask(task, answer, replyWait) || answer.empty())
            return sendJson(response, 503, Json{{"refused", "The session is busy or has ended."}});
        // Moved, not copied as set_content would: the million's binary drawing is 35 MB.
        response.body = std::move(answer);
        response.headers.erase("Content-Type");
        response.set_header("Content-Type", type);
    }

    // The packed drawing as the host keeps it, shared with the reply rather than copied into it.
    // The holder outlives a reply that stopped waiting for the session.
    void sendPackedDrawing(httplib::Response& response) {
        auto holder = std::make_shared<std::shared_ptr<const hostsim::PackedDrawing>>();
        std::string answer;
        auto list = [holder] {
            *holder = hostsim::drawingPrimitivesBinary();
            return std::string("listed");
        };
        if (!queue.ask(list, answer, replyWait) || *holder == nullptr)
            return sendJson(response, 503, Json{{"refused", "The session is busy or has ended."}});
        std::shared_ptr<const hostsim::PackedDrawing> packed = *holder;
        response.set_content_provider(
            packed->size(), binaryType,
            [packed](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                std::string_view bytes = packed->from(offset);
                return sink.write(bytes.data(), std::min(length, bytes.size()));
            });
    }

    // The view as the page shows it, as a file to save.
    void sendViewSvg(httplib::Response& response) {
        std::string svg;
        if (!queue.ask([] { return hostsim::viewSvg(); }, svg, replyWait))
            return sendJson(response, 503, Json{{"refused", "The session is busy or has ended."}});
        response.set_header("Content-Disposition", "attachment; filename=\"view.svg\"");
        response.set_content(svg, svgType);
    }

    // {"viewHeight": drawing units, "screen": [width, height] in pixels, "center": [x, y] in
    // world, which may be left out}
    void setView(const httplib::Request& request, httplib::Response& response) {
        Json body = Json::parse(request.body, nullptr, false);
        const Json* screen =
            body.is_object() && body.contains("screen") ? &body["screen"] : nullptr;
        if (screen == nullptr || !body.contains("viewHeight") || !body["viewHeight"].is_number() ||
            !screen->is_array() || screen->size() != 2 || !(*screen)[0].is_number() ||
            !(*screen)[1].is_number())
            return sendJson(response, 400, Json{{"refused", "The request needs a view."}});
        double height = body["viewHeight"], width = (*screen)[0], pixelsHigh = (*screen)[1];
        const Json* center = body.contains("center") ? &body["center"] : nullptr;
        bool centered = center != nullptr && center->is_array() && center->size() == 2 &&
                        (*center)[0].is_number() && (*center)[1].is_number();
        double x = centered ? (*center)[0].get<double>() : 0.0,
               y = centered ? (*center)[1].get<double>() : 0.0;
        askSession(response, [=] {
            bool set = centered ? hostsim::setPageView(x, y, height, width, pixelsHigh)
                                : hostsim::setPageView(height, width, pixelsHigh);
            return set ? std::string("{\"set\":true}") : std::string("{\"set\":false}");
        });
    }

    // {"x": world X, "y": world Y}
    static bool readWorldPoint(const httplib::Request& request, httplib::Response& response,
                               double& x, double& y) {
        Json body = Json::parse(request.body, nullptr, false);
        bool good = body.is_object() && body.contains("x") && body.contains("y") &&
                    body["x"].is_number() && body["y"].is_number();
        if (good) {
            x = body["x"];
            y = body["y"];
            good = std::isfinite(x) && std::isfinite(y);
        }
        if (!good) sendJson(response, 400, Json{{"refused", "The request needs a point."}});
        return good;
    }

    // {"line": the text up to the cursor}
    void complete(const httplib::Request& request, httplib::Response& response) {
        Json body = Json::parse(request.body, nullptr, false);
        if (!body.is_object() || !body.contains("line") || !body["line"].is_string())
            return sendJson(response, 400, Json{{"refused", "The request needs a line."}});
        std::string before = body["line"].get<std::string>();
        askSession(response,
                   [this, before] { return hostsim::completionJson(completeLine, before); });
    }

    // The hover gives way to any line or click that comes, and stops after previewSeconds of the
    // session thread's time (on a busy machine the clock's would run out before the work did),
    // but for a click at the same point: what it finds then is the click's answer, kept by the
    // host for the click, which would otherwise start it again. The query asks every few dozen
    // primitives it meets, thousands of times among piled objects, and reading the thread's time
    // is a system call, so that is read at every previewClockEvery-th.
    std::string preview(double x, double y) {
        hostsim::Point at = {x, y, 0.0};
        double budgetEnd = threadSeconds() + hostsim::previewSeconds;
        unsigned checks = 0;
        return hostsim::selectionPreviewJson(x, y, [this, at, budgetEnd, &checks] {
            if (queue.lineWaitingBesides(at)) return true;
            if (++checks % previewClockEvery != 0) return false;
            return threadSeconds() >= budgetEnd && !queue.clickWaitingAt(at);
        });
    }

    static double threadSeconds() {
        timespec now;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
    }

    // A click answers the prompt as the point typed at that spot would, sent exactly; the
    // transcript shows it at the drawing's decimal places. It is typed when the session takes
    // it, at the prompt waiting then.
    void pick(const httplib::Request& request, httplib::Response& response) {
        double x = 0, y = 0;
        if (!readWorldPoint(request, response, x, y)) return;
        auto typeClick = [x, y](std::string& line, std::string& echo) {
            if (!hostsim::pointPromptWaiting()) return false;
            hostsim::typedPointAnswer(x, y, line, echo);
            return true;
        };
        sendHanded(response, queue.submitClick(typeClick, replyWait, hostsim::Point{x, y, 0.0}));
    }

    // The body is the file's text, ?name= what the page calls it (for messages only). The text is
    // kept apart from the task: a task the wait gave up on still runs later, and then does nothing.
    // One drawing is received at a time, into room for its stated length taken once, so a drop
    // costs at most the drawing limit; the room is given back when the last holder lets go.
    void openDropped(const httplib::Request& request, httplib::Response& response,
                     const httplib::ContentReader& reader) {
        struct Drop {
            std::shared_ptr<std::atomic<bool>> receiving;
            std::string text, name;
            bool fits = true;
            std::atomic<bool> abandoned{false};
            ~Drop() { *receiving = false; }
        };
        if (receivingDrop->exchange(true)) {
            response.set_header("Connection", "close");  // the body is left unread
            return sendJson(response, 503,
                            Json{{"refused",
                                  "Another drawing is being opened; drop "
                                  "this one again in a moment."}});
        }
        auto drop = std::make_shared<Drop>();
        drop->receiving = receivingDrop;
        drop->name = hostsim::droppedDrawingName(request.get_param_value("name"));
        const std::uint64_t length = declaredLength(request);
        drop->fits = length <= hostsim::maxDrawingBytes() && makeRoom(drop->text, length);
        bool whole = drop->fits && reader([&drop, length](const char* data, std::size_t size) {
                         if (drop->text.size() + size > length) return false;
                         drop->text.append(data, size);
                         return true;
                     });
        if (drop->fits && !whole) {
            response.set_header("Connection", "close");
            return sendJson(response, 400, Json{{"refused", "The drawing did not arrive whole."}});
        }
        if (!drop->fits) response.set_header("Connection", "close");  // the rest is left unread
        std::string answer;
        bool asked = queue.ask(
            [drop] {
                if (drop->abandoned) return std::string();
                return drop->fits ? hostsim::openDroppedDrawing(drop->text, drop->name)
                                  : hostsim::refuseLargeDrawing(drop->name);
            },
            answer, replyWait);
        if (!asked || answer.empty()) {
            drop->abandoned = true;
            return sendJson(response, 503, Json{{"refused", "The session is busy or has ended."}});
        }
        bool opened = Json::parse(answer, nullptr, false).contains("opened");
        response.status = opened ? 200 : drop->fits ? 422 : 413;
        response.set_content(answer, jsonType);
    }

    // False when this process cannot have that much memory: such a drawing could not open.
    static bool makeRoom(std::string& text, std::uint64_t length) {
        try {
            text.reserve(static_cast<std::size_t>(length));
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

    // ?from=OFFSET&state=REVISION&marks=REVISION: what the page has seen; &wait=1 waits for news.
    void sendTranscript(const httplib::Request& request, httplib::Response& response) {
        hostsim::SessionQueue::Seen seen{countParameter(request, "from"),
                                         countParameter(request, "state"),
                                         countParameter(request, "marks")};
        std::optional<hostsim::SessionQueue::Update> update =
            request.get_param_value("wait") != "1"
                ? queue.transcript(seen)
                : queue.awaitTranscript(seen, transcriptWait,
                                        transcriptSeats.seatOf(request.get_param_value("page")));
        if (!update)
            return sendJson(response, 503, Json{{"refused", "Too many pages wait; ask again."}});
        Json reply = {{"text", update->text},
                      {"end", update->end},
                      {"ended", update->ended},
                      {"revision", update->revision},
                      {"marksRevision", update->marksRevision}};
        reply["state"] = Json::parse(update->state, nullptr, false);
        if (reply["state"].is_discarded()) reply["state"] = nullptr;  // before the first rest
        Json marks = Json::parse(update->marks.value_or(""), nullptr, false);
        if (marks.is_object()) reply["marks"] = marks["marks"];
        sendJson(response, 200, reply);
    }

    static std::uint64_t countParameter(const httplib::Request& request, const char* name) {
        std::string text = request.get_param_value(name);
        bool number = !text.empty() && text.size() < 16 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
        return number ? std::stoull(text) : 0;
    }

    GatedServer server;
    hostsim::SessionQueue& queue;
    hostsim::ServedSite& site;
    hostsim::CompleteLine completeLine;
    TranscriptSeats transcriptSeats;
    std::thread worker;
    // A dropped drawing is being received, or its text still waits for the session.
    std::shared_ptr<std::atomic<bool>> receivingDrop = std::make_shared<std::atomic<bool>>(false);
};

// What the page shows beside the transcript: the prompt's state, and the marks when they moved.
void describeSession(hostsim::SessionQueue::Picture& picture) {
    picture.state = hostsim::promptStateJson();
    if (picture.marksRevision == hostsim::marksRevision()) return;
    picture.marksRevision = hostsim::marksRevision();
    picture.marks = hostsim::marksJson();
}

}  // namespace

namespace hostsim {

bool HandlerQueue::enter() {
    for (std::size_t now = waiting.load(); now < limit;)
        if (waiting.compare_exchange_weak(now, now + 1)) return true;
    return false;
}

void HandlerQueue::leave() { --waiting; }

bool serveSession(const ServeOptions& options, const std::function<void()>& runSession,
                  const std::function<void(const std::string& url)>& announce, std::string& error) {
    ServedTerminal terminal;  // first: the threads started after it block SIGINT
    // Shared with the terminal's reader thread.
    auto queue = std::make_shared<SessionQueue>(describeSession);
    ServedSite site{"", newSessionToken()};
    PageServer server(*queue, site, options.complete);
    int port = 0;
    if (!server.bind(options.address, port)) {
        error = "cannot listen on " + hostHeaderOf(options.address.host, options.address.port);
        return false;
    }
    site.hostHeader = hostHeaderOf(options.address.host, port);
    server.start();
    announce("http://" + site.hostHeader + "/?token=" + site.token);
    mirrorOutput([queue](const std::string& text) { queue->record(utf8FromCp1252(text)); });
    useLineSource([queue, &terminal](std::string& line) {
        std::string echo;
        bool fromPage = false;
        if (!queue->take(line, &echo, &fromPage)) return false;
        if (!fromPage && !terminal.takeLine()) return false;  // Ctrl-D at the terminal
        if (!echo.empty()) echoSourceLineAs(echo);
        if (fromPage) checkSourceLineWith(lineAllowedFromPage);
        rememberSessionLine(line);
        return true;
    });
    if (options.readTerminal) terminal.start(queue);
    runSession();
    queue->close();
    // The pages waiting on the transcript learn that the session ended before the server stops:
    // closing ends their waits, and the server waits for those answers, not longer than the cap.
    queue->awaitTranscriptWaitsEnded(sessionEndNotice);
    useLineSource(nullptr);
    mirrorOutput(nullptr);
    server.stop();
    return true;
}

}  // namespace hostsim

extern "C" const hostsim::ServeEntryPoints* hostsimServeEntryPoints() {
    static const hostsim::ServeEntryPoints entryPoints = {hostsim::parseServeAddress,
                                                          hostsim::serveSession};
    return &entryPoints;
}
