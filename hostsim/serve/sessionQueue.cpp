// hostsim/serve/sessionQueue.cpp - lines from the HTTP threads to the one thread that owns the
// host session and the module, and what it printed back.
#include "hostsim/serve/serve.h"

namespace hostsim {

void SessionQueue::finishCurrent() {
    if (current) current->done = true;
    current.reset();
    changed.notify_all();
}

bool SessionQueue::submit(const std::string& line, std::string& printed,
                          std::chrono::milliseconds wait) {
    auto reply = std::make_shared<Reply>();
    std::unique_lock<std::mutex> guard(lock);
    if (closed) return false;
    items.push_back({line, reply});
    changed.notify_all();
    changed.wait_for(guard, wait, [&] { return reply->done; });
    printed = reply->printed;
    return true;
}

void SessionQueue::post(const std::string& line) {
    std::lock_guard<std::mutex> guard(lock);
    if (closed) return;
    items.push_back({line, nullptr});
    changed.notify_all();
}

bool SessionQueue::take(std::string& line) {
    std::unique_lock<std::mutex> guard(lock);
    finishCurrent();
    changed.wait(guard, [&] { return closed || !items.empty(); });
    if (closed) return false;
    line = items.front().line;
    current = items.front().reply;
    items.pop_front();
    return true;
}

void SessionQueue::record(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock);
    if (current) current->printed += text;
    kept += text;
    if (kept.size() > transcriptLimit) {
        std::size_t dropped = kept.size() - transcriptLimit;
        kept.erase(0, dropped);
        keptStart += dropped;
    }
}

void SessionQueue::close() {
    std::lock_guard<std::mutex> guard(lock);
    closed = true;
    finishCurrent();
    for (Item& item : items)
        if (item.reply) item.reply->done = true;
    items.clear();
}

std::string SessionQueue::transcript(std::size_t from, std::size_t& end) const {
    std::lock_guard<std::mutex> guard(lock);
    end = keptStart + kept.size();
    if (from >= end) return "";
    return kept.substr(from > keptStart ? from - keptStart : 0);
}

}  // namespace hostsim
