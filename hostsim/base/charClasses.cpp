// hostsim/base/charClasses.cpp - character classes and upper case for code page 1252.
//
// The module hands characters over as int, often straight from a plain char, so a byte above
// 127 may arrive negative. Every routine reads the argument as one unsigned byte. They only read a
// table, so unlike the other kvs_* routines they need no guard to keep errno.
#include "hostsim/base/base.h"

#include <array>
#include <cstdint>

namespace {

enum : uint8_t { letterBit = 1, digitBit = 2 };

struct CharTable {
    std::array<uint8_t, 256> classes{};
    std::array<uint8_t, 256> upper{};
};

constexpr bool isCp1252Letter(int b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == 0x83 || b == 0x8A ||
           b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E || b == 0x9F ||
           b == 0xAA || b == 0xB5 || b == 0xBA || (b >= 0xC0 && b <= 0xD6) ||
           (b >= 0xD8 && b <= 0xF6) || (b >= 0xF8 && b <= 0xFF);
}

// Small letters without a capital in the code page (ƒ, ª, µ, º, ß) keep their code.
constexpr int cp1252Upper(int b) {
    if (b >= 'a' && b <= 'z') return b - 0x20;
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 0x20;
    switch (b) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return b;
    }
}

constexpr CharTable buildTable() {
    CharTable t{};
    for (int b = 0; b < 256; ++b) {
        uint8_t bits = 0;
        if (isCp1252Letter(b)) bits |= letterBit;
        if (b >= '0' && b <= '9') bits |= digitBit;
        t.classes[b] = bits;
        t.upper[b] = static_cast<uint8_t>(cp1252Upper(b));
    }
    return t;
}

// ---- character tables: fixed at compile time, indexed by an unsigned byte only ----
constexpr CharTable charTable = buildTable();

int classOf(int c) { return charTable.classes[static_cast<unsigned>(c) & 0xFFu]; }

}  // namespace

extern "C" int kvs_isalpha(int c) { return (classOf(c) & letterBit) != 0; }

extern "C" int kvs_isdigit(int c) { return (classOf(c) & digitBit) != 0; }

extern "C" int kvs_isalnum(int c) { return (classOf(c) & (letterBit | digitBit)) != 0; }

extern "C" int kvs_toupper(int c) { return charTable.upper[static_cast<unsigned>(c) & 0xFFu]; }

namespace hostsim {

std::string upperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(kvs_toupper(c));
    return upper;
}

std::string trimmed(const std::string& text, const char* blanks) {
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) + 1 - first);
}

std::string firstCommandWord(const std::string& line, std::string* rest) {
    std::string words = trimmed(line, commandBlanks);
    std::size_t end = words.find_first_of(commandBlanks);
    if (rest != nullptr)
        *rest = end == std::string::npos ? "" : trimmed(words.substr(end), commandBlanks);
    return words.substr(0, end);
}

}  // namespace hostsim
