// hostsim/drawing/drawingFile.cpp - a drawing file's text: special files refused with their
// reason, streams read within the size limit, the limit itself.
#include "hostsim/drawing/drawing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint64_t defaultMaxDrawingBytes = std::uint64_t(4) << 30;
const char maxDrawingBytesVariable[] = "HOSTSIM_MAX_DRAWING_BYTES";

// True when info is that of the program's own standard input (/dev/stdin, /proc/self/fd/0):
// opened again by its name, a regular file would be read from its start and left unconsumed,
// so the prompts would read the drawing's lines as answers.
bool isStandardInput(const struct stat& info) {
    struct stat input;
    return fstat(STDIN_FILENO, &input) == 0 && input.st_dev == info.st_dev &&
           input.st_ino == info.st_ino;
}

// Refuses what cannot be a drawing before anything is read: a missing file or a directory
// with the true reason, a regular file larger than the limit. A FIFO blocks in open until
// something writes to it, so the user is told first.
bool openForReading(const std::string& path, int& fd, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = path + ": is a directory";
        return false;
    }
    if (S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) > hostsim::maxDrawingBytes()) {
        error = path + ": " + hostsim::drawingTooLargeText();
        return false;
    }
    if (isStandardInput(info)) {  // read where it stands and consumed, as any input is
        fd = dup(STDIN_FILENO);
        if (fd >= 0) return true;
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    if (S_ISFIFO(info.st_mode))
        std::fprintf(stderr,
                     "hostsim: %s is a FIFO: reading it waits until something writes to it\n",
                     path.c_str());
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Reads to the end as a stream, so that pipes and files whose size stat does not know
// (/proc, /dev/stdin) are read too. Stops past the limit, and at the first NUL byte: binary
// content is refused whatever follows, and /dev/zero must not be read to the limit.
bool readStream(int fd, const std::string& path, std::string& text, std::string& error) {
    const std::uint64_t limit = hostsim::maxDrawingBytes();
    char chunk[1 << 16];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = path + ": cannot be read: " + std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > limit) {
            error = path + ": " + hostsim::drawingTooLargeText();
            return false;
        }
        if (std::memchr(chunk, '\0', static_cast<std::size_t>(got)) != nullptr) return true;
    }
}

}  // namespace

namespace hostsim {

bool readDrawingFile(const std::string& path, std::string& text, std::string& error) {
    int fd = -1;
    if (!openForReading(path, fd, error)) return false;
    struct stat info;  // a regular file's text is read into room for all of it, not grown
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) <= maxDrawingBytes())
        text.reserve(static_cast<std::size_t>(info.st_size));
    bool read = readStream(fd, path, text, error);
    close(fd);
    return read;
}

std::string drawingTooLargeText() {
    return "larger than the " + std::to_string(maxDrawingBytes()) +
           " bytes a drawing may take here (" + maxDrawingBytesVariable + ")";
}

std::uint64_t maxDrawingBytes() {
    const char* text = std::getenv(maxDrawingBytesVariable);
    if (text == nullptr) return defaultMaxDrawingBytes;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text, &end, 10);
    bool whole = end != text && *end == '\0' && errno == 0 && value > 0 && text[0] != '-';
    return whole ? value : defaultMaxDrawingBytes;
}

}  // namespace hostsim
