// tools/msgc/writer.cpp - lays out compiled catalogues byte by byte, appends and decodes them.
#include "tools/msgc/writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

#include "messages/catalogueFormat.h"

using namespace catalogue;

namespace {

constexpr int maxModule = 32767;

// ---- integers, in the catalogue's byte order ----

void putU16(std::vector<unsigned char>& out, std::size_t at, std::uint16_t value, bool big) {
    out[at + (big ? 1 : 0)] = static_cast<unsigned char>(value & 0xFF);
    out[at + (big ? 0 : 1)] = static_cast<unsigned char>(value >> 8);
}

void putI32(std::vector<unsigned char>& out, std::size_t at, std::int32_t value, bool big) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; i++) {
        out[at + (big ? 3 - i : i)] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
    }
}

void appendU16(std::vector<unsigned char>& out, std::uint16_t value, bool big) {
    out.resize(out.size() + 2);
    putU16(out, out.size() - 2, value, big);
}

void appendI32(std::vector<unsigned char>& out, std::int32_t value, bool big) {
    out.resize(out.size() + 4);
    putI32(out, out.size() - 4, value, big);
}

std::uint16_t getU16(const std::vector<unsigned char>& in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

std::int32_t getI32(const std::vector<unsigned char>& in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = (v << 8) | in[at + i];
    return static_cast<std::int32_t>(v);
}

void padToEven(std::vector<unsigned char>& out) {
    if (out.size() % 2 != 0) out.push_back(0);
}

// ---- the character table of code page 1252 ----

// Collation weights: the rank of each code in a case-insensitive-first sort order, each letter
// followed by its accented forms. Row r holds codes 0xr0 to 0xrF.
const unsigned char collationWeights[256] = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   44,  45,  46,  47,  48,  9,   10,   // 0x00
    11,  12,  13,  14,  15,  16,  17,  18,  19,  20,  21,  22,  23,  24,  25,  26,   // 0x10
    42,  49,  50,  51,  52,  53,  54,  34,  55,  56,  57,  70,  58,  35,  59,  60,   // 0x20
    117, 121, 123, 125, 127, 128, 129, 130, 131, 132, 61,  62,  71,  72,  73,  63,   // 0x30
    64,  133, 150, 152, 156, 160, 170, 173, 175, 177, 187, 189, 191, 193, 195, 199,  // 0x40
    216, 218, 220, 222, 227, 231, 241, 243, 245, 247, 253, 65,  66,  67,  68,  69,   // 0x50
    74,  134, 151, 153, 157, 161, 171, 174, 176, 178, 188, 190, 192, 194, 196, 200,  // 0x60
    217, 219, 221, 223, 228, 232, 242, 244, 246, 248, 254, 75,  76,  77,  78,  27,   // 0x70
    79,  28,  80,  172, 81,  82,  83,  84,  40,  85,  224, 86,  213, 29,  255, 30,   // 0x80
    31,  36,  37,  87,  88,  89,  38,  39,  41,  90,  225, 91,  214, 32,  255, 251,  // 0x90
    43,  92,  93,  94,  95,  96,  97,  98,  99,  100, 149, 101, 102, 33,  103, 104,  // 0xA0
    105, 106, 124, 126, 107, 108, 109, 110, 111, 122, 215, 112, 118, 119, 120, 113,  // 0xB0
    135, 137, 139, 141, 143, 145, 147, 154, 162, 164, 166, 168, 179, 181, 183, 185,  // 0xC0
    158, 197, 201, 203, 205, 207, 209, 114, 211, 233, 235, 237, 239, 249, 229, 226,  // 0xD0
    136, 138, 140, 142, 144, 146, 148, 155, 163, 165, 167, 169, 180, 182, 184, 186,  // 0xE0
    159, 198, 202, 204, 206, 208, 210, 115, 212, 234, 236, 238, 240, 250, 230, 252,  // 0xF0
};

// Letters of the upper half that have a counterpart in the other case: {capital, small}.
const unsigned char upperHalfCasePairs[][2] = {
    {0x8A, 0x9A},
    {0x8C, 0x9C},
    {0x8E, 0x9E},
    {0x9F, 0xFF},
};
// Small letters of the upper half without a capital in the code page.
const unsigned char upperHalfLoneSmall[] = {0x83, 0xAA, 0xB5, 0xBA, 0xDF};
// Codes the code page leaves undefined; they count as control characters.
const unsigned char undefinedCodes[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

struct CharEntry {
    int classes;
    int otherCase;
};

CharEntry upperHalfEntry(int c) {
    for (const auto& pair : upperHalfCasePairs) {
        if (c == pair[0]) return {classUpper, pair[1]};
        if (c == pair[1]) return {classLower, pair[0]};
    }
    for (unsigned char small : upperHalfLoneSmall) {
        if (c == small) return {classLower, c};
    }
    for (unsigned char undefined : undefinedCodes) {
        if (c == undefined) return {classControl, c};
    }
    int self = c;
    if (c == 0xA0) return {classSpace | classBlank, self};  // no-break space
    if (c == 0xD7 || c == 0xF7) return {classPunct, self};  // multiplication, division signs
    if (c >= 0xC0 && c <= 0xDE) return {classUpper, c + 0x20};
    if (c >= 0xE0 && c <= 0xFE) return {classLower, c - 0x20};
    return {classPunct, self};
}

CharEntry asciiEntry(int c) {
    int self = c;
    if (c == 0) return {0, 0};
    if (c == '\t') return {classBlank | classControl | classSpace, self};
    if (c >= '\n' && c <= '\r') return {classControl | classSpace, self};
    if (c < 0x20 || c == 0x7F) return {classControl, self};
    if (c == ' ') return {classBlank | classSpace, self};
    if (c >= '0' && c <= '9') return {classDigit | classHexDigit, self};
    bool hex = (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    int hexBit = hex ? classHexDigit : 0;
    if (c >= 'A' && c <= 'Z') return {classUpper | hexBit, c + 0x20};
    if (c >= 'a' && c <= 'z') return {classLower | hexBit, c - 0x20};
    return {classPunct, self};
}

void appendCharTable(std::vector<unsigned char>& out, bool big) {
    for (int c = 0; c < charTableEntries; c++) {
        CharEntry entry = c < 0x80 ? asciiEntry(c) : upperHalfEntry(c);
        appendU16(out, static_cast<std::uint16_t>(entry.classes), big);
        appendU16(out, static_cast<std::uint16_t>(entry.otherCase), big);
        appendU16(out, collationWeights[c], big);
    }
    appendU16(out, 1, big);  // alphabetic mode
}

// ---- messages into blocks ----

int recordLengthOf(const SourceMessage& m) {
    std::size_t n = m.text.size();
    if (m.kind == kindWide) n *= 2;
    if (isTerminatedKind(m.kind)) n += 1;
    return n > static_cast<std::size_t>(maxRecordLength) ? maxRecordLength + 1
                                                         : static_cast<int>(n) + recordHeadSize;
}

void appendRecord(std::vector<unsigned char>& out, const SourceMessage& m, bool big) {
    int length = recordLengthOf(m);
    out.push_back(static_cast<unsigned char>((m.number >> 8) & 0x7F));
    out.push_back(static_cast<unsigned char>(m.number & 0xFF));
    out.push_back(static_cast<unsigned char>(m.kind));
    out.push_back(static_cast<unsigned char>(length >> 8));
    out.push_back(static_cast<unsigned char>(length & 0xFF));
    out.insert(out.end(), 3, 0);
    std::size_t textStart = out.size();
    for (unsigned char c : m.text) {
        if (m.kind == kindWide)
            appendU16(out, c, big);
        else
            out.push_back(c);
    }
    if (isTerminatedKind(m.kind)) out.push_back(0);
    if (isScrambledKind(m.kind)) scrambleText(&out[textStart], length - recordHeadSize);
}

std::string describe(const SourceMessage& m) {
    return "message " + std::to_string(m.module) + ":" + std::to_string(m.number);
}

bool fail(std::string& error, int* errorLine, const SourceMessage& m, const std::string& what) {
    error = describe(m) + ": " + what;
    if (errorLine != nullptr) *errorLine = m.line;
    return false;
}

// Checks one message on its own; kind already resolved.
bool checkMessage(const SourceMessage& m, std::string& error, int* errorLine) {
    if (m.module < 0 || m.module > maxModule) {
        return fail(error, errorLine, m, "the module must lie between 0 and 32767");
    }
    if (m.number < 1 || m.number > maxMessageNumber) {
        return fail(error, errorLine, m, "the number must lie between 1 and 32767");
    }
    if (!isValidKind(m.kind)) return fail(error, errorLine, m, "the kind must be 1, 7, 9 or 12");
    if (isTerminatedKind(m.kind) && m.text.find('\0') != std::string::npos) {
        return fail(error, errorLine, m, "a text of kind 12 can't hold a NUL byte");
    }
    if (recordLengthOf(m) > maxRecordLength)
        return fail(error, errorLine, m, "the text is too long");
    return true;
}

// Groups the messages by module, each module's numbers running 1..count without gaps.
bool groupByModule(const std::vector<SourceMessage>& messages, int defaultKind,
                   std::map<int, std::vector<SourceMessage>>& modules, std::string& error,
                   int* errorLine) {
    for (SourceMessage m : messages) {
        if (m.kind < 0) m.kind = defaultKind;
        if (!checkMessage(m, error, errorLine)) return false;
        modules[m.module].push_back(m);
    }
    for (auto& entry : modules) {
        std::vector<SourceMessage>& list = entry.second;
        std::stable_sort(
            list.begin(), list.end(),
            [](const SourceMessage& a, const SourceMessage& b) { return a.number < b.number; });
        for (std::size_t i = 0; i < list.size(); i++) {
            if (i > 0 && list[i].number == list[i - 1].number) {
                return fail(error, errorLine, list[i], "defined twice");
            }
            if (list[i].number != static_cast<int>(i) + 1) {
                SourceMessage missing = list[i];
                missing.number = static_cast<int>(i) + 1;
                return fail(error, errorLine, missing,
                            "missing: numbers must run from 1 without gaps");
            }
        }
    }
    return true;
}

bool isPinned(const CatalogueOptions& options, int module, int firstNumber, int lastNumber) {
    for (int pinned : options.pinnedModules) {
        if (pinned == module) return true;
    }
    for (const auto& pin : options.pinnedMessages) {
        if (pin.first == module && pin.second >= firstNumber && pin.second <= lastNumber)
            return true;
    }
    return false;
}

// Writes the blocks of every module; returns the first block index of each module.
bool appendBlocks(const std::map<int, std::vector<SourceMessage>>& modules,
                  const CatalogueOptions& options, BuiltCatalogue& out,
                  std::map<int, int>& firstBlock, int& longestRecord, std::string& error,
                  int* errorLine) {
    const int perBlock = options.messagesPerBlock;
    for (const auto& entry : modules) {
        const std::vector<SourceMessage>& list = entry.second;
        firstBlock[entry.first] = static_cast<int>(out.blocks.size());
        for (std::size_t first = 0; first < list.size(); first += perBlock) {
            std::size_t last = std::min(list.size(), first + perBlock) - 1;
            padToEven(out.bytes);
            std::size_t start = out.bytes.size();
            std::size_t end = start;
            for (std::size_t i = first; i <= last; i++) {
                padToEven(out.bytes);  // the block starts even, so this is even within it too
                appendRecord(out.bytes, list[i], options.bigEndian);
                end = out.bytes.size();
                longestRecord = std::max(longestRecord, recordLengthOf(list[i]));
            }
            if (end - start > static_cast<std::size_t>(maxBlockLength)) {
                return fail(error, errorLine, list[first], "its block is longer than 32767 bytes");
            }
            bool pinned = isPinned(options, entry.first, list[first].number, list[last].number);
            std::uint16_t flags =
                static_cast<std::uint16_t>(BLOCK_VALID | (pinned ? BLOCK_PINNED : 0));
            out.blocks.push_back({entry.first, list[first].number, static_cast<std::int32_t>(start),
                                  static_cast<int>(end - start), flags});
        }
    }
    return true;
}

bool checkOptions(const CatalogueOptions& options, std::string& error) {
    if (options.messagesPerBlock < 1 || options.messagesPerBlock > maxMessageNumber) {
        error = "messages per block must lie between 1 and 32767";
        return false;
    }
    if (!isValidKind(options.defaultKind)) {
        error = "the kind must be 1, 7, 9 or 12";
        return false;
    }
    if (options.slotCount > maxModule + 1) {
        error = "at most 32768 module slots";
        return false;
    }
    const std::string& language = options.language;
    bool letters = !language.empty() && language.size() < languageCodeSize;
    for (char c : language) letters = letters && std::isalpha(static_cast<unsigned char>(c)) != 0;
    if (!letters) {
        error = "the language code must be 1 to 8 letters";
        return false;
    }
    return true;
}

void writeHeader(BuiltCatalogue& out, const std::int32_t (&fields)[fieldCount], bool big,
                 const std::string& language) {
    std::vector<unsigned char>& b = out.bytes;
    std::memcpy(&b[0], titleText, sizeof titleText - 1);
    std::memcpy(&b[titleSize], revisionCode, revisionCodeSize);
    int at = titleSize + revisionCodeSize;
    std::memcpy(&b[at], versionText, sizeof versionText - 1);
    at += versionTextSize;
    std::memcpy(&b[at], codePageName, sizeof codePageName - 1);
    at += codePageNameSize;
    std::memcpy(&b[at], language.data(), language.size());  // checked: shorter than the field
    putU16(b, markerOffset, byteOrderMarker, big);
    for (int i = 0; i < fieldCount; i++) putI32(b, fieldsOffset + 4 * i, fields[i], big);
    b[stampOffset] = '/';
    b[stampOffset + 1] = '/';
}

}  // namespace

bool isValidKind(int kind) {
    return kind == kindBytes || kind == kindPlainBytes || kind == kindWide || kind == kindText;
}

bool buildCatalogue(const std::vector<SourceMessage>& messages, const CatalogueOptions& options,
                    BuiltCatalogue& out, std::string& error, int* errorLine) {
    if (errorLine != nullptr) *errorLine = 0;
    if (!checkOptions(options, error)) return false;
    std::map<int, std::vector<SourceMessage>> modules;
    if (!groupByModule(messages, options.defaultKind, modules, error, errorLine)) return false;
    int slots = modules.empty() ? 0 : modules.rbegin()->first + 1;
    if (options.slotCount >= 0) {
        if (options.slotCount < slots) {
            error = "module " + std::to_string(slots - 1) + " lies outside the " +
                    std::to_string(options.slotCount) + " module slots";
            return false;
        }
        slots = options.slotCount;
    }
    const bool big = options.bigEndian;
    out = BuiltCatalogue();
    out.bytes.assign(headerSize, 0);
    std::map<int, int> firstBlock;
    int longestRecord = 0;
    if (!appendBlocks(modules, options, out, firstBlock, longestRecord, error, errorLine)) {
        return false;
    }
    padToEven(out.bytes);
    out.charTableOffset = static_cast<std::int32_t>(out.bytes.size());
    appendCharTable(out.bytes, big);
    out.fileIndexOffset = static_cast<std::int32_t>(out.bytes.size());
    for (int slot = 0; slot < slots; slot++) {
        auto found = modules.find(slot);
        bool present = found != modules.end();
        appendU16(out.bytes, static_cast<std::uint16_t>(present ? found->second.size() : 0xFFFF),
                  big);
        appendI32(out.bytes, present ? firstBlock[slot] : -1, big);
    }
    for (const BlockLayout& block : out.blocks) {
        appendU16(out.bytes, block.flags, big);
        appendU16(out.bytes, static_cast<std::uint16_t>(block.length), big);
        appendI32(out.bytes, block.offset, big);
    }
    out.bytes.insert(out.bytes.end(), revisionStampText,
                     revisionStampText + sizeof revisionStampText - 1);

    const std::int32_t blockCount = static_cast<std::int32_t>(out.blocks.size());
    const std::int32_t fields[fieldCount] = {
        1,
        out.charTableOffset,
        1,
        static_cast<std::int32_t>(messages.size()),
        slots * fileIndexEntrySize + blockCount * blockEntrySize,
        slots * fileIndexEntrySize,
        slots,
        out.fileIndexOffset,
        options.messagesPerBlock,
        blockCount,
        longestRecord,
        12,
        0,
        7168,
        options.cacheLimit,
        -1,
    };
    writeHeader(out, fields, big, options.language);
    return true;
}

std::vector<unsigned char> catalogueTrailer(std::int32_t length) {
    std::vector<unsigned char> trailer(4);
    putI32(trailer, 0, length, false);
    for (int i = 0; i < 3; i++) {
        trailer.push_back(static_cast<unsigned char>(tagLetters[i]) ^ tagMask[i]);
    }
    return trailer;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "can't open '" + path + "' for reading";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "can't read '" + path + "'";
        return false;
    }
    return true;
}

static bool writeBytes(const std::string& path, const std::vector<unsigned char>& content,
                       std::size_t keep, const std::vector<unsigned char>& catalogue,
                       std::string& error) {
    if (catalogue.size() > static_cast<std::size_t>(INT32_MAX)) {
        error = "the catalogue is too large";
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> trailer =
        catalogueTrailer(static_cast<std::int32_t>(catalogue.size()));
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(keep));
    out.write(reinterpret_cast<const char*>(catalogue.data()),
              static_cast<std::streamsize>(catalogue.size()));
    out.write(reinterpret_cast<const char*>(trailer.data()),
              static_cast<std::streamsize>(trailer.size()));
    out.close();
    if (!out) {
        error = "can't write '" + path + "'";
        return false;
    }
    return true;
}

bool writeCatalogueFile(const std::string& path, const std::vector<unsigned char>& catalogue,
                        std::string& error) {
    return writeBytes(path, {}, 0, catalogue, error);
}

std::size_t contentSizeBeforeCatalogue(const std::vector<unsigned char>& file) {
    const std::size_t size = file.size();
    if (size < static_cast<std::size_t>(trailerSize + headerSize)) return size;
    std::int32_t length = getI32(file, size - trailerSize);
    for (int i = 0; i < 3; i++) {
        if ((file[size - 3 + i] ^ tagMask[i]) != static_cast<unsigned char>(tagLetters[i]))
            return size;
    }
    if (length < headerSize || static_cast<std::size_t>(length) > size - trailerSize) return size;
    std::size_t base = size - trailerSize - static_cast<std::size_t>(length);
    static const char titleStart[] = "Tessaryn External Message File";
    if (std::memcmp(&file[base], titleStart, sizeof titleStart - 1) != 0) return size;
    return base;
}

bool appendCatalogueToFile(const std::string& path, const std::vector<unsigned char>& catalogue,
                           std::string& error) {
    std::vector<unsigned char> content;
    if (!readWholeFile(path, content, error)) return false;
    return writeBytes(path, content, contentSizeBeforeCatalogue(content), catalogue, error);
}

std::string quoteText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

// ---- decoding ----

namespace {

struct Decoder {
    const std::vector<unsigned char>& file;
    std::size_t base = 0;
    std::size_t length = 0;
    std::string& error;

    bool inside(long long offset, long long size) const {
        return offset >= 0 && size >= 0 && offset + size <= static_cast<long long>(length);
    }
    std::int32_t field(int i) const { return getI32(file, base + fieldsOffset + 4 * i); }
    bool failWith(const std::string& what) {
        error = what;
        return false;
    }
};

bool decodeRecord(Decoder& d, long long blockStart, int blockLength, int perBlock, int number,
                  SourceMessage& m) {
    long long position = 0;
    for (int n = 0; n < perBlock && position + recordHeadSize <= blockLength; n++) {
        std::size_t at = d.base + static_cast<std::size_t>(blockStart + position);
        int recordNumber = ((d.file[at] & 0x7F) << 8) | d.file[at + 1];
        int length = static_cast<signed char>(d.file[at + 3]) * 256 + d.file[at + 4];
        if (length < recordHeadSize || length > blockLength - position) break;
        if (recordNumber == number) {
            m.kind = d.file[at + 2];
            std::vector<unsigned char> text(d.file.begin() + static_cast<long>(at) + recordHeadSize,
                                            d.file.begin() + static_cast<long>(at) + length);
            if (isScrambledKind(m.kind) && !text.empty())
                scrambleText(text.data(), static_cast<int>(text.size()));
            if (m.kind == kindWide) {
                for (std::size_t i = 0; i + 1 < text.size(); i += 2)
                    m.text += static_cast<char>(text[i]);
            } else {
                if (isTerminatedKind(m.kind) && !text.empty()) text.pop_back();
                m.text.assign(text.begin(), text.end());
            }
            return true;
        }
        position += length;
        if (position % 2 != 0) position++;
    }
    return d.failWith("message " + std::to_string(m.module) + ":" + std::to_string(number) +
                      " is not in its block");
}

bool decodeMessages(Decoder& d, DecodedCatalogue& out) {
    const long long indexOffset = d.field(fieldFileIndexOffset);
    const long long tablesStart =
        indexOffset + static_cast<long long>(out.slotCount) * fileIndexEntrySize;
    for (int slot = 0; slot < out.slotCount; slot++) {
        std::size_t entry =
            d.base + static_cast<std::size_t>(indexOffset + slot * fileIndexEntrySize);
        int count = static_cast<std::int16_t>(getU16(d.file, entry));
        std::int32_t first = getI32(d.file, entry + 2);
        out.moduleCounts.push_back(count);
        for (int number = 1; number <= count; number++) {
            long long index = first + (number - 1) / out.messagesPerBlock;
            if (index < 0 || index >= out.blockCount) {
                return d.failWith("module " + std::to_string(slot) +
                                  " names a block outside the table");
            }
            std::size_t blockEntry =
                d.base + static_cast<std::size_t>(tablesStart + index * blockEntrySize);
            int blockLength = static_cast<std::int16_t>(getU16(d.file, blockEntry + 2));
            std::int32_t blockOffset = getI32(d.file, blockEntry + 4);
            if (blockLength < recordHeadSize || !d.inside(blockOffset, blockLength)) {
                return d.failWith("block " + std::to_string(index) + " lies outside the catalogue");
            }
            SourceMessage m;
            m.module = slot;
            m.number = number;
            if (!decodeRecord(d, blockOffset, blockLength, out.messagesPerBlock, number, m))
                return false;
            out.messages.push_back(m);
        }
    }
    return true;
}

}  // namespace

bool decodeCatalogue(const std::vector<unsigned char>& file, DecodedCatalogue& out,
                     std::string& error) {
    out = DecodedCatalogue();
    const std::size_t size = file.size();
    std::size_t content = contentSizeBeforeCatalogue(file);
    if (content == size) {
        error = "the file carries no message catalogue (no valid trailer at its end)";
        return false;
    }
    Decoder d{file, content, size - trailerSize - content, error};
    if (getU16(file, d.base + markerOffset) != byteOrderMarker) {
        return d.failWith("the catalogue's byte-order marker is not 1 (a foreign byte order)");
    }
    out.slotCount = d.field(fieldSlotCount);
    out.messagesPerBlock = d.field(fieldMessagesPerBlock);
    out.blockCount = d.field(fieldBlockCount);
    out.cacheLimit = d.field(fieldCacheLimit);
    if (out.messagesPerBlock < 1) return d.failWith("messages per block is below 1");
    if (out.slotCount < 0 || out.blockCount < 0 ||
        !d.inside(d.field(fieldFileIndexOffset),
                  static_cast<long long>(out.slotCount) * fileIndexEntrySize +
                      static_cast<long long>(out.blockCount) * blockEntrySize)) {
        return d.failWith("the index tables lie outside the catalogue");
    }
    return decodeMessages(d, out);
}
