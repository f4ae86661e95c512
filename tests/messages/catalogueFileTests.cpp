// tests/messages/catalogueFileTests.cpp - the buffered file layer: what each read delivers and
// how often it goes to the system.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/catalogueFile.h"
#include "tests/messages/catalogueTestSupport.h"

namespace {

constexpr long fileSize = 20000;

unsigned char patternByte(long i) { return static_cast<unsigned char>((i * 7 + i / 251) & 0xFF); }

std::string patternFile() {
    std::vector<unsigned char> bytes(fileSize);
    for (long i = 0; i < fileSize; i++) bytes[i] = patternByte(i);
    std::string path = testDirectory() + "/pattern.bin";
    writeFileBytes(path, bytes);
    return path;
}

TEST(CatalogueFile, DeliversTheBytesAtTheLogicalPosition) {
    struct Case {
        int line;
        long position;
        long size;
        long wantBytes;
        long maxRefills;
    };
    const Case cases[] = {
        {__LINE__, 0, 1, 1, 1},
        {__LINE__, 511, 3584, 3584, 1},  // the largest buffered read fits in one refill
        {__LINE__, 512 * 3 + 511, 3584, 3584, 1},
        {__LINE__, 4000, 3584, 3584, 1},
        {__LINE__, 100, 3585, 3585, 0},  // above 3584: straight from the system
        {__LINE__, 4095, 10000, 10000, 0},
        {__LINE__, fileSize - 10, 100, 10, 1},  // runs into the end of the file
        {__LINE__, fileSize - 10, 5000, 10, 0},
        {__LINE__, fileSize, 10, 0, 1},
        {__LINE__, fileSize + 600, 10, 0, 1},
    };
    std::string path = patternFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueFile* file = catalogueFileOpen(path.c_str());
        ASSERT_NE(nullptr, file);
        EXPECT_EQ(c.position, catalogueFileSeek(file, c.position, 0));
        std::vector<unsigned char> out(c.size + 1, 0xEE);
        long refills = catalogueFileRefillCount();
        EXPECT_EQ(c.wantBytes, catalogueFileRead(file, out.data(), 1, c.size));
        EXPECT_LE(catalogueFileRefillCount() - refills, c.maxRefills);
        for (long i = 0; i < c.wantBytes; i++) {
            if (out[i] != patternByte(c.position + i)) {
                ADD_FAILURE() << "byte " << i << " differs";
                break;
            }
        }
        EXPECT_EQ(0xEE, out[c.size]);  // nothing written past the request
        EXPECT_EQ(c.position + c.wantBytes, catalogueFileTell(file));
        catalogueFileClose(file);
    }
}

TEST(CatalogueFile, SmallReadsInsideTheBufferCostNoSystemRead) {
    std::string path = patternFile();
    CatalogueFile* file = catalogueFileOpen(path.c_str());
    ASSERT_NE(nullptr, file);
    catalogueFileSeek(file, 1000, 0);
    unsigned char out[600];
    ASSERT_EQ(100, catalogueFileRead(file, out, 1, 100));  // buffer now holds 512..4607
    long refills = catalogueFileRefillCount();
    struct Case {
        int line;
        long position;
        long size;
        long wantRefills;
    };
    const Case cases[] = {
        {__LINE__, 512, 600, 0},
        {__LINE__, 4000, 600, 0},
        {__LINE__, 4100, 600, 1},  // crosses the buffer's end: the rest comes from a refill
        {__LINE__, 100, 10, 1},    // before the buffer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        catalogueFileSeek(file, c.position, 0);
        EXPECT_EQ(c.size, catalogueFileRead(file, out, 1, c.size));
        EXPECT_EQ(c.wantRefills, catalogueFileRefillCount() - refills);
        EXPECT_EQ(patternByte(c.position), out[0]);
        EXPECT_EQ(patternByte(c.position + c.size - 1), out[c.size - 1]);
        refills = catalogueFileRefillCount();
    }
    catalogueFileClose(file);
}

TEST(CatalogueFile, CountsWholeElementsAndSeeksEachWay) {
    std::string path = patternFile();
    CatalogueFile* file = catalogueFileOpen(path.c_str());
    ASSERT_NE(nullptr, file);
    unsigned char out[64];
    catalogueFileSeek(file, fileSize - 10, 0);
    EXPECT_EQ(2, catalogueFileRead(file, out, 4, 5));  // 10 bytes left: two whole elements
    EXPECT_EQ(0, catalogueFileRead(file, out, 4, 0));
    EXPECT_EQ(0, catalogueFileRead(file, out, 4, -3));
    EXPECT_EQ(0, catalogueFileRead(file, out, -1, 3));
    EXPECT_EQ(fileSize, catalogueFileSeek(file, 0, 2));
    EXPECT_EQ(fileSize - 7, catalogueFileSeek(file, -7, 2));
    EXPECT_EQ(fileSize - 2, catalogueFileSeek(file, 5, 1));
    EXPECT_EQ(-1, catalogueFileSeek(file, -1, 0));
    EXPECT_EQ(fileSize - 2, catalogueFileTell(file));  // a refused seek moves nothing
    EXPECT_EQ(nullptr, catalogueFileOpen((testDirectory() + "/missing.bin").c_str()));
    catalogueFileClose(file);
}

// A seek from the end tells the layer where the file ends; reads stop there, and no sooner.
TEST(CatalogueFile, ReadsUpToTheEndASeekFromTheEndFound) {
    std::string path = patternFile();
    struct Case {
        int line;
        long fromEnd;
        long size;
        long wantBytes;
    };
    const Case cases[] = {
        {__LINE__, -7, 8, 7},          {__LINE__, -100, 50, 50},
        {__LINE__, -5000, 4000, 4000},  // straight from the system
        {__LINE__, -5000, 6000, 5000}, {__LINE__, 0, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        CatalogueFile* file = catalogueFileOpen(path.c_str());
        ASSERT_NE(nullptr, file);
        long position = catalogueFileSeek(file, c.fromEnd, 2);
        EXPECT_EQ(fileSize + c.fromEnd, position);
        std::vector<unsigned char> out(c.size);
        EXPECT_EQ(c.wantBytes, catalogueFileRead(file, out.data(), 1, c.size));
        if (c.wantBytes > 0) {
            EXPECT_EQ(patternByte(position + c.wantBytes - 1), out[c.wantBytes - 1]);
        }
        catalogueFileClose(file);
    }
}

}  // namespace
