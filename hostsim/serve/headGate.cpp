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
#include <cerrno>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;

const char headEnd[] = "\r\n\r\n";  // the blank line after the last header
constexpr std::size_t readChunk = 4096;

std::string clientAddressOf(int socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "";
    char text[INET6_ADDRSTRLEN] = "";
    const void* bytes = address.ss_family == AF_INET6
                            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr)
                            : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&address)->sin_addr);
    inet_ntop(address.ss_family, bytes, text, sizeof text);
    return text;
}

int millisecondsUntil(Clock::time_point when) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left + 1, 0, 60 * 1000));
}

}  // namespace

namespace hostsim {

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
    if (write(wakeUp, &one, sizeof one) < 0) {}  // the counter cannot overflow at one a call
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
    if (write(wakeUp, &one, sizeof one) < 0) {}
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
        if (read(wakeUp, &count, sizeof count) < 0) {}  // nothing to read: no wake-up came
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

// A new connection past a bound closes the oldest rather than being refused: a browser sends its
// head at once, so the oldest waiting is the likeliest to be one that never will.
void HeadGate::enter(int socket) {
    std::string client = clientAddressOf(socket);
    std::size_t sameClient = std::count_if(pending.begin(), pending.end(),
                                           [&](const Pending& p) { return p.client == client; });
    if (sameClient >= pendingPerClient) closeOldest(&client);
    if (pending.size() >= pendingLimit) closeOldest(nullptr);
    pending.push_back(Pending{socket, client, Clock::now() + headDeadline, ""});
}

void HeadGate::closeOldest(const std::string* client) {
    auto oldest = std::find_if(pending.begin(), pending.end(), [&](const Pending& p) {
        return client == nullptr || p.client == *client;
    });
    if (oldest == pending.end()) return;
    close(oldest->socket);
    pending.erase(oldest);
}

// Reads what has come; a whole head is handed over with whatever followed it in the same reads.
bool HeadGate::receive(Pending& waiting) {
    char chunk[readChunk];
    for (;;) {
        ssize_t got = recv(waiting.socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (got <= 0) break;  // the client closed, or the connection failed
        std::size_t searchFrom = waiting.received.size() < 3 ? 0 : waiting.received.size() - 3;
        waiting.received.append(chunk, static_cast<std::size_t>(got));
        if (waiting.received.find(headEnd, searchFrom) != std::string::npos) {
            handOver(waiting.socket, std::move(waiting.received));
            return false;
        }
        if (waiting.received.size() > headLimit) break;
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
