// tests/messages/catalogueTests.cpp - the message library against catalogues the writer builds,
// whole and damaged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "messages/catalogueFormat.h"
#include "messages/catalogueInternals.h"
#include "messages/messages.h"
#include "tests/messages/catalogueTestSupport.h"

using namespace catalogue;

namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { capturedErrors().clear(); }
    void TearDown() override {
        setCatalogueAllocator(nullptr);
        closeCatalogue();
        capturedErrors().clear();
    }
    // The one error text reported since the last call, or "" when there was none.
    static std::string takeError() {
        std::vector<std::string>& errors = capturedErrors();
        std::string text = errors.empty() ? "" : errors.front();
        EXPECT_LE(errors.size(), 1u) << "more than one error: " << errors.back();
        errors.clear();
        return text;
    }
};

std::vector<SourceMessage> smallSet() {
    return {message(0, 1, "zero one"), message(2, 1, "two one"), message(2, 2, "two two"),
            message(2, 3, "two three"), message(4, 1, "four one")};
}

TEST_F(Catalogue, RoundTripsEveryRecordKind) {
    struct Case {
        int line;
        int kind;
        std::string text;
        int wantLength;
    };
    const Case cases[] = {
        {__LINE__, 1, "scrambled bytes", 15},
        {__LINE__, 7, "plain bytes", 11},
        {__LINE__, 9, "wide", 4},
        {__LINE__, 12, "terminated text", 15},
        {__LINE__, 12, "", 0},
        {__LINE__, 1, "odd", 3},  // odd record length: a pad byte follows
        {__LINE__, 12, "code page \xE9\xFF", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueImage image = makeImage({message(3, 1, c.text, c.kind)});
        ASSERT_EQ(0, openCatalogue(image.write("kind.cat").c_str(), captureError));
        int length = -5;
        const char* text = getMessage(3, 1, &length);
        ASSERT_NE(nullptr, text);
        EXPECT_EQ(c.wantLength, length);
        if (c.kind == kindWide) {
            for (int i = 0; i < length; i++) {
                std::uint16_t unit;
                std::memcpy(&unit, text + 2 * i, 2);
                EXPECT_EQ(static_cast<unsigned char>(c.text[i]), unit);
            }
        } else {
            EXPECT_EQ(c.text, std::string(text, length));
        }
        EXPECT_EQ(c.kind, catalogueFirstRecordKind(catalogueBlockOf(3, 1)));
        char copy[5];  // a buffer of 4 and a guard byte
        std::memset(copy, '#', sizeof copy);
        copyMessage(copy, 4, 3, 1);
        EXPECT_EQ(std::string(text).substr(0, 3), copy);
        EXPECT_EQ('#', copy[4]);
        EXPECT_EQ("", takeError());
        closeCatalogue();
    }
}

TEST_F(Catalogue, ReadsMultiMessageBlocksAcrossPadBytes) {
    // Odd-length records (kind 1, 3 text bytes) force a pad byte before the next record.
    std::vector<SourceMessage> messages;
    for (int n = 1; n <= 7; n++)
        messages.push_back(message(5, n, std::string(n % 2 ? 3 : 4, 'a' + n), 1));
    messages.push_back(message(6, 1, "after", 12));
    CatalogueOptions options;
    options.messagesPerBlock = 3;
    CatalogueImage image = makeImage(messages, options);
    ASSERT_EQ(4u, image.built.blocks.size());                            // 5:1-3, 5:4-6, 5:7, 6:1
    EXPECT_EQ(8 + 3 + 1 + 8 + 4 + 8 + 3, image.built.blocks[0].length);  // final pad excluded
    for (const BlockLayout& block : image.built.blocks) EXPECT_EQ(0, block.offset % 2);
    ASSERT_EQ(0, openCatalogue(image.write("multi.cat").c_str(), captureError));
    for (int n = 7; n >= 1; n--) {  // backwards: each lookup scans past the earlier records
        SCOPED_TRACE(n);
        int length = 0;
        const char* text = getMessage(5, n, &length);
        EXPECT_EQ(std::string(n % 2 ? 3 : 4, 'a' + n), std::string(text, length));
    }
    EXPECT_STREQ("after", getMessage(6, 1));
    EXPECT_EQ(catalogueBlockOf(5, 1), catalogueBlockOf(5, 3));
    EXPECT_NE(catalogueBlockOf(5, 3), catalogueBlockOf(5, 4));
    EXPECT_EQ("", takeError());
}

// Sets every pad byte of the image's blocks, after a record or a block of odd length, to pad.
void fillPads(CatalogueImage& image, unsigned char pad) {
    for (const BlockLayout& block : image.built.blocks) {
        std::size_t start = image.base + block.offset;
        int at = 0;
        while (at + recordHeadSize <= block.length) {
            at += image.file[start + at + 3] * 256 + image.file[start + at + 4];
            if (at % 2 != 0) image.file[start + at++] = pad;
        }
    }
}

// Overwrites the stored NUL that ends each scrambled, terminated text of the image's blocks.
void damageNuls(CatalogueImage& image) {
    for (const BlockLayout& block : image.built.blocks) {
        std::size_t start = image.base + block.offset;
        int at = 0;
        while (at + recordHeadSize <= block.length) {
            const unsigned char* record = &image.file[start + at];
            int length = record[3] * 256 + record[4];
            if (isScrambledKind(record[2]) && isTerminatedKind(record[2]))
                image.file[start + at + length - 1] ^= 'A';
            at += length + length % 2;
        }
    }
}

// A text as its users read it: up to its NUL, or for kind 9 up to its zero unit, one character
// per unit.
std::string readToTerminator(const char* text, int kind) {
    if (kind != kindWide) return text;
    std::string units;
    for (int i = 0;; i++) {
        std::uint16_t unit;
        std::memcpy(&unit, text + 2 * i, 2);
        if (unit == 0) return units;
        units += unit <= 0xFF ? static_cast<char>(unit) : '?';
    }
}

// Every text ends at its record's length, whatever kinds share its block, whether the record's
// length is odd or even and whatever the pad bytes or the byte of a text's NUL hold. Reading
// backwards first unscrambles and marks the records after each one before it is read, as any order
// of lookups may.
TEST_F(Catalogue, EndsEveryTextAtItsRecord) {
    struct Case {
        int line;
        int perBlock;
        unsigned char pad;
        std::vector<SourceMessage> messages;
        bool nulsDamaged = false;
    };
    const Case cases[] = {
        {__LINE__,
         3,
         0x00,
         {message(1, 1, "even", 1), message(1, 2, "odd", 1), message(1, 3, "next", 1)}},
        {__LINE__,
         3,
         0xAA,
         {message(1, 1, "odd", 7), message(1, 2, "even", 7), message(1, 3, "last", 12)}},
        {__LINE__,
         3,
         0xFF,
         {message(1, 1, "Hi\xE9", 9), message(1, 2, "odd", 1), message(1, 3, "plain", 7),
          message(1, 4, "four")}},  // block of 39
        {__LINE__,
         2,
         0x5A,
         {message(1, 1, "seven", 7), message(1, 2, "wide!", 9), message(2, 1, "x", 1),
          message(2, 2, "", 7)}},
        {__LINE__, 2, 0x00, {message(1, 1, "odd", 12), message(1, 2, "even", 12)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueOptions options;
        options.messagesPerBlock = c.perBlock;
        CatalogueImage image = makeImage(c.messages, options);
        fillPads(image, c.pad);
        if (c.nulsDamaged) damageNuls(image);
        ASSERT_EQ(0, openCatalogue(image.write("ends.cat").c_str(), captureError));
        const std::size_t count = c.messages.size();
        for (std::size_t step = 0; step < 2 * count; step++) {
            const SourceMessage& m = c.messages[step < count ? count - 1 - step : step - count];
            SCOPED_TRACE(m.number);
            int kind = m.kind < 0 ? kindText : m.kind;
            int length = -1;
            const char* text = getMessage(m.module, m.number, &length);
            EXPECT_EQ(m.text, readToTerminator(text, kind));
            EXPECT_EQ(static_cast<int>(m.text.size()), length);
        }
        EXPECT_EQ("", takeError());
        closeCatalogue();
    }
}

// A cache limit of any size, a damaged negative one included, spoils no text and bounds the
// memory: the English texts, rebuilt with the limit, read back whole in any order, while the
// unpinned blocks loaded stay within the limit and one block.
TEST_F(Catalogue, ReadsEveryTextWholeUnderAnyCacheLimit) {
    DecodedCatalogue english;
    std::string error;
    ASSERT_TRUE(decodeCatalogue(readFileBytes(vectrinCataloguePath()), english, error)) << error;
    struct Case {
        int line;
        std::int32_t cacheLimit;
        int perBlock;
    };
    const Case cases[] = {
        {__LINE__, 0, 1},
        {__LINE__, 1, 1},
        {__LINE__, 64, 3},
        {__LINE__, -5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueOptions options;
        options.cacheLimit = c.cacheLimit;
        options.messagesPerBlock = c.perBlock;
        options.pinnedModules = {37};
        CatalogueImage image = makeImage(english.messages, options);
        ASSERT_EQ(0, openCatalogue(image.write("limit.cat").c_str(), captureError));
        const std::size_t count = english.messages.size();
        for (std::size_t step = 0; step < 2 * count; step++) {
            const SourceMessage& m = english.messages[step < count ? step : 2 * count - 1 - step];
            EXPECT_EQ(m.text, getMessage(m.module, m.number)) << m.module << ":" << m.number;
            long long unpinnedBytes = 0, longestBlock = 0;
            for (int b = 0; b < catalogueBlockCount(); b++) {
                longestBlock = std::max<long long>(longestBlock, catalogueBlockLength(b));
                if (catalogueBlockMemory(b) != nullptr && !(catalogueBlockFlags(b) & BLOCK_PINNED))
                    unpinnedBytes += catalogueBlockLength(b);
            }
            EXPECT_LE(unpinnedBytes, std::max(c.cacheLimit, 0) + longestBlock);
        }
        EXPECT_EQ("", takeError());
        closeCatalogue();
    }
}

// Index tables larger than one read of the file layer's buffer: every entry, those on either
// side of a piece's end included, is decoded in place, at the open and at each flush's re-read.
TEST_F(Catalogue, ReadsIndexTablesLongerThanOneBufferedRead) {
    const int moduleCount = 700, messageCount = 1400;  // 4,200 and 11,200 bytes of tables
    std::vector<SourceMessage> messages;
    for (int i = 0; i < messageCount; i++)
        messages.push_back(
            message(i % moduleCount, i / moduleCount + 1, "text " + std::to_string(i)));
    for (std::int32_t limit : {-1, 1}) {
        SCOPED_TRACE(limit);
        CatalogueOptions options;
        options.cacheLimit = limit;
        CatalogueImage image = makeImage(messages, options);
        ASSERT_EQ(0, openCatalogue(image.write("large.cat").c_str(), captureError));
        ASSERT_EQ(moduleCount, catalogueSlotCount());
        for (int i = messageCount - 1; i >= 0; i--) {
            ASSERT_EQ("text " + std::to_string(i),
                      getMessage(i % moduleCount, i / moduleCount + 1));
        }
        EXPECT_EQ("", takeError());
        closeCatalogue();
    }
}

TEST_F(Catalogue, UnscramblesOnceAndReturnsTheSamePointer) {
    CatalogueImage image = makeImage(smallSet());
    ASSERT_EQ(0, openCatalogue(image.write("small.cat").c_str(), captureError));
    const char* first = getMessage(2, 2);
    EXPECT_STREQ("two two", first);
    const unsigned char* block = catalogueBlockMemory(catalogueBlockOf(2, 2));
    ASSERT_NE(nullptr, block);
    EXPECT_TRUE(block[0] & RECORD_PLAIN);
    const char* second = getMessage(2, 2);
    EXPECT_EQ(first, second);
    EXPECT_STREQ("two two", second);  // not scrambled a second time
}

TEST_F(Catalogue, NumbersZeroAndMinusOneReportNothing) {
    CatalogueImage image = makeImage(smallSet());
    ASSERT_EQ(0, openCatalogue(image.write("small.cat").c_str(), captureError));
    int length = 9;
    EXPECT_EQ(nullptr, getMessage(2, 0, &length));
    EXPECT_EQ(0, length);
    const char* empty = getMessage(2, -1, &length);
    ASSERT_NE(nullptr, empty);
    EXPECT_STREQ("", empty);
    EXPECT_EQ(0, length);
    EXPECT_EQ(nullptr, getMessage(1000, 0));  // no module check for these numbers
    EXPECT_EQ("", takeError());
}

TEST_F(Catalogue, ReportsBadLookupsAndReturnsTheEmptyText) {
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    struct Case {
        int line;
        int module;
        int number;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, 23, 66, "MSGKIT : 7 Invalid message number 23:66\n"},
        {__LINE__, 23, -2, "MSGKIT : 7 Invalid message number 23:-2\n"},
        {__LINE__, 22, 1, "MSGKIT : 7 Invalid message number 22:1\n"},  // absent module
        {__LINE__, 0, 1, "MSGKIT : 7 Invalid message number 0:1\n"},
        {__LINE__, 38, 1, "MSGKIT :18 Invalid module id 38\n"},  // one past the slots
        {__LINE__, -1, 1, "MSGKIT :18 Invalid module id -1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        int length = 7;
        const char* text = getMessage(c.module, c.number, &length);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ("", text);
        EXPECT_EQ(0, length);
        EXPECT_EQ(c.want, takeError());
    }
}

TEST_F(Catalogue, LookupWithoutAnOpenCatalogueIsError16) {
    openCatalogue("/nonexistent/vectrin.so", captureError);  // installs the callback
    EXPECT_EQ("MSGKIT : 1 Can't open compiled message file '/nonexistent/vectrin.so'\n",
              takeError());
    EXPECT_STREQ("", getMessage(23, 1));
    EXPECT_EQ("MSGKIT :16 Not able to retrieve message 23:1. Initialization failure.\n",
              takeError());
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    EXPECT_STRNE("", getMessage(23, 1));
    closeCatalogue();
    EXPECT_STREQ("", getMessage(37, 2));
    EXPECT_EQ("MSGKIT :16 Not able to retrieve message 37:2. Initialization failure.\n",
              takeError());
    closeCatalogue();  // closing twice does nothing
}

// Each row damages one thing in a good catalogue and names the error the open must report.
TEST_F(Catalogue, RefusesDamagedCataloguesAtOpen) {
    const std::string path = "broken.cat";
    struct Case {
        int line;
        void (*damage)(CatalogueImage&);
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, [](CatalogueImage& i) { i.file.back() ^= 0x01; },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(i.file.size() - i.base - 7, 0); },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(i.file.size() - i.base - 7, -20); },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__,
         [](CatalogueImage& i) {
             i.putI32(i.file.size() - i.base - 7, static_cast<std::int32_t>(i.file.size() - 6));
         },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.file.assign(5, 'x'); },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldMessagesPerBlock, 0); },
         "MSGKIT : 4 Not a regular compiled message file '%s'\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // a catalogue too short for its own header
             i.putI32(i.file.size() - i.base - 7, 100);
         },
         "MSGKIT :11 Error reading compiled message file header.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI16(markerOffset, 256); },
         "MSGKIT :15 Incorrect QMC file binary format.\n"},
        {__LINE__,
         [](CatalogueImage& i) {
             i.putI32(fieldsOffset + 4 * fieldCharTableOffset,
                      static_cast<std::int32_t>(i.built.bytes.size()) - 100);
         },
         "MSGKIT : 2 Error loading ctype definitions from compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldCharTableOffset, -2); },
         "MSGKIT : 2 Error loading ctype definitions from compiled message file '%s'\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // room for the entries, none for the mode after them
             i.putI32(fieldsOffset + 4 * fieldCharTableOffset,
                      static_cast<std::int32_t>(i.built.bytes.size()) - 1536);
         },
         "MSGKIT : 3 Error loading alphabetic mode from compiled message file '%s'\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldSlotCount, -1); },
         "MSGKIT :12 Error reading file index table.\n"},
        {__LINE__,
         [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldSlotCount, 0x7FFFFFFF); },
         "MSGKIT :12 Error reading file index table.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldFileIndexOffset, -6); },
         "MSGKIT :12 Error reading file index table.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldBlockCount, -3); },
         "MSGKIT :13 Error reading message offset table.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(fieldsOffset + 4 * fieldBlockCount, 100000); },
         "MSGKIT :13 Error reading message offset table.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueImage image = makeImage(smallSet());
        c.damage(image);
        std::string file = image.write(path);
        EXPECT_EQ(-1, openCatalogue(file.c_str(), captureError));
        EXPECT_FALSE(catalogueIsOpen());
        char want[512];
        std::snprintf(want, sizeof want, c.want, file.c_str());
        EXPECT_EQ(want, takeError());
    }
}

// Each row damages one block and names the error its first lookup must report.
TEST_F(Catalogue, RefusesDamagedBlocksAtLookup) {
    struct Case {
        int line;
        void (*damage)(CatalogueImage&);
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, [](CatalogueImage& i) { i.putI16(i.blockEntryOffset(2) + 2, 4); },  // below 8
         "MSGKIT :10 Error loading header of message 2:2 from compiled messge file.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI16(i.blockEntryOffset(2) + 2, -40); },
         "MSGKIT :10 Error loading header of message 2:2 from compiled messge file.\n"},
        {__LINE__, [](CatalogueImage& i) { i.putI32(i.blockEntryOffset(2) + 4, -8); },
         "MSGKIT :10 Error loading header of message 2:2 from compiled messge file.\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // the head fits before the catalogue's end, the text not
             i.putI32(i.blockEntryOffset(2) + 4,
                      static_cast<std::int32_t>(i.built.bytes.size()) - 10);
         },
         "MSGKIT : 6 Error loading message 2:2 from compiled message file.\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // a record length below its head
             i.file[i.base + i.built.blocks[2].offset + 4] = 5;
         },
         "MSGKIT : 7 Invalid message number 2:2\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // a terminated text's record with no room for its NUL
             i.file[i.base + i.built.blocks[2].offset + 4] = 8;
         },
         "MSGKIT : 7 Invalid message number 2:2\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // a record running past its block
             i.file[i.base + i.built.blocks[2].offset + 4] += 2;
         },
         "MSGKIT : 7 Invalid message number 2:2\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // the block holds another number
             i.file[i.base + i.built.blocks[2].offset + 1] = 9;
         },
         "MSGKIT : 7 Invalid message number 2:2\n"},
        {__LINE__,
         [](CatalogueImage& i) {  // the module's first block lies past the table
             i.putI32(i.built.fileIndexOffset + 2 * fileIndexEntrySize + 2, 60000);
         },
         "MSGKIT : 7 Invalid message number 2:2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueImage image = makeImage(smallSet());
        c.damage(image);
        ASSERT_EQ(0, openCatalogue(image.write("block.cat").c_str(), captureError));
        EXPECT_STREQ("", getMessage(2, 2));
        EXPECT_EQ(c.want, takeError());
        EXPECT_STREQ("four one", getMessage(4, 1));  // the other blocks are untouched
        EXPECT_EQ("", takeError());
        closeCatalogue();
    }
}

TEST_F(Catalogue, RefusesABigEndianCatalogue) {
    CatalogueOptions options;
    options.bigEndian = true;
    CatalogueImage image = makeImage(smallSet(), options);
    EXPECT_EQ(0x00, image.file[image.base + markerOffset]);
    EXPECT_EQ(-1, openCatalogue(image.write("big.cat").c_str(), captureError));
    EXPECT_EQ("MSGKIT :15 Incorrect QMC file binary format.\n", takeError());
}

TEST_F(Catalogue, CutsAVeryLongPathSafely) {
    std::string path = "/nonexistent/" + std::string(1000, 'p') + ".so";
    EXPECT_EQ(-1, openCatalogue(path.c_str(), captureError));
    std::string text = takeError();
    EXPECT_EQ(255u, text.size());
    EXPECT_EQ(0u, text.find("MSGKIT : 1 Can't open compiled message file '/nonexistent/ppp"));
    EXPECT_EQ('\n', text.back());
}

TEST_F(Catalogue, ComposesEveryErrorCode) {
    openCatalogue("/nonexistent", captureError);
    takeError();
    catalogueError(5, 0x1aUL);
    EXPECT_EQ("MSGKIT : 5 Odd malloc buffer: 001a\n", takeError());
    catalogueError(9, 3, 4, 27, 9);
    EXPECT_EQ("MSGKIT : 9 Token count (3) does not match specified element count 4\nMessage 27:9\n",
              takeError());
    catalogueError(14, 123456L);
    EXPECT_EQ("MSGKIT :14 Error getting 123456 bytes of memory.\n", takeError());
    catalogueError(17);
    EXPECT_EQ("MSGKIT :17 Unknown platform type. Can't initialize the byteswapping function.\n",
              takeError());
    catalogueError(99);
    EXPECT_EQ("MSGKIT :99 Unknown error type.\n", takeError());
}

// ---- memory: failures, flushes and the close ----

int allocationsLeft = 0;  // allocations that succeed before the next one fails
void* failingAllocator(size_t byteCount) {
    if (allocationsLeft-- <= 0) return nullptr;
    return malloc(byteCount);
}

TEST_F(Catalogue, ReportsMemoryFailuresAsError14) {
    CatalogueOptions options;
    options.pinnedModules = {2};
    CatalogueImage image = makeImage(smallSet(), options);
    std::string path = image.write("memory.cat");
    struct Case {
        int line;
        int allowed;
        bool openFails;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, 0, true, "MSGKIT :14 Error getting 40 bytes of memory.\n"},   // 5 slots
        {__LINE__, 1, true, "MSGKIT :14 Error getting 120 bytes of memory.\n"},  // 5 blocks
        {__LINE__, 2, false, "MSGKIT :14 Error getting 18 bytes of memory.\n"},  // 2:2 and its end
        {__LINE__, 3, false, "MSGKIT :14 Error getting 24 bytes of memory.\n"},  // pin record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        allocationsLeft = c.allowed;
        setCatalogueAllocator(failingAllocator);
        int opened = openCatalogue(path.c_str(), captureError);
        if (c.openFails) {
            EXPECT_EQ(-1, opened);
        } else {
            ASSERT_EQ(0, opened);
            EXPECT_STREQ("", getMessage(2, 2));
        }
        EXPECT_EQ(c.want, takeError());
        setCatalogueAllocator(nullptr);
        closeCatalogue();
    }
}

TEST_F(Catalogue, FlushKeepsPinnedBlocksAtTheirAddresses) {
    std::vector<SourceMessage> messages;
    for (int n = 1; n <= 6; n++) messages.push_back(message(1, n, "message " + std::to_string(n)));
    CatalogueOptions options;
    options.pinnedMessages = {{1, 2}, {1, 5}};
    const int blockLength = 8 + 10;
    // The running total is never reset, so the limit counts from where it stands now.
    options.cacheLimit = static_cast<std::int32_t>(catalogueLoadedByteTotal() + 3 * blockLength);
    CatalogueImage image = makeImage(messages, options);
    ASSERT_EQ(blockLength, image.built.blocks[0].length);
    ASSERT_EQ(0, openCatalogue(image.write("cache.cat").c_str(), captureError));
    const char* one = getMessage(1, 1);
    const char* two = getMessage(1, 2);
    EXPECT_STREQ("message 1", one);
    EXPECT_NE(nullptr, catalogueBlockMemory(0));
    EXPECT_STREQ("message 3", getMessage(1, 3));  // reaches the limit: flush, then load
    EXPECT_EQ(nullptr, catalogueBlockMemory(0));
    EXPECT_EQ(0u, catalogueBlockFlags(0) & BLOCK_LOADED);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(two) - 8, catalogueBlockMemory(1));
    EXPECT_TRUE(catalogueBlockFlags(1) & BLOCK_LOADED);
    struct Step {
        int line;
        int number;
        int wantFreed;
    };
    const Step steps[] = {{__LINE__, 4, 2}, {__LINE__, 5, 3}, {__LINE__, 6, 3}, {__LINE__, 1, 5}};
    for (const Step& s : steps) {  // past the limit every load flushes first
        SCOPED_TRACE(s.line);
        EXPECT_EQ("message " + std::to_string(s.number), getMessage(1, s.number));
        EXPECT_EQ(nullptr, catalogueBlockMemory(s.wantFreed));
        EXPECT_EQ(two, getMessage(1, 2));
        EXPECT_STREQ("message 2", two);
    }
    const char* five = getMessage(1, 5);
    EXPECT_STREQ("message 5", five);
    getMessage(1, 3);
    EXPECT_EQ(five, getMessage(1, 5));
    EXPECT_EQ(2, cataloguePinnedCount());
    EXPECT_EQ("", takeError());
}

TEST_F(Catalogue, FlushReportsTablesThatCanNoLongerBeRead) {
    CatalogueOptions options;
    options.cacheLimit = 1;  // every load flushes
    options.pinnedModules = {0};
    std::vector<SourceMessage> messages = smallSet();
    messages.push_back(
        message(3, 1, std::string(5000, 'x')));  // keeps the tables out of the buffer
    CatalogueImage image = makeImage(messages, options);
    std::string path = image.write("shrinking.cat");
    ASSERT_EQ(0, openCatalogue(path.c_str(), captureError));
    const char* pinned = getMessage(0, 1);
    EXPECT_STREQ("zero one", pinned);
    takeError();
    // The file loses its tables under the open catalogue.
    std::vector<unsigned char> cut(
        image.file.begin(), image.file.begin() + image.base + image.built.fileIndexOffset + 3);
    writeFileBytes(path, cut);
    EXPECT_STREQ("", getMessage(2, 1));
    EXPECT_EQ("MSGKIT :12 Error reading file index table.\n", takeError());
    EXPECT_EQ(pinned, getMessage(0, 1));  // the pinned block survived the failed flush
}

TEST_F(Catalogue, CloseFreesBlocksBeyondAnInvalidEntry) {
    CatalogueImage image = makeImage(smallSet());
    image.putI16(image.blockEntryOffset(1), 0);  // block 1 loses BLOCK_VALID
    ASSERT_EQ(0, openCatalogue(image.write("invalid.cat").c_str(), captureError));
    EXPECT_STREQ("two two", getMessage(2, 2));  // block 2, after the invalid entry
    EXPECT_STREQ("four one", getMessage(4, 1));
    closeCatalogue();  // the leak checker of the sanitizer build sees any block left behind
    EXPECT_FALSE(catalogueIsOpen());
    EXPECT_EQ("", takeError());
}

TEST_F(Catalogue, DefaultCallbackPrintsClosesAndExits) {
    // The default callback prints on standard output; the child sends it where the check looks.
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            openCatalogue("/nonexistent/module.so", nullptr);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1),
        "MSGKIT : 1 Can't open compiled message file '/nonexistent/module.so'\n\n\n");
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            openCatalogue(vectrinCataloguePath(), nullptr);
            getMessage(23, 66);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "MSGKIT : 7 Invalid message number 23:66");
}

TEST_F(Catalogue, KeepsTheHeaderAndCharacterTable) {
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    EXPECT_STREQ("ansi_1252", catalogueCodePage());
    EXPECT_STREQ("en", catalogueLanguage());
    EXPECT_EQ(1, catalogueAlphabeticMode());
    CatalogueImage modeThree = makeImage(smallSet());
    modeThree.putI16(modeThree.built.charTableOffset + charTableEntries * 3 * 2, 3);
    ASSERT_EQ(0, openCatalogue(modeThree.write("mode.cat").c_str(), captureError));
    EXPECT_EQ(3, catalogueAlphabeticMode());
    ASSERT_EQ(0, openCatalogue(vectrinCataloguePath(), captureError));
    struct Row {
        int line;
        int code;
        unsigned classes;
        unsigned other;
        unsigned weight;
    };
    const Row rows[] = {
        {__LINE__, 0x00, 0x00, 0x00, 0x00}, {__LINE__, '\t', 0xA8, '\t', 0x2C},
        {__LINE__, '\n', 0x28, '\n', 0x2D}, {__LINE__, ' ', 0x88, ' ', 0x2A},
        {__LINE__, '!', 0x10, '!', 0x31},   {__LINE__, '0', 0x44, '0', 0x75},
        {__LINE__, '9', 0x44, '9', 0x84},   {__LINE__, 'A', 0x41, 'a', 0x85},
        {__LINE__, 'a', 0x42, 'A', 0x86},   {__LINE__, 'B', 0x41, 'b', 0x96},
        {__LINE__, 'Z', 0x01, 'z', 0xFD},   {__LINE__, 'z', 0x02, 'Z', 0xFE},
        {__LINE__, '_', 0x10, '_', 0x45},   {__LINE__, 0xC9, 0x01, 0xE9, 0xA4},  // E acute
        {__LINE__, 0xFF, 0x02, 0x9F, 0xFC},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(r.classes, catalogueCharClass(r.code));
        EXPECT_EQ(r.other, catalogueOtherCase(r.code));
        EXPECT_EQ(r.weight, catalogueCollationWeight(r.code));
    }
}

}  // namespace
