// tests/messages/corruptionTests.cpp - thousands of randomly damaged copies of the English
// catalogue: every open and every lookup must end in a text or a report, never in a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "messages/catalogueFormat.h"
#include "messages/catalogueInternals.h"
#include "messages/messages.h"
#include "tests/messages/catalogueTestSupport.h"

namespace {

using Random = std::mt19937;

long pick(Random& random, long low, long high) {
    return std::uniform_int_distribution<long>(low, high)(random);
}

// Values that tend to break bounds checks.
std::int32_t awkwardValue(Random& random) {
    static const std::int32_t values[] = {0,   1,      -1,      2,      7,          8,
                                          9,   0x7FFF, -0x8000, 0xFFFF, 0x7FFFFFFF, INT32_MIN,
                                          216, 4096,   3584,    3585};
    if (pick(random, 0, 3) == 0) return static_cast<std::int32_t>(random());
    return values[pick(random, 0, sizeof values / sizeof values[0] - 1)];
}

void putI32(std::vector<unsigned char>& bytes, std::size_t at, std::int32_t value) {
    if (at + 4 > bytes.size()) return;
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

// One random injury; the damaged spots favour the header and the tables, where a single wrong
// number does the most harm.
void injure(std::vector<unsigned char>& bytes, Random& random) {
    const std::size_t size = bytes.size();
    switch (pick(random, 0, 7)) {
        case 0:  // flip a few bits anywhere
            for (long n = pick(random, 1, 8); n > 0; n--)
                bytes[pick(random, 0, size - 1)] ^= 1 << pick(random, 0, 7);
            break;
        case 1:  // overwrite a run with noise
            for (long at = pick(random, 0, size - 1), n = pick(random, 1, 64);
                 n > 0 && at < static_cast<long>(size); n--) {
                bytes[at++] = static_cast<unsigned char>(random());
            }
            break;
        case 2:  // a header field
            putI32(bytes, catalogue::fieldsOffset + 4 * pick(random, 0, catalogue::fieldCount - 1),
                   awkwardValue(random));
            break;
        case 3:  // an integer somewhere in the index tables at the catalogue's end
            putI32(bytes, size - pick(random, 7 + 59 + 4, 7 + 59 + 1100), awkwardValue(random));
            break;
        case 4:  // a record head
            bytes[pick(random, catalogue::headerSize, catalogue::headerSize + 4500)] =
                static_cast<unsigned char>(awkwardValue(random));
            break;
        case 5:  // cut the file short, keeping a trailer that may no longer fit
            bytes.erase(bytes.begin() + pick(random, 0, size - 8), bytes.end() - 7);
            break;
        case 6:  // the trailer claims a shorter catalogue
            putI32(bytes, size - 7, static_cast<std::int32_t>(pick(random, 1, size - 7)));
            break;
        default:  // truncate
            bytes.resize(pick(random, 0, size - 1));
            break;
    }
}

// Touches every byte of a text the way a caller would.
std::size_t touch(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

TEST(DamagedCatalogue, NeverCrashesOpeningOrLookingUp) {
    const std::vector<unsigned char> good = readFileBytes(vectrinCataloguePath());
    ASSERT_GT(good.size(), 5000u);
    const std::string path = testDirectory() + "/damaged.cat";
    Random random(20261208);
    int opened = 0;
    std::size_t touched = 0;
    std::set<int> codes;  // the error codes the damage provoked
    auto noteCodes = [&codes]() {
        for (const std::string& text : capturedErrors()) codes.insert(std::atoi(text.c_str() + 8));
    };
    for (int copy = 0; copy < 3000; copy++) {
        std::vector<unsigned char> bytes = good;
        for (long n = pick(random, 1, 3); n > 0 && bytes.size() > 8; n--) injure(bytes, random);
        writeFileBytes(path, bytes);
        capturedErrors().clear();
        if (openCatalogue(path.c_str(), captureError) == -1) {
            EXPECT_FALSE(catalogueIsOpen());
            EXPECT_EQ(1u, capturedErrors().size()) << "copy " << copy;
            noteCodes();
            continue;
        }
        opened++;
        int slots = catalogueSlotCount();
        for (int module = -1; module <= slots; module++) {
            // Counts up to 32767 are legal; the first 200 numbers exercise every path.
            int count = std::max(std::min(catalogueMessageCount(module), 200), 0);
            for (int number = -1; number <= count + 1; number++) {
                int length = -7;
                const char* text = getMessage(module, number, &length);
                touched += touch(text);
                EXPECT_GE(length, number == 0 ? 0 : -1);
            }
        }
        closeCatalogue();
        noteCodes();
    }
    // The injuries must leave enough catalogues readable for the lookups to be tried.
    EXPECT_GT(opened, 600);
    EXPECT_GT(touched, 0u);
    for (int code : {2, 4, 6, 7, 10, 11, 12, 13, 15, 18}) EXPECT_EQ(1u, codes.count(code)) << code;
    std::string seen;
    for (int code : codes) seen += " " + std::to_string(code);
    std::printf("opened %d of 3000 damaged copies; error codes seen:%s\n", opened, seen.c_str());
}

}  // namespace
