// tools/msgc/writer.h - builds compiled catalogues from message lists, appends and decodes them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "messages/catalogueFormat.h"

struct SourceMessage {
    int module = 0;
    int number = 0;
    int kind = -1;     // -1: the catalogue's default kind
    std::string text;  // code page 1252 bytes, without the NUL that kind 12 adds
    int line = 0;      // source line, for messages about it
    std::string name;  // the constant that names number in code; empty when the source gives none
};

struct CatalogueOptions {
    int messagesPerBlock = 1;
    int defaultKind = 12;
    std::int32_t cacheLimit = -1;                     // bytes of blocks before a flush; -1 none
    std::vector<std::pair<int, int>> pinnedMessages;  // module:number whose block is pinned
    std::vector<int> pinnedModules;                   // modules whose every block is pinned
    int slotCount = -1;                               // -1: the highest module + 1
    bool bigEndian = false;  // write the catalogue's integers big-endian (a foreign catalogue)
    std::string language = catalogue::languageCode;  // the header's language code: 1 to 8 letters
};

// Where each block went, for tests that aim at a block's bytes.
struct BlockLayout {
    int module;
    int firstNumber;
    std::int32_t offset;
    int length;
    std::uint16_t flags;
};

struct BuiltCatalogue {
    std::vector<unsigned char> bytes;  // the catalogue alone, without the trailer
    std::vector<BlockLayout> blocks;   // in block-table order
    std::int32_t charTableOffset = 0;
    std::int32_t fileIndexOffset = 0;
};

bool isValidKind(int kind);

// Checks the messages (numbers 1..count without gaps per module, no duplicates, lengths that
// fit) and lays out the catalogue. On failure returns false with a message in error and the
// offending message's source line in errorLine (0 when no line is to blame).
bool buildCatalogue(const std::vector<SourceMessage>& messages, const CatalogueOptions& options,
                    BuiltCatalogue& out, std::string& error, int* errorLine = nullptr);

// The seven bytes that follow a catalogue of this length.
std::vector<unsigned char> catalogueTrailer(std::int32_t length);

// Writes catalogue and trailer as a file of its own.
bool writeCatalogueFile(const std::string& path, const std::vector<unsigned char>& catalogue,
                        std::string& error);

// Appends catalogue and trailer to an existing file, first cutting off a catalogue that is
// already there, so a module can be given new texts as often as wanted.
bool appendCatalogueToFile(const std::string& path, const std::vector<unsigned char>& catalogue,
                           std::string& error);

// The size of the file's own content before an appended catalogue: the whole size when the
// bytes carry no catalogue. Only a trailer whose catalogue starts with the header title counts.
std::size_t contentSizeBeforeCatalogue(const std::vector<unsigned char>& file);

struct DecodedCatalogue {
    int slotCount = 0;
    int messagesPerBlock = 0;
    int blockCount = 0;
    std::int32_t cacheLimit = -1;
    std::vector<int> moduleCounts;        // per slot; -1 for an absent module
    std::vector<SourceMessage> messages;  // every message, unscrambled, in module order
};

// Decodes the catalogue at the end of the file's bytes, checking every offset and length.
bool decodeCatalogue(const std::vector<unsigned char>& file, DecodedCatalogue& out,
                     std::string& error);

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

// The text with \n, \t, \\, \" and any byte outside printable ASCII escaped, in double quotes.
std::string quoteText(const std::string& text);
