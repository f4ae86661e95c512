// tests/messages/catalogueTestSupport.h - builds catalogue files for the reader's tests and
// captures the texts the reader reports.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/msgc/writer.h"

// Every text the reader hands to its abort callback, in order.
std::vector<std::string>& capturedErrors();
void captureError(const char* text);

// A fresh directory for this test's files, removed by the caller's fixture if wanted.
std::string testDirectory();

// A catalogue built from messages, with the file bytes at hand for corruption.
struct CatalogueImage {
    BuiltCatalogue built;
    std::vector<unsigned char> file;  // prefix + catalogue + trailer
    std::size_t base = 0;             // where the catalogue starts in file

    // Overwrites a little-endian integer at a catalogue offset.
    void putI32(long offset, std::int32_t value);
    void putI16(long offset, std::int16_t value);
    std::size_t blockEntryOffset(int index) const;     // catalogue offset of block table entry
    std::string write(const std::string& name) const;  // to the test directory; returns the path
};

CatalogueImage makeImage(const std::vector<SourceMessage>& messages,
                         const CatalogueOptions& options = CatalogueOptions(),
                         const std::string& prefix =
                             "\x7f"
                             "ELF pretend library image");

SourceMessage message(int module, int number, const std::string& text, int kind = -1);

std::vector<unsigned char> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// The catalogue the build compiles from messages/vectrin.msg.
const char* vectrinCataloguePath();
