// messages/catalogueFormat.h - a compiled catalogue's layout, shared with tools/msgc's writer.
#pragma once

#include <cstdint>

namespace catalogue {

// Every integer of the trailer, header, character table and index tables is little-endian;
// the number and length in a record head are big-endian byte pairs read byte by byte.

// ---- trailer: the catalogue's length L and the masked tag, the last 7 bytes of the file ----
constexpr int trailerSize = 7;
constexpr char tagLetters[3] = {'Q', 'M', 'C'};
// Each tag letter is stored exclusive-or'ed with its mask byte; reader and writer share them.
constexpr unsigned char tagMask[3] = {0x5A, 0xC3, 0x96};

// ---- header: 216 bytes at catalogue offset 0 ----
constexpr int headerSize = 216;
constexpr int titleSize = 80;
constexpr int revisionCodeSize = 3;
constexpr int versionTextSize = 21;
constexpr int codePageNameSize = 21;
constexpr int languageCodeSize = 9;
constexpr int markerOffset = 134;
constexpr int fieldsOffset = 136;
constexpr int fieldCount = 16;
constexpr int stampOffset = 212;  // the two characters "//" in the unread tail of the header
constexpr std::uint16_t byteOrderMarker = 1;

constexpr char titleText[] = "Tessaryn External Message File: Korvane R13\r\n\x1a";
constexpr char revisionCode[] = "R.0";
constexpr char versionText[] = "R.0.50";
constexpr char codePageName[] = "ansi_1252";
constexpr char languageCode[] = "en";

// Indices of the sixteen signed 32-bit header fields the reader uses.
enum HeaderField {
    fieldCharTableOffset = 1,
    fieldMessageCount = 3,
    fieldIndexTablesSize = 4,
    fieldFileIndexSize = 5,
    fieldSlotCount = 6,
    fieldFileIndexOffset = 7,
    fieldMessagesPerBlock = 8,
    fieldBlockCount = 9,
    fieldLongestRecord = 10,
    fieldCacheLimit = 14,
};
constexpr std::int32_t noCacheLimit = -1;

// ---- message records: an 8-byte head, then the text ----
constexpr int recordHeadSize = 8;
constexpr unsigned char RECORD_PLAIN = 0x80;  // bit 7 of byte 0, set in memory once unscrambled
constexpr int maxMessageNumber = 32767;
constexpr int maxRecordLength = 32767;
constexpr int maxBlockLength = 32767;

// Record kinds. Kinds 7 and 9 are stored plain; 1 and every other kind are scrambled, and
// every kind but 1, 7 and 9 ends its text with a NUL byte.
enum RecordKind { kindBytes = 1, kindPlainBytes = 7, kindWide = 9, kindText = 12 };

// Scrambling and unscrambling are the same step: text byte j of n is exclusive-or'ed with the
// low 8 bits of n + j.
inline void scrambleText(unsigned char* text, int n) {
    for (int j = 0; j < n; j++) text[j] ^= static_cast<unsigned char>((n + j) & 0xFF);
}

inline bool isScrambledKind(int kind) { return kind != kindPlainBytes && kind != kindWide; }
inline bool isTerminatedKind(int kind) {
    return kind != kindBytes && kind != kindPlainBytes && kind != kindWide;
}

// The text length in characters that a record of this kind and length reports.
inline int textLength(int kind, int recordLength) {
    if (kind == kindBytes || kind == kindPlainBytes) return recordLength - recordHeadSize;
    if (kind == kindWide) return (recordLength - recordHeadSize) / 2;
    return recordLength - recordHeadSize - 1;
}

// ---- character table: 256 entries of (class bits, other case, weight), then the mode ----
constexpr int charTableEntries = 256;
constexpr int charTableSize = charTableEntries * 3 * 2 + 2;
enum CharClass {
    classUpper = 0x01,
    classLower = 0x02,
    classDigit = 0x04,
    classSpace = 0x08,
    classPunct = 0x10,
    classControl = 0x20,
    classHexDigit = 0x40,
    classBlank = 0x80,
};

// ---- file index table: one 6-byte entry per message-module slot ----
constexpr int fileIndexEntrySize = 6;  // signed 16-bit count, signed 32-bit first block

// ---- block table: one 8-byte entry per block, right after the file index ----
constexpr int blockEntrySize = 8;  // 16-bit flags, signed 16-bit length, signed 32-bit offset
constexpr std::uint16_t BLOCK_VALID = 0x0002;
constexpr std::uint16_t BLOCK_LOADED = 0x0004;
constexpr std::uint16_t BLOCK_PINNED = 0x8000;

constexpr char revisionStampText[] = "REV:1.1.1.1/1.1.1.1/1.1.1.1/1.1.1.1/1.1.1.1/1.1.1.1/1.1.1.1";

}  // namespace catalogue
