// hostsim/serve/headGate.cpp - connections wait on one thread until their request head has
// arrived whole, and only then take a handler thread: clients that send slowly, or not at all,
// cannot hold the handlers and keep the page from loading.
#include "hostsim/serve/serve.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;

const char headEnd[] = "\r\n\r\n";  // the blank line after the last header
constexpr std::size_t readChunk = 4096;

int millisecondsUntil(Clock::time_point when) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left + 1, 0, 60 * 1000));
}

// The value of the head's first header called name (lower case), blanks trimmed; empty when
// it has none.
std::string headerValue(const std::string& head, const std::string& name) {
    for (std::size_t line = head.find("\r\n"); line != std::string::npos;
         line = head.find("\r\n", line + 2)) {
        std::size_t start = line + 2, colon = head.find(':', start);
        if (colon == std::string::npos || colon - start != name.size()) continue;
        auto sameLetter = [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        };
        if (!std::equal(name.begin(), name.end(), head.begin() + start, sameLetter)) continue;
        std::size_t end = head.find("\r\n", colon);
        std::size_t first = head.find_first_not_of(" \t", colon + 1);
        std::size_t last = head.find_last_not_of(" \t", end - 1);
        if (first == std::string::npos || first > last) return "";
        return head.substr(first, last - first + 1);
    }
    return "";
}

// The body the gate waits for after a head: its stated length when that is at most bodyLimit.
// A longer or chunked body is read by its handler, which refuses it or bounds its time.
std::size_t bodyWaitedFor(const std::string& head) {
    std::string length = headerValue(head, "content-length");
    if (!headerValue(head, "transfer-encoding").empty() || length.empty() || length.size() > 6 ||
        length.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    std::size_t bytes = std::stoul(length);
    return bytes <= hostsim::HeadGate::bodyLimit ? bytes : 0;
}

}  // namespace

namespace hostsim {

bool socketAddress(int socket, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ip.clear();
    port = 0;
    auto* named = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? getpeername(socket, named, &length) : getsockname(socket, named, &length)) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    }
    ip = text;
    return true;
}

HeadGate::HeadGate(HandOver handOver) : handOver(std::move(handOver)) {
    wakeUp = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread = std::thread([this] { run(); });
}

HeadGate::~HeadGate() {
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    std::uint64_t one = 1;
    if (write(wakeUp, &one, sizeof one) < 0) {
    }  // the counter cannot overflow at one a call
    thread.join();
    for (int socket : arrivals) close(socket);
    for (Pending& waiting : pending) close(waiting.socket);
    close(wakeUp);
}

void HeadGate::admit(int socket) {
    {
        std::lock_guard<std::mutex> guard(lock);
        arrivals.push_back(socket);
    }
    std::uint64_t one = 1;
    if (write(wakeUp, &one, sizeof one) < 0) {
    }
}

// One poll over the wake-up and every waiting connection; its timeout is the oldest's deadline.
void HeadGate::run() {
    std::vector<pollfd> polled;
    std::vector<std::list<Pending>::iterator> polledPending;
    for (;;) {
        takeArrivals();
        {
            std::lock_guard<std::mutex> guard(lock);
            if (stopping) return;
        }
        polled.assign(1, pollfd{wakeUp, POLLIN, 0});
        polledPending.clear();
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            polled.push_back(pollfd{it->socket, POLLIN, 0});
            polledPending.push_back(it);
        }
        int timeout = pending.empty() ? -1 : millisecondsUntil(pending.front().deadline);
        if (poll(polled.data(), polled.size(), timeout) < 0 && errno != EINTR) return;
        std::uint64_t count = 0;
        if (read(wakeUp, &count, sizeof count) < 0) {
        }  // nothing to read: no wake-up came
        for (std::size_t i = 1; i < polled.size(); ++i) {
            if (polled[i].revents == 0) continue;
            if (!receive(*polledPending[i - 1])) pending.erase(polledPending[i - 1]);
        }
        closeExpired();
    }
}

void HeadGate::takeArrivals() {
    std::vector<int> taken;
    {
        std::lock_guard<std::mutex> guard(lock);
        taken.swap(arrivals);
    }
    for (int socket : taken) enter(socket);
}

// A new connection past a bound closes an older one rather than being refused. What has arrived
// on the waiting ones is read first, so that a head already sent is handed over, not dropped.
void HeadGate::enter(int socket) {
    std::string client;
    int port = 0;
    socketAddress(socket, true, client, port);
    auto sameClient = [&] {
        return static_cast<std::size_t>(std::count_if(
            pending.begin(), pending.end(), [&](const Pending& p) { return p.client == client; }));
    };
    if (sameClient() >= pendingPerClient || pending.size() >= pendingLimit) receiveAll();
    if (sameClient() >= pendingPerClient) closeOldest(&client);
    if (pending.size() >= pendingLimit) closeOldest(nullptr);
    pending.push_back(Pending{socket, client, Clock::now() + headDeadline, ""});
}

void HeadGate::receiveAll() {
    for (auto it = pending.begin(); it != pending.end();)
        it = receive(*it) ? std::next(it) : pending.erase(it);
}

// A browser sends its head as soon as it connects: a connection that has sent nothing yet is
// likelier never to than one that has begun, so a flood of bare connects cannot drop the page's
// request half-read. Among the rest, the oldest goes.
void HeadGate::closeOldest(const std::string* client) {
    auto ofClient = [&](const Pending& p) { return client == nullptr || p.client == *client; };
    auto oldest = std::find_if(pending.begin(), pending.end(),
                               [&](const Pending& p) { return ofClient(p) && p.received.empty(); });
    if (oldest == pending.end()) oldest = std::find_if(pending.begin(), pending.end(), ofClient);
    if (oldest == pending.end()) return;
    close(oldest->socket);
    pending.erase(oldest);
}

// Reads what has come; a whole request is handed over with whatever followed it in the same
// reads.
bool HeadGate::receive(Pending& waiting) {
    char chunk[readChunk];
    for (;;) {
        ssize_t got = recv(waiting.socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (got <= 0) break;  // the client closed, or the connection failed
        std::size_t searchFrom = waiting.received.size() < 3 ? 0 : waiting.received.size() - 3;
        waiting.received.append(chunk, static_cast<std::size_t>(got));
        if (waiting.wholeAt == 0) {
            std::size_t end = waiting.received.find(headEnd, searchFrom);
            if (end == std::string::npos && waiting.received.size() > headLimit) break;
            if (end != std::string::npos)
                waiting.wholeAt = end + 4 + bodyWaitedFor(waiting.received.substr(0, end + 2));
        }
        if (waiting.wholeAt != 0 && waiting.received.size() >= waiting.wholeAt) {
            handOver(waiting.socket, std::move(waiting.received));
            return false;
        }
    }
    close(waiting.socket);
    return false;
}

void HeadGate::closeExpired() {
    Clock::time_point now = Clock::now();
    while (!pending.empty() && pending.front().deadline <= now) {
        close(pending.front().socket);
        pending.pop_front();
    }
}

}  // namespace hostsim
