// hostsim/serve/sessionQueue.cpp - lines, clicks and tasks from the HTTP threads to the one thread
// that owns the host session and the module, and what it printed and waits for back to the pages.
#include "hostsim/serve/serve.h"

#include <algorithm>
#include <utility>

namespace hostsim {

void SessionQueue::settle(Handing* handing, Handed handed) {
    if (handing == nullptr) return;
    handing->handed = handed;
    handing->settled = true;
    changed.notify_all();
}

// A page's item waits its turn up to wait. A line or click passed over by then keeps its place
// (the user meant it); a task no longer asked for is dropped when its turn comes.
SessionQueue::Handed SessionQueue::handOver(Item item, std::chrono::milliseconds wait) {
    std::shared_ptr<Handing> handing = item.handing;
    std::unique_lock<std::mutex> guard(lock);
    if (closed) return Handed::ended;
    if (items.size() >= itemLimit) return Handed::full;
    items.push_back(std::move(item));
    countLines();
    changed.notify_all();
    changed.wait_for(guard, wait, [&] { return handing->settled || closed; });
    if (handing->settled) return handing->handed;
    handing->abandoned = true;
    return closed ? Handed::ended : Handed::waiting;
}

SessionQueue::Handed SessionQueue::submit(const std::string& line, std::chrono::milliseconds wait) {
    return handOver({line, nullptr, std::nullopt, nullptr, std::make_shared<Handing>()}, wait);
}

SessionQueue::Handed SessionQueue::submitClick(TypeClick type, std::chrono::milliseconds wait,
                                               std::optional<Point> at) {
    return handOver({"", std::move(type), at, nullptr, std::make_shared<Handing>()}, wait);
}

bool SessionQueue::ask(const std::function<std::string()>& task, std::string& answer,
                       std::chrono::milliseconds wait) {
    auto handing = std::make_shared<Handing>();
    if (handOver({"", nullptr, std::nullopt, task, handing}, wait) != Handed::taken) return false;
    std::lock_guard<std::mutex> guard(lock);
    answer = std::move(handing->answer);
    return true;
}

// The terminal's reader has no one to tell that the queue is full: it waits for room.
bool SessionQueue::post(const std::string& line) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return closed || items.size() < itemLimit; });
    if (closed) return false;
    items.push_back({line, nullptr, std::nullopt, nullptr, nullptr});
    countLines();
    changed.notify_all();
    return true;
}

// A posted task has no one waiting for it, so it is never given up: it runs when its turn comes.
bool SessionQueue::postTask(const std::function<std::string()>& task) {
    std::lock_guard<std::mutex> guard(lock);
    if (closed || items.size() >= itemLimit) return false;
    items.push_back({"", nullptr, std::nullopt, task, std::make_shared<Handing>()});
    changed.notify_all();
    return true;
}

// Runs on the session thread without the lock: the description reads host state. Only what
// changed is copied under the lock; the marks seldom do.
void SessionQueue::publish(bool cameToRest) {
    if (describe) describe(described);
    std::lock_guard<std::mutex> guard(lock);
    bool stateChanged = described.state != state;
    if (described.marksRevision != hostMarksRevision) {
        hostMarksRevision = described.marksRevision;
        marks = described.marks;
        ++marksRevision;
    }
    if (stateChanged) state = described.state;
    if (cameToRest || stateChanged) ++revision;
    resting = true;
    changed.notify_all();
}

// A task runs without the lock, so that what it reads of the host may take its time; what it
// returns is its answer, never part of the transcript.
void SessionQueue::runTask(Item& item, std::unique_lock<std::mutex>& guard) {
    if (item.handing->abandoned) return;
    guard.unlock();
    std::string answer = item.task();
    publish(false);
    guard.lock();
    item.handing->answer = std::move(answer);
    settle(item.handing.get(), Handed::taken);
}

// A click is typed here, when its turn has come: a line ahead of it (the terminal's, say) may
// have answered the prompt it was aimed at, and then it answers nothing. Typing reads the host,
// so it runs without the lock.
bool SessionQueue::typeLine(Item& item, std::string& line, std::string& echo,
                            std::unique_lock<std::mutex>& guard) {
    echo.clear();
    if (!item.typeClick) {
        line = item.line;
        return true;
    }
    guard.unlock();
    bool typed = item.typeClick(line, echo);
    guard.lock();
    return typed;
}

bool SessionQueue::take(std::string& line, std::string* echo, bool* fromPage) {
    publish(true);
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [&] { return closed || !items.empty(); });
        if (closed) return false;
        Item item = std::move(items.front());
        items.pop_front();
        countLines();
        changed.notify_all();  // room for the terminal's line
        if (item.task) {
            runTask(item, guard);
            continue;
        }
        std::string shown;
        if (!typeLine(item, line, shown, guard)) {
            settle(item.handing.get(), Handed::refused);
            continue;
        }
        settle(item.handing.get(), Handed::taken);
        resting = false;
        if (echo != nullptr) *echo = shown;
        if (fromPage != nullptr) *fromPage = item.handing != nullptr;
        return true;
    }
}

void SessionQueue::record(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock);
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
    for (Item& item : items) settle(item.handing.get(), Handed::ended);
    items.clear();
    countLines();
    changed.notify_all();
}

bool SessionQueue::ended() const {
    std::lock_guard<std::mutex> guard(lock);
    return closed;
}

bool SessionQueue::clickWaitingAt(const Point& at) const {
    std::lock_guard<std::mutex> guard(lock);
    return std::any_of(items.begin(), items.end(),
                       [&](const Item& i) { return i.clickAt && *i.clickAt == at; });
}

void SessionQueue::countLines() {
    lineOrClose =
        closed || std::any_of(items.begin(), items.end(), [](const Item& i) { return !i.task; });
}

// Asked at every step of a hover's query: the lock is taken only when something waits.
bool SessionQueue::lineWaitingBesides(const Point& at) const {
    if (!lineOrClose) return false;
    std::lock_guard<std::mutex> guard(lock);
    return closed || std::any_of(items.begin(), items.end(), [&](const Item& i) {
               return !i.task && !(i.clickAt && *i.clickAt == at);
           });
}

std::string SessionQueue::keptFrom(std::size_t from, std::size_t& end) const {
    end = keptStart + kept.size();
    if (from >= end) return "";
    return kept.substr(from > keptStart ? from - keptStart : 0);
}

bool SessionQueue::newsFor(const Seen& seen) const {
    return closed || revision != seen.revision || marksRevision != seen.marksRevision ||
           keptStart + kept.size() > seen.from;
}

SessionQueue::Update SessionQueue::updateFor(const Seen& seen) const {
    Update update;
    update.text = keptFrom(seen.from, update.end);
    update.ended = closed;
    update.revision = revision;
    update.state = state;
    update.marksRevision = marksRevision;
    if (seen.marksRevision != marksRevision) update.marks = marks;
    return update;
}

SessionQueue::Update SessionQueue::transcript(const Seen& seen) const {
    std::lock_guard<std::mutex> guard(lock);
    return updateFor(seen);
}

std::optional<SessionQueue::Update> SessionQueue::awaitTranscript(const Seen& seen,
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
    auto deadline = std::chrono::steady_clock::now() + wait;
    changed.wait_until(guard, deadline, [&] { return self.ended || newsFor(seen); });
    deadline = std::min(deadline, std::chrono::steady_clock::now() + settleWait);
    changed.wait_until(guard, deadline, [&] { return self.ended || closed || resting; });
    waiters.remove(&self);
    changed.notify_all();  // awaitTranscriptWaitsEnded
    return updateFor(seen);
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
