// hostsim/serve/sessionQueue.cpp - lines from the HTTP threads to the one thread that owns the
// host session and the module, and what it printed back.
#include "hostsim/serve/serve.h"

#include <algorithm>
#include <utility>

namespace hostsim {

void SessionQueue::finishCurrent() {
    if (current) current->done = true;
    current.reset();
    changed.notify_all();
}

bool SessionQueue::handOver(Item item, std::string& printed, std::chrono::milliseconds wait) {
    std::shared_ptr<Reply> reply = item.reply;
    std::unique_lock<std::mutex> guard(lock);
    if (closed) return false;
    items.push_back(std::move(item));
    changed.notify_all();
    changed.wait_for(guard, wait, [&] { return reply->done; });
    printed = reply->printed;
    return true;
}

bool SessionQueue::submit(const std::string& line, std::string& printed,
                          std::chrono::milliseconds wait, const std::string& echo) {
    return handOver({line, echo, std::make_shared<Reply>(), nullptr}, printed, wait);
}

bool SessionQueue::ask(const std::function<std::string()>& task, std::string& answer,
                       std::chrono::milliseconds wait) {
    return handOver({"", "", std::make_shared<Reply>(), task}, answer, wait);
}

void SessionQueue::post(const std::string& line) {
    std::lock_guard<std::mutex> guard(lock);
    if (closed) return;
    items.push_back({line, "", nullptr, nullptr});
    changed.notify_all();
}

// A task runs without the lock, so that what it reads of the host may take its time; what it
// returns is its reply, never part of the transcript.
bool SessionQueue::take(std::string& line, std::string* echo, bool* fromPage) {
    std::unique_lock<std::mutex> guard(lock);
    finishCurrent();
    for (;;) {
        changed.wait(guard, [&] { return closed || !items.empty(); });
        if (closed) return false;
        Item item = std::move(items.front());
        items.pop_front();
        if (!item.task) {
            line = item.line;
            if (echo != nullptr) *echo = item.echo;
            if (fromPage != nullptr) *fromPage = item.reply != nullptr;
            current = item.reply;
            return true;
        }
        guard.unlock();
        std::string answer = item.task();
        guard.lock();
        item.reply->printed = answer;
        item.reply->done = true;
        changed.notify_all();
    }
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
    changed.notify_all();  // a page waiting for the transcript
}

void SessionQueue::close() {
    std::lock_guard<std::mutex> guard(lock);
    closed = true;
    finishCurrent();
    for (Item& item : items)
        if (item.reply) item.reply->done = true;
    items.clear();
}

bool SessionQueue::ended() const {
    std::lock_guard<std::mutex> guard(lock);
    return closed;
}

bool SessionQueue::lineWaiting() const {
    std::lock_guard<std::mutex> guard(lock);
    return closed || std::any_of(items.begin(), items.end(), [](const Item& i) { return !i.task; });
}

std::string SessionQueue::keptFrom(std::size_t from, std::size_t& end) const {
    end = keptStart + kept.size();
    if (from >= end) return "";
    return kept.substr(from > keptStart ? from - keptStart : 0);
}

std::string SessionQueue::transcript(std::size_t from, std::size_t& end) const {
    std::lock_guard<std::mutex> guard(lock);
    return keptFrom(from, end);
}

std::optional<std::string> SessionQueue::awaitTranscript(std::size_t from, std::size_t& end,
                                                         std::chrono::milliseconds wait,
                                                         const std::string& page) {
    std::unique_lock<std::mutex> guard(lock);
    std::size_t waiting = 0;
    for (TranscriptWaiter* waiter : waiters) {
        if (waiter->page == page) waiter->ended = true;
        if (!waiter->ended) ++waiting;
    }
    if (waiting >= transcriptWaiters) return std::nullopt;
    TranscriptWaiter self{page};
    waiters.push_back(&self);
    changed.notify_all();  // the page's older wait, if any
    changed.wait_for(guard, wait,
                     [&] { return closed || self.ended || keptStart + kept.size() > from; });
    waiters.remove(&self);
    changed.notify_all();  // awaitTranscriptWaitsEnded
    return keptFrom(from, end);
}

bool SessionQueue::awaitTranscriptWaitsEnded(std::chrono::milliseconds cap) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, cap, [&] { return waiters.empty(); });
}

std::size_t SessionQueue::transcriptWaits(const std::string& page, bool& pageWaits) const {
    std::lock_guard<std::mutex> guard(lock);
    pageWaits = false;
    std::size_t waiting = 0;
    for (const TranscriptWaiter* waiter : waiters) {
        if (waiter->ended) continue;
        ++waiting;
        pageWaits = pageWaits || waiter->page == page;
    }
    return waiting;
}

}  // namespace hostsim
