// messages/catalogueFile.cpp - buffered read-only file access for the catalogue reader.
#include "messages/catalogueFile.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

struct CatalogueFile {
    int handle;            // the system's file descriptor; read at explicit positions only
    long logicalPosition;  // where the next read starts
    long knownSize;        // the file's size once a seek from the end asked for it; -1 before
};

// ---- read buffer: one for the whole library, serving whichever file last filled it ----
static unsigned char readBuffer[catalogueBufferSize];
static const CatalogueFile* bufferOwner = nullptr;  // the file the buffer's bytes came from
static long bufferStart = 0;                        // file position of readBuffer[0]
static long bufferFill = 0;                         // bytes the buffer holds
static long refillCount = 0;                        // system reads into the buffer, for tests

static void emptyBuffer() {
    bufferOwner = nullptr;
    bufferStart = 0;
    bufferFill = 0;
}

// Reads up to byteCount bytes at position, retrying interrupted and partial reads. Each read
// names its position, so no seek is needed, and a read that reaches the known end of the file
// is not followed by one that could only find nothing.
static long readAt(const CatalogueFile* file, long position, unsigned char* destination,
                   long byteCount) {
    long done = 0;
    while (done < byteCount) {
        if (file->knownSize >= 0 && position + done >= file->knownSize) break;
        ssize_t got = ::pread(file->handle, destination + done,
                              static_cast<size_t>(byteCount - done), position + done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += got;
    }
    return done;
}

// Copies what the buffer holds from the logical position on, at most byteCount bytes.
static long copyFromBuffer(CatalogueFile* file, unsigned char* destination, long byteCount) {
    if (bufferOwner != file) return 0;
    long offset = file->logicalPosition - bufferStart;
    if (offset < 0 || offset >= bufferFill) return 0;
    long count = bufferFill - offset;
    if (count > byteCount) count = byteCount;
    memcpy(destination, readBuffer + offset, static_cast<size_t>(count));
    file->logicalPosition += count;
    return count;
}

static void refillBuffer(CatalogueFile* file) {
    emptyBuffer();
    long start = file->logicalPosition - file->logicalPosition % catalogueBufferAlign;
    refillCount++;
    bufferFill = readAt(file, start, readBuffer, catalogueBufferSize);
    bufferStart = start;
    bufferOwner = file;
}

CatalogueFile* catalogueFileOpen(const char* path) {
    if (path == nullptr) return nullptr;
    int handle = ::open(path, O_RDONLY);
    if (handle < 0) return nullptr;
    CatalogueFile* file = static_cast<CatalogueFile*>(malloc(sizeof(CatalogueFile)));
    if (file == nullptr) {
        ::close(handle);
        return nullptr;
    }
    file->handle = handle;
    file->logicalPosition = 0;
    file->knownSize = -1;
    emptyBuffer();
    return file;
}

long catalogueFileRead(CatalogueFile* file, void* destination, long elementSize, long count) {
    if (file == nullptr || elementSize <= 0 || count <= 0) return 0;
    if (count > (1L << 40) / elementSize) return 0;  // a product this large is never a real request
    long byteCount = elementSize * count;
    unsigned char* out = static_cast<unsigned char*>(destination);
    long delivered = 0;
    if (byteCount > catalogueBypassSize) {
        delivered = readAt(file, file->logicalPosition, out, byteCount);
        file->logicalPosition += delivered;
        return delivered / elementSize;
    }
    delivered = copyFromBuffer(file, out, byteCount);
    if (delivered < byteCount) {
        refillBuffer(file);
        delivered += copyFromBuffer(file, out + delivered, byteCount - delivered);
    }
    return delivered / elementSize;
}

long catalogueFileSeek(CatalogueFile* file, long offset, int origin) {
    if (file == nullptr) return -1;
    long target;
    if (origin == 0) {
        target = offset;
    } else if (origin == 1) {
        target = file->logicalPosition + offset;
    } else {
        off_t end = ::lseek(file->handle, offset, SEEK_END);
        if (end < 0) return -1;
        file->knownSize = static_cast<long>(end) - offset;
        target = static_cast<long>(end);
    }
    if (target < 0) return -1;
    file->logicalPosition = target;
    return target;
}

long catalogueFileTell(const CatalogueFile* file) {
    return file == nullptr ? -1 : file->logicalPosition;
}

void catalogueFileClose(CatalogueFile* file) {
    if (file == nullptr) return;
    ::close(file->handle);
    if (bufferOwner == file) emptyBuffer();
    free(file);
}

long catalogueFileRefillCount() { return refillCount; }
