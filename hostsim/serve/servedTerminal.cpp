// hostsim/serve/servedTerminal.cpp - the terminal of a served session: its keys and its Ctrl-C,
// handed to the session thread through the queue, where readline and the host state live.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "hostsim/console/console.h"
#include "hostsim/serve/serve.h"

namespace {

// After a task found no prompt for the keys, the reader looks at them again this much later
// rather than at once: they wait for the session, not for the reader.
constexpr int keysRetryMilliseconds = 20;

}  // namespace

namespace hostsim {

ServedTerminal::ServedTerminal() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &maskBefore);
    caught = catchInterrupts();
    wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

ServedTerminal::~ServedTerminal() {
    stopping = true;
    wakeReader();
    if (reader.joinable()) reader.join();
    if (wake >= 0) close(wake);
    // Unblocked while still caught: a Ctrl-C pressed meanwhile must not end the program now.
    pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
    if (caught) releaseInterrupts();
    takeInterrupt();
}

void ServedTerminal::start(std::shared_ptr<SessionQueue> sessionQueue) {
    queue = std::move(sessionQueue);
    editing = shareTerminal();
    if (wake >= 0) reader = std::thread([this] { read(); });
}

bool ServedTerminal::takeLine() {
    if (posted.empty()) return true;
    Given given = posted.front();
    posted.pop_front();
    if (given == Given::typed) sourceLineTyped();
    if (given == Given::interrupted) sourceLineInterrupted();
    return given != Given::ended;
}

// Waits for the keys of standard input (while no task holds them) and for Ctrl-C, which only
// this thread lets in, and for the wake-up; standard input's end leaves Ctrl-C to wait for.
void ServedTerminal::read() {
    sigset_t waitMask;
    pthread_sigmask(SIG_SETMASK, nullptr, &waitMask);
    sigdelset(&waitMask, SIGINT);
    bool inputOpen = true;
    while (!stopping) {
        if (interruptWaiting()) handInterrupt();  // one a full queue did not take
        bool retryLater = keysLeftWaiting.exchange(false);
        bool watchKeys = inputOpen && !keysHanded && !retryLater;
        pollfd watched[2] = {{wake, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        timespec retry = {0, keysRetryMilliseconds * 1000000L};
        int ready = ppoll(watched, watchKeys ? 2 : 1, retryLater ? &retry : nullptr, &waitMask);
        if (stopping) break;
        if (ready < 0) {
            if (errno == EINTR && interruptWaiting()) handInterrupt();
            continue;
        }
        std::uint64_t count;
        if (watched[0].revents != 0 && ::read(wake, &count, sizeof count) < 0) continue;
        if (!watchKeys || watched[1].revents == 0) continue;
        if (editing)
            handKeys();
        else
            handPlainLines(inputOpen);
    }
}

void ServedTerminal::handKeys() {
    keysHanded = true;
    runOnSession([this] {
        std::string line;
        TerminalKeys keys = readTerminalKeys(line);
        if (keys == TerminalKeys::Line) post(line, Given::typed);
        if (keys == TerminalKeys::End) post("", Given::ended);
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        keysLeftWaiting = keys == TerminalKeys::Waiting && poll(&input, 1, 0) > 0;
        keysHanded = false;
        wakeReader();
    });
}

// Whole lines, as read; a line typed at a terminal without line editing shows there already.
void ServedTerminal::handPlainLines(bool& open) {
    char chunk[4096];
    ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count > 0) plainPending.append(chunk, static_cast<std::size_t>(count));
    open = count > 0;
    if (!open && !plainPending.empty()) plainPending += '\n';  // the last line, without its end
    std::vector<std::string> lines;
    for (std::size_t end; (end = plainPending.find('\n')) != std::string::npos;) {
        lines.push_back(plainPending.substr(0, end));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        plainPending.erase(0, end + 1);
    }
    if (lines.empty()) return;
    Given given = isatty(STDIN_FILENO) ? Given::typed : Given::plain;
    runOnSession([this, lines, given] {
        for (const std::string& line : lines) post(line, given);
    });
}

// A Ctrl-C cancels the prompt the session waits at; one that came while the session was busy
// was meant for that work (a pick stops at it), and is gone before the next prompt is up.
void ServedTerminal::handInterrupt() {
    if (interruptHanded.exchange(true)) return;  // the one handed over will take this one too
    runOnSession([this] {
        interruptHanded = false;
        if (!takeInterrupt() || waitingPrompt().empty()) return;
        if (editing) interruptTerminalLine();
        post("", Given::interrupted);
    });
}

// The task runs when the session thread next waits for a line; nobody waits for it here.
void ServedTerminal::runOnSession(std::function<void()> task) {
    auto run = [task = std::move(task)] {
        task();
        return std::string();
    };
    if (!queue->postTask(run) && !queue->ended()) {
        keysHanded = false;  // the queue is full: the reader tries again shortly
        keysLeftWaiting = true;
        interruptHanded = false;
    }
}

void ServedTerminal::post(const std::string& line, Given given) {
    posted.push_back(given);
    queue->post(line);
}

void ServedTerminal::wakeReader() {
    std::uint64_t one = 1;
    if (wake >= 0 && ::write(wake, &one, sizeof one) < 0) return;  // full: it is awake already
}

}  // namespace hostsim
