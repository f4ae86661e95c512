// messages/catalogue.cpp - the message library: texts by module and number from a catalogue.
//
// It opens the catalogue at the end of a file, loads message blocks on first use and caches them.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "messages/catalogueFile.h"
#include "messages/catalogueFormat.h"
#include "messages/catalogueInternals.h"
#include "messages/messages.h"

using namespace catalogue;

struct FileIndexEntry {
    std::int16_t count;  // highest message number; -1 for an absent module
    std::int32_t firstBlock;
};

struct BlockEntry {
    std::uint16_t flags;
    std::int16_t length;
    std::int32_t offset;
    unsigned char* memory;  // while loaded: the block's records laid out by layOutRecords
    int recordCount;        // records laid out; a re-read of the tables can't change it
};

struct PinnedRecord {
    int index;
    unsigned char* memory;
    PinnedRecord* next;
};

static void defaultAbort(const char* text);

// ---- message catalogue: one open at a time, on the host's thread ----
static bool catalogueOpen = false;
static CatalogueFile* catalogueFile = nullptr;
static long catalogueBase = 0;    // file position of the catalogue's first byte
static long catalogueLength = 0;  // L from the trailer; every read stays inside it
static std::int32_t headerFields[fieldCount];
static std::int32_t slotCount = 0;
static std::int32_t messagesPerBlock = 1;
static std::int32_t blockCount = 0;
static std::int32_t fileIndexOffset = 0;
static std::int32_t cacheLimit = noCacheLimit;
static char codePage[codePageNameSize];  // at most 20 characters and a NUL
static char language[languageCodeSize];  // at most 8 characters and a NUL
static std::uint16_t charClasses[charTableEntries];
static unsigned char otherCase[charTableEntries];
static unsigned char collationWeight[charTableEntries];
static int alphabeticMode = 1;               // 1 until a catalogue sets 1 to 3
static FileIndexEntry* fileIndex = nullptr;  // slotCount entries
static BlockEntry* blockTable = nullptr;     // blockCount entries
static PinnedRecord* pinnedFirst = nullptr;  // pinned blocks loaded since the open, in load order
static PinnedRecord* pinnedLast = nullptr;
static long long loadedByteTotal = 0;  // for the cache limit; never reset
static AbortCallback abortCallback = defaultAbort;
static bool swapNeeded = false;                      // the platform is big-endian
static CatalogueAllocator allocateMemory = nullptr;  // nullptr: malloc
static const char emptyText[] = "";

// In memory every record is followed by two zero bytes, so each text ends within its own record
// whatever its kind, its length and the pad bytes of the file: a NUL after a byte text, a zero
// unit after a kind 9 text. Records stay at even offsets; record i lies 2 * i bytes further on
// than in the file.
constexpr int terminatorSize = 2;

enum ReleaseMode { flushMode, closeMode };

// ---- errors ----

// The texts are the library's own: a damaged catalogue must still be able to say so.
static const char* errorFormat(int code) {
    switch (code) {
        case 1: return "Can't open compiled message file '%s'";
        case 2: return "Error loading ctype definitions from compiled message file '%s'";
        case 3: return "Error loading alphabetic mode from compiled message file '%s'";
        case 4: return "Not a regular compiled message file '%s'";
        case 5: return "Odd malloc buffer: %04lx";
        case 6: return "Error loading message %d:%d from compiled message file.";
        case 7: return "Invalid message number %d:%d";
        case 8: return "Could not find first token in list. %d:%d";
        case 9: return "Token count (%d) does not match specified element count %d\nMessage %d:%d";
        case 10: return "Error loading header of message %d:%d from compiled messge file.";
        case 11: return "Error reading compiled message file header.";
        case 12: return "Error reading file index table.";
        case 13: return "Error reading message offset table.";
        case 14: return "Error getting %ld bytes of memory.";
        case 15: return "Incorrect QMC file binary format.";
        case 16: return "Not able to retrieve message %d:%d. Initialization failure.";
        case 17: return "Unknown platform type. Can't initialize the byteswapping function.";
        case 18: return "Invalid module id %d";
        default: return "Unknown error type.";
    }
}

void catalogueError(int code, ...) {
    char text[256];
    int used = snprintf(text, sizeof text, "MSGKIT :%2d ", code);
    va_list args;
    va_start(args, code);
    // One byte stays free for the closing line feed, however long the path in the text.
    vsnprintf(text + used, sizeof text - used - 1, errorFormat(code), args);
    va_end(args);
    size_t end = strlen(text);
    text[end] = '\n';
    text[end + 1] = '\0';
    (abortCallback != nullptr ? abortCallback : defaultAbort)(text);
}

static void defaultAbort(const char* text) {
    fputs(text, stdout);
    fputs("\n\n", stdout);
    fflush(stdout);
    closeCatalogue();
    exit(1);
}

// ---- memory and byte order ----

static void* allocate(size_t byteCount) {
    if (byteCount == 0) byteCount = 1;  // an empty table is still a table
    return allocateMemory != nullptr ? allocateMemory(byteCount) : malloc(byteCount);
}

void setCatalogueAllocator(CatalogueAllocator allocator) { allocateMemory = allocator; }

void swapBytes(void* bytes, int count) {
    if (!swapNeeded) return;
    unsigned char* b = static_cast<unsigned char*>(bytes);
    for (int i = 0, j = count - 1; i < j; i++, j--) {
        unsigned char t = b[i];
        b[i] = b[j];
        b[j] = t;
    }
}

static bool probeByteOrder() {
    std::uint16_t probe = 0x1234;
    unsigned char first;
    memcpy(&first, &probe, 1);
    if (first != 0x12 && first != 0x34) return false;
    swapNeeded = (first == 0x12);
    return true;
}

// ---- reads that never leave the catalogue ----

static bool seekCatalogue(long offset) {
    if (offset < 0 || offset > catalogueLength) return false;
    return catalogueFileSeek(catalogueFile, catalogueBase + offset, 0) >= 0;
}

static bool readBytes(void* destination, long count) {
    long position = catalogueFileTell(catalogueFile) - catalogueBase;
    if (position < 0 || count > catalogueLength - position) return false;
    return catalogueFileRead(catalogueFile, destination, 1, count) == count;
}

// Integers decoded from bytes already read: the tables are read whole, a call each, and taken
// apart in memory rather than asking the file layer for every field.
static std::uint16_t u16At(const unsigned char* bytes) {
    unsigned char b[2] = {bytes[0], bytes[1]};
    if (swapNeeded) swapBytes(b, 2);
    std::uint16_t value;
    memcpy(&value, b, 2);
    return value;
}

static std::int16_t i16At(const unsigned char* bytes) {
    return static_cast<std::int16_t>(u16At(bytes));
}

static std::int32_t i32At(const unsigned char* bytes) {
    unsigned char b[4] = {bytes[0], bytes[1], bytes[2], bytes[3]};
    if (swapNeeded) swapBytes(b, 4);
    std::int32_t value;
    memcpy(&value, b, 4);
    return value;
}

// ---- opening ----

// The last 7 bytes hold L and the masked tag; the catalogue is the L bytes before them.
static bool checkTrailer() {
    long size = catalogueFileSeek(catalogueFile, 0, 2);
    if (size < trailerSize) return false;
    unsigned char trailer[trailerSize];
    if (catalogueFileSeek(catalogueFile, size - trailerSize, 0) < 0) return false;
    if (catalogueFileRead(catalogueFile, trailer, 1, trailerSize) != trailerSize) return false;
    std::int32_t length;
    swapBytes(trailer, 4);
    memcpy(&length, trailer, 4);
    if (length <= 0 || length > size - trailerSize) return false;
    for (int i = 0; i < 3; i++) {
        if ((trailer[4 + i] ^ tagMask[i]) != static_cast<unsigned char>(tagLetters[i]))
            return false;
    }
    catalogueLength = length;
    catalogueBase = size - trailerSize - length;
    return true;
}

static void copyName(char* destination, int size, const char* source, int sourceSize) {
    int n = 0;
    while (n < size - 1 && n < sourceSize && source[n] != '\0') n++;
    memcpy(destination, source, n);
    destination[n] = '\0';
}

// Reads the header's 200 bytes in one piece; a short read of any field is the one error.
static bool readHeader() {
    unsigned char header[fieldsOffset + fieldCount * 4];
    if (!seekCatalogue(0) || !readBytes(header, sizeof header)) {
        catalogueError(11);
        return false;
    }
    for (int i = 0; i < fieldCount; i++) headerFields[i] = i32At(header + fieldsOffset + 4 * i);
    if (u16At(header + markerOffset) != byteOrderMarker) {
        catalogueError(15);
        return false;
    }
    const char* text = reinterpret_cast<const char*>(header);
    constexpr int pageNameOffset = titleSize + revisionCodeSize + versionTextSize;
    copyName(codePage, sizeof codePage, text + pageNameOffset, codePageNameSize);
    copyName(language, sizeof language, text + pageNameOffset + codePageNameSize, languageCodeSize);
    return true;
}

static bool readCharTable(const char* path) {
    constexpr int entryBytes = 3 * 2;
    unsigned char table[charTableEntries * entryBytes];
    if (!seekCatalogue(headerFields[fieldCharTableOffset]) || !readBytes(table, sizeof table)) {
        catalogueError(2, path);
        return false;
    }
    unsigned char modeBytes[2];
    if (!readBytes(modeBytes, sizeof modeBytes)) {
        catalogueError(3, path);
        return false;
    }
    for (int c = 0; c < charTableEntries; c++) {
        const unsigned char* entry = table + c * entryBytes;
        charClasses[c] = u16At(entry);
        otherCase[c] = static_cast<unsigned char>(u16At(entry + 2) & 0xFF);
        collationWeight[c] = static_cast<unsigned char>(u16At(entry + 4) & 0xFF);
    }
    std::uint16_t mode = u16At(modeBytes);
    if (mode >= 1 && mode <= 3) alphabeticMode = mode;
    return true;
}

// Counts come from the file: refuse any that is negative or whose table can't fit in the
// catalogue before sizing an allocation by it.
static bool checkTableSizes() {
    long long indexEnd = static_cast<long long>(fileIndexOffset) +
                         static_cast<long long>(slotCount) * fileIndexEntrySize;
    if (slotCount < 0 || fileIndexOffset < 0 || indexEnd > catalogueLength) {
        catalogueError(12);
        return false;
    }
    if (blockCount < 0 ||
        indexEnd + static_cast<long long>(blockCount) * blockEntrySize > catalogueLength) {
        catalogueError(13);
        return false;
    }
    return true;
}

static bool allocateTables() {
    size_t indexBytes = sizeof(FileIndexEntry) * static_cast<size_t>(slotCount);
    fileIndex = static_cast<FileIndexEntry*>(allocate(indexBytes));
    if (fileIndex == nullptr) {
        catalogueError(14, static_cast<long>(indexBytes));
        return false;
    }
    size_t blockBytes = sizeof(BlockEntry) * static_cast<size_t>(blockCount);
    blockTable = static_cast<BlockEntry*>(allocate(blockBytes));
    if (blockTable == nullptr) {
        catalogueError(14, static_cast<long>(blockBytes));
        return false;
    }
    for (int i = 0; i < blockCount; i++) {
        blockTable[i].memory = nullptr;
        blockTable[i].recordCount = 0;
    }
    return true;
}

// Table entries are read this many bytes at a time at most, so each read still goes through the
// file layer's buffer.
constexpr int tableChunkSize = catalogueBypassSize;

static bool readFileIndex() {
    unsigned char chunk[tableChunkSize];
    constexpr int perChunk = tableChunkSize / fileIndexEntrySize;
    for (int first = 0; first < slotCount; first += perChunk) {
        int count = slotCount - first < perChunk ? slotCount - first : perChunk;
        if (!readBytes(chunk, static_cast<long>(count) * fileIndexEntrySize)) return false;
        for (int k = 0; k < count; k++) {
            const unsigned char* raw = chunk + k * fileIndexEntrySize;
            fileIndex[first + k].count = i16At(raw);
            fileIndex[first + k].firstBlock = i32At(raw + 2);
        }
    }
    return true;
}

static bool readBlockTable() {
    unsigned char chunk[tableChunkSize];
    constexpr int perChunk = tableChunkSize / blockEntrySize;
    for (int first = 0; first < blockCount; first += perChunk) {
        int count = blockCount - first < perChunk ? blockCount - first : perChunk;
        if (!readBytes(chunk, static_cast<long>(count) * blockEntrySize)) return false;
        for (int k = 0; k < count; k++) {
            const unsigned char* raw = chunk + k * blockEntrySize;
            BlockEntry& block = blockTable[first + k];
            block.flags = u16At(raw);
            block.length = i16At(raw + 2);
            block.offset = i32At(raw + 4);
            block.flags &= ~BLOCK_LOADED;  // only memory held here makes a block loaded
            if (block.memory != nullptr) block.flags |= BLOCK_LOADED;
        }
    }
    return true;
}

// Reads the file index and the block table from the position at hand; the blocks' memory is
// left alone, so a flush can re-read the tables under pinned blocks.
static bool readIndexTables() {
    if (!readFileIndex()) {
        catalogueError(12);
        return false;
    }
    if (!readBlockTable()) {
        catalogueError(13);
        return false;
    }
    return true;
}

static bool seekAndReadIndexTables() {
    if (!seekCatalogue(fileIndexOffset)) {
        catalogueError(12);
        return false;
    }
    return readIndexTables();
}

// Frees whatever a failed or finished open left behind; safe to call in any state.
static void discardCatalogue() {
    if (blockTable != nullptr) {
        for (int i = 0; i < blockCount; i++) free(blockTable[i].memory);
    }
    while (pinnedFirst != nullptr) {
        PinnedRecord* next = pinnedFirst->next;
        free(pinnedFirst);
        pinnedFirst = next;
    }
    pinnedLast = nullptr;
    free(fileIndex);
    free(blockTable);
    fileIndex = nullptr;
    blockTable = nullptr;
    slotCount = 0;
    blockCount = 0;
    catalogueFileClose(catalogueFile);
    catalogueFile = nullptr;
    catalogueOpen = false;
}

static bool readCatalogue(const char* path) {
    if (!checkTrailer()) {
        catalogueError(4, path);
        return false;
    }
    if (!readHeader()) return false;
    if (headerFields[fieldMessagesPerBlock] < 1) {
        catalogueError(4, path);
        return false;
    }
    if (!readCharTable(path)) return false;
    slotCount = headerFields[fieldSlotCount];
    blockCount = headerFields[fieldBlockCount];
    fileIndexOffset = headerFields[fieldFileIndexOffset];
    messagesPerBlock = headerFields[fieldMessagesPerBlock];
    cacheLimit = headerFields[fieldCacheLimit];
    if (!checkTableSizes()) {
        slotCount = 0;
        blockCount = 0;
        return false;
    }
    return allocateTables() && seekAndReadIndexTables();
}

int openCatalogue(const char* path, AbortCallback onError) {
    closeCatalogue();
    abortCallback = onError != nullptr ? onError : defaultAbort;
    if (!probeByteOrder()) {
        catalogueError(17);
        return -1;
    }
    const char* shownPath = path != nullptr ? path : "";
    catalogueFile = catalogueFileOpen(path);
    if (catalogueFile == nullptr) {
        catalogueError(1, shownPath);
        return -1;
    }
    if (!readCatalogue(shownPath)) {
        discardCatalogue();
        return -1;
    }
    catalogueOpen = true;
    pinnedFirst = pinnedLast = nullptr;
    return 0;
}

// ---- releasing ----

// Close mode frees every block; flush mode keeps pinned blocks at their addresses, re-reads the
// tables and gives the pinned blocks their memory back.
static bool releaseBlocks(ReleaseMode mode) {
    for (int i = 0; i < blockCount; i++) {
        BlockEntry& block = blockTable[i];
        if (block.memory == nullptr) continue;
        if (mode == flushMode && (block.flags & BLOCK_PINNED)) continue;
        free(block.memory);
        block.memory = nullptr;
        block.recordCount = 0;
        block.flags &= ~BLOCK_LOADED;
    }
    if (mode == closeMode) return true;
    bool ok = seekAndReadIndexTables();
    if (!catalogueOpen) return false;  // the callback closed the catalogue
    for (PinnedRecord* record = pinnedFirst; record != nullptr; record = record->next) {
        blockTable[record->index].memory = record->memory;
        blockTable[record->index].flags |= BLOCK_LOADED;
    }
    return ok;
}

void closeCatalogue() {
    if (!catalogueOpen) return;
    releaseBlocks(closeMode);
    discardCatalogue();
}

// ---- looking up ----

static int recordNumber(const unsigned char* record) {
    return ((record[0] & 0x7F) << 8) | record[1];
}

static int recordLength(const unsigned char* record) {
    return static_cast<signed char>(record[3]) * 256 + record[4];
}

static bool appendPinned(int index, unsigned char* memory) {
    PinnedRecord* record = static_cast<PinnedRecord*>(allocate(sizeof(PinnedRecord)));
    if (record == nullptr) {
        catalogueError(14, static_cast<long>(sizeof(PinnedRecord)));
        return false;
    }
    record->index = index;
    record->memory = memory;
    record->next = nullptr;
    if (pinnedLast != nullptr)
        pinnedLast->next = record;
    else
        pinnedFirst = record;
    pinnedLast = record;
    return true;
}

static int evenOffset(int offset) { return offset + (offset & 1); }

// Records a block of length bytes can hold: each takes at least its head.
static int recordSlots(int length) {
    int fit = length / recordHeadSize;
    return fit < messagesPerBlock ? fit : messagesPerBlock;
}

// Reads the block's first record head, then the rest of the block as it is in the file.
static bool readBlockBody(unsigned char* raw, int length, int module, int number) {
    if (!readBytes(raw, recordHeadSize)) {
        catalogueError(10, module, number);
        return false;
    }
    if (!readBytes(raw + recordHeadSize, length - recordHeadSize)) {
        catalogueError(6, module, number);
        return false;
    }
    return true;
}

// False for a record that can't be one: too short for its head (or for a terminated text's NUL)
// or running past the block.
static bool isWholeRecord(const unsigned char* record, int roomLeft) {
    int length = recordLength(record);
    if (length < recordHeadSize || length > roomLeft) return false;
    return !(isTerminatedKind(record[2]) && length < recordHeadSize + 1);
}

// Kind 9 texts are 16-bit units in the catalogue's byte order; each record converts its own
// whole units and ends them with a zero unit (over a stray odd byte, which is no character).
static void convertWideText(unsigned char* record) {
    int units = (recordLength(record) - recordHeadSize) / 2;
    unsigned char* text = record + recordHeadSize;
    for (int i = 0; i < units; i++) swapBytes(text + 2 * i, 2);
    text[2 * units] = 0;
    text[2 * units + 1] = 0;
}

// Moves the records of the block read to raw (the end of memory) to the front, each followed by
// its terminator. Record i moves 2 * i bytes forward of where it was read, and raw starts
// 2 * slots bytes in, so a record never overwrites one not yet moved. Stops at the first record
// that can't be one; its number and those after it are then reported as invalid.
static int layOutRecords(unsigned char* memory, const unsigned char* raw, int length, int slots) {
    int from = 0, to = 0, count = 0;
    while (count < slots && from + recordHeadSize <= length &&
           isWholeRecord(raw + from, length - from)) {
        int size = recordLength(raw + from);
        memmove(memory + to, raw + from, static_cast<size_t>(size));
        memset(memory + to + size, 0, terminatorSize);
        if (memory[to + 2] == kindWide) convertWideText(memory + to);
        count++;
        from = evenOffset(from + size);
        to = evenOffset(to + size + terminatorSize);
    }
    return count;
}

static bool loadBlock(int index, int module, int number) {
    int length = blockTable[index].length;
    if (length < recordHeadSize) {  // no room even for the first record's head
        catalogueError(10, module, number);
        return false;
    }
    if (cacheLimit != noCacheLimit) {
        loadedByteTotal += length;
        if (loadedByteTotal >= cacheLimit && !releaseBlocks(flushMode)) return false;
    }
    if (!seekCatalogue(blockTable[index].offset)) {
        catalogueError(10, module, number);
        return false;
    }
    int slots = recordSlots(length);
    size_t size = static_cast<size_t>(length) + static_cast<size_t>(terminatorSize) * slots;
    unsigned char* memory = static_cast<unsigned char*>(allocate(size));
    if (memory == nullptr) {
        catalogueError(14, static_cast<long>(size));
        return false;
    }
    unsigned char* raw = memory + size - length;
    if (!readBlockBody(raw, length, module, number)) {
        free(memory);
        return false;
    }
    BlockEntry& block = blockTable[index];
    block.recordCount = layOutRecords(memory, raw, length, slots);
    block.memory = memory;
    block.flags |= BLOCK_LOADED;
    if (block.flags & BLOCK_PINNED) return appendPinned(index, memory);
    return true;
}

// Offset of the record of number within the loaded block, or -1.
static int findRecord(const BlockEntry& block, int number) {
    int position = 0;
    for (int n = 0; n < block.recordCount; n++) {
        const unsigned char* record = block.memory + position;
        if (recordNumber(record) == number) return position;
        position = evenOffset(position + recordLength(record) + terminatorSize);
    }
    return -1;
}

static const char* failLookup(int* length) {
    if (length != nullptr) *length = 0;
    return emptyText;
}

const char* getMessage(int module, int number, int* length) {
    if (!catalogueOpen) {
        catalogueError(16, module, number);
        return failLookup(length);
    }
    if (number == 0) {
        if (length != nullptr) *length = 0;
        return nullptr;
    }
    if (number == -1) return failLookup(length);
    if (module < 0 || module >= slotCount) {
        catalogueError(18, module);
        return failLookup(length);
    }
    int index = catalogueBlockOf(module, number);
    if (index < 0) {
        catalogueError(7, module, number);
        return failLookup(length);
    }
    if (blockTable[index].memory == nullptr && !loadBlock(index, module, number)) {
        return failLookup(length);
    }
    int position = findRecord(blockTable[index], number);
    if (position < 0) {
        catalogueError(7, module, number);
        return failLookup(length);
    }
    unsigned char* record = blockTable[index].memory + position;
    int kind = record[2];
    int size = recordLength(record);
    if (length != nullptr) *length = textLength(kind, size);
    unsigned char* text = record + recordHeadSize;
    if (isScrambledKind(kind) && !(record[0] & RECORD_PLAIN)) {
        int n = size - recordHeadSize;
        scrambleText(text, n);
        if (isTerminatedKind(kind)) text[n - 1] = '\0';  // a damaged text still ends in its record
        record[0] |= RECORD_PLAIN;
    }
    return reinterpret_cast<const char*>(text);
}

void copyMessage(char* buffer, size_t size, int module, int number) {
    if (size == 0) return;
    const char* text = getMessage(module, number);
    size_t length = text != nullptr ? strnlen(text, size - 1) : 0;
    if (length > 0) memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// ---- the view for tests and tools ----

bool catalogueIsOpen() { return catalogueOpen; }
int catalogueSlotCount() { return catalogueOpen ? slotCount : 0; }
int catalogueBlockCount() { return catalogueOpen ? blockCount : 0; }
int catalogueHeaderField(int field) {
    return field >= 0 && field < fieldCount ? headerFields[field] : 0;
}
const char* catalogueCodePage() { return codePage; }
const char* catalogueLanguage() { return language; }
unsigned catalogueCharClass(int code) { return charClasses[code & 0xFF]; }
unsigned catalogueOtherCase(int code) { return otherCase[code & 0xFF]; }
unsigned catalogueCollationWeight(int code) { return collationWeight[code & 0xFF]; }
int catalogueAlphabeticMode() { return alphabeticMode; }
long long catalogueLoadedByteTotal() { return loadedByteTotal; }

int catalogueMessageCount(int module) {
    if (!catalogueOpen || module < 0 || module >= slotCount) return -1;
    return fileIndex[module].count;
}

int catalogueBlockOf(int module, int number) {
    if (!catalogueOpen || module < 0 || module >= slotCount) return -1;
    if (number < 1 || number > fileIndex[module].count) return -1;
    long long index =
        static_cast<long long>(fileIndex[module].firstBlock) + (number - 1) / messagesPerBlock;
    return index >= 0 && index < blockCount ? static_cast<int>(index) : -1;
}

const unsigned char* catalogueBlockMemory(int index) {
    if (!catalogueOpen || index < 0 || index >= blockCount) return nullptr;
    return blockTable[index].memory;
}

unsigned catalogueBlockFlags(int index) {
    if (!catalogueOpen || index < 0 || index >= blockCount) return 0;
    return blockTable[index].flags;
}

int catalogueBlockLength(int index) {
    if (!catalogueOpen || index < 0 || index >= blockCount) return 0;
    return blockTable[index].length;
}

int catalogueFirstRecordKind(int index) {
    const unsigned char* memory = catalogueBlockMemory(index);
    return memory != nullptr && blockTable[index].recordCount > 0 ? memory[2] : -1;
}

int cataloguePinnedCount() {
    int count = 0;
    for (PinnedRecord* record = pinnedFirst; record != nullptr; record = record->next) count++;
    return count;
}
