// fuzz/catalogueFuzzer.cpp - catalogue files through openCatalogue and getMessage.
//
// Input: a whole file, which carries its catalogue at the end. When it opens, a plan of lookups
// taken from the input's first bytes (the title of a catalogue at offset 0, or whatever comes
// before one further in; the reader ignores both) is asked for, then asked again, so that blocks
// are both loaded and found in the cache. Each planned lookup names a module from -1 to one past
// the slots and a number from -1 to one past the module's count, so every module and number of
// any catalogue can be reached while one run stays short: a header that sets a tiny cache limit
// makes every lookup re-read the tables. The abort callback returns, as a host's may: the
// library must stay safe after every error it reports.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "messages/catalogueInternals.h"
#include "messages/messages.h"

namespace {

// The plan spans the first 96 bytes, which a catalogue at offset 0 fills with its title,
// revision and version: texts the reader skips, so steering the plan leaves the catalogue as is.
constexpr int plannedLookups = 24;  // each asked twice: 48 lookups per input at most
constexpr int bytesPerLookup = 4;   // module and number, each a big-endian byte pair

// ---- fuzzer state ----
// The input goes to a file held in memory and is opened by its /proc path: a scratch file on
// disk cost a third of every run in truncating and writing it back.
int scratchFile = -1;
std::string catalogueFile;  // the path the library opens

void ignoreCatalogueError(const char*) {}

bool makeScratchFile() {
    scratchFile = memfd_create("fuzzCatalogue", 0);
    if (scratchFile < 0) return false;
    catalogueFile = "/proc/self/fd/" + std::to_string(scratchFile);
    return true;
}

bool writeInput(const uint8_t* data, size_t size) {
    if (ftruncate(scratchFile, static_cast<off_t>(size)) != 0) return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(scratchFile, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads a text to its end, so an unterminated one shows up under the address sanitizer.
size_t touchText(const char* text, int length) {
    if (text == nullptr) return 0;
    size_t sum = std::strlen(text);
    for (int i = 0; i < length; i++) sum += static_cast<unsigned char>(text[i]);
    return sum;
}

struct Lookup {
    int module;
    int number;
};

// Lookup k of the plan; the ranges come from the catalogue as opened, so they stay on its edges.
Lookup plannedLookup(const uint8_t* data, size_t size, int k) {
    size_t at = static_cast<size_t>(k) * bytesPerLookup;
    unsigned module16 = (static_cast<unsigned>(data[at % size]) << 8) | data[(at + 1) % size];
    unsigned number16 = (static_cast<unsigned>(data[(at + 2) % size]) << 8) | data[(at + 3) % size];
    int slots = catalogueSlotCount();
    Lookup lookup;
    lookup.module = static_cast<int>(module16 % static_cast<unsigned>(slots + 2)) - 1;
    int count = catalogueMessageCount(lookup.module);  // -1 outside the slots
    if (count < 0) count = 0;
    lookup.number = static_cast<int>(number16 % static_cast<unsigned>(count + 3)) - 1;
    return lookup;
}

void askPlannedMessages(const uint8_t* data, size_t size, int lookups) {
    volatile size_t sink = 0;
    for (int k = 0; k < lookups; k++) {
        Lookup lookup = plannedLookup(data, size, k);
        int length = 0;
        const char* text = getMessage(lookup.module, lookup.number, &length);
        sink = sink + touchText(text, length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (scratchFile < 0 && !makeScratchFile()) std::abort();
    if (!writeInput(data, size)) std::abort();
    if (openCatalogue(catalogueFile.c_str(), ignoreCatalogueError) != -1 && size > 0) {
        // A short input plans fewer lookups rather than repeating its few bytes.
        size_t planBytes = size < static_cast<size_t>(plannedLookups * bytesPerLookup)
                               ? size
                               : static_cast<size_t>(plannedLookups * bytesPerLookup);
        int lookups = static_cast<int>((planBytes + bytesPerLookup - 1) / bytesPerLookup);
        askPlannedMessages(data, size, lookups);
        askPlannedMessages(data, size, lookups);
    }
    closeCatalogue();
    return 0;
}
