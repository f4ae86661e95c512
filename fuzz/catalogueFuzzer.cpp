// fuzz/catalogueFuzzer.cpp - catalogue files through openCatalogue and getMessage.
//
// Input: a whole file, which carries its catalogue at the end. When it opens, every message of
// every module slot it claims is asked for (and the numbers just outside), twice, so that blocks
// are both loaded and found in the cache. The abort callback returns, as a host's may: the
// library must stay safe after every error it reports.
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

constexpr int maxModulesAsked = 64;    // keeps one run short whatever the header claims
constexpr int maxNumbersAsked = 200;

// ---- fuzzer state ----
std::string catalogueFile;  // this process's scratch file, rewritten for every input

void ignoreCatalogueError(const char*) {}

bool writeInput(const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(catalogueFile.c_str(), "wb");
    if (out == nullptr) return false;
    bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

// Reads a text to its end, so an unterminated one shows up under the address sanitizer.
size_t touchText(const char* text, int length) {
    if (text == nullptr) return 0;
    size_t sum = std::strlen(text);
    for (int i = 0; i < length; i++) sum += static_cast<unsigned char>(text[i]);
    return sum;
}

void askEveryMessage() {
    int slots = catalogueSlotCount();
    if (slots > maxModulesAsked) slots = maxModulesAsked;
    volatile size_t sink = 0;
    for (int module = -1; module <= slots; module++) {
        int count = catalogueMessageCount(module);
        if (count > maxNumbersAsked) count = maxNumbersAsked;
        for (int number = -1; number <= count + 1; number++) {
            int length = 0;
            const char* text = getMessage(module, number, &length);
            sink = sink + touchText(text, length);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (catalogueFile.empty())
        catalogueFile = "/tmp/fuzzCatalogue." + std::to_string(static_cast<long>(getpid()));
    if (!writeInput(data, size)) std::abort();
    if (openCatalogue(catalogueFile.c_str(), ignoreCatalogueError) != -1) {
        askEveryMessage();
        askEveryMessage();
    }
    closeCatalogue();
    return 0;
}
