// hostsim/base/codePages.cpp - the host's code page 1252 against UTF-8, and drawing texts in
// other code pages through iconv.
//
// The host keeps every text in code page 1252, the code page of the character classes the module
// asks for: the terminal's UTF-8 is converted at the door, both ways, and so is a drawing's text.
#include <iconv.h>

#include <cerrno>

#include "hostsim/base/base.h"

namespace {

// The characters of the bytes 0x80 to 0x9F. The five bytes the code page leaves undefined stand
// for the C1 control of the same number, so that every byte converts and comes back as itself.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char missingCharacter = '?';  // what a drawing text shows for a character 1252 lacks

char32_t unicodeOfByte(unsigned char b) { return b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : b; }

// The code page 1252 byte of a character; -1 when the code page has none.
int byteOfUnicode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (cp1252High[i] == c) return 0x80 + i;
    return -1;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// How many continuation bytes follow a lead byte; -1 for a byte that cannot lead (0xC0 and
// 0xC1 could only start overlong forms, 0xF5 and above only what lies past U+10FFFF).
int continuationCount(unsigned char lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return -1;
}

// One character of UTF-8 from text[at]; false for a sequence that is cut, overlong, a surrogate
// or past U+10FFFF, so that only text that truly is UTF-8 is taken for it.
bool readUtf8(std::string_view text, std::size_t& at, char32_t& c) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    int extra = continuationCount(lead);
    if (extra < 0 || text.size() - at <= static_cast<std::size_t>(extra)) return false;
    c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    at += extra + 1;
    return true;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// UTF-8 known to be valid into code page 1252, a missing character as '?'.
std::string cp1252OrMissing(std::string_view utf8) {
    std::string out;
    char32_t c = 0;
    for (std::size_t at = 0; at < utf8.size() && readUtf8(utf8, at, c);) {
        int b = byteOfUnicode(c);
        out += b < 0 ? missingCharacter : static_cast<char>(b);
    }
    return out;
}

// The bytes of a code page as UTF-8 through iconv; a byte it cannot read becomes '?'.
std::string utf8ThroughIconv(std::string_view bytes, const std::string& iconvName) {
    iconv_t converter = iconv_open("UTF-8", iconvName.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return hostsim::utf8FromCp1252(bytes);
    std::string in(bytes), out;
    char* inAt = &in[0];
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char buffer[256];
        char* outAt = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t done = iconv(converter, &inAt, &inLeft, &outAt, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outAt - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += missingCharacter;  // an invalid or cut sequence: skip one byte and go on
            ++inAt;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return out;
}

}  // namespace

namespace hostsim {

bool isValidUtf8(std::string_view text) {
    if (isAscii(text)) return true;  // the usual line, in one quick pass
    char32_t c = 0;
    for (std::size_t at = 0; at < text.size();)
        if (!readUtf8(text, at, c)) return false;
    return true;
}

std::string utf8FromCp1252(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    std::string out;
    for (char c : text) appendUtf8(out, unicodeOfByte(static_cast<unsigned char>(c)));
    return out;
}

bool cp1252FromUtf8(std::string_view text, std::string& out, char32_t& missing) {
    if (isAscii(text)) {  // the same bytes in both
        out.assign(text);
        return true;
    }
    std::string converted;
    char32_t c = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (!readUtf8(text, at, c)) {
            missing = 0;
            return false;
        }
        int b = byteOfUnicode(c);
        if (b < 0) {
            missing = c;
            return false;
        }
        converted += static_cast<char>(b);
    }
    out.swap(converted);
    return true;
}

std::string iconvCodePage(const std::string& dxfName) {
    std::string name = upperName(dxfName);
    std::string iconvName;
    if (name.compare(0, 5, "ANSI_") == 0)
        iconvName = "CP" + name.substr(5);
    else if (name.compare(0, 3, "DOS") == 0)
        iconvName = "CP" + name.substr(3);
    else if (name.compare(0, 7, "ISO8859") == 0)
        iconvName = "ISO-8859" + name.substr(7);
    else
        iconvName = name;
    if (iconvName == "CP1252") return iconvName;  // converted by the host's own table
    iconv_t probe = iconv_open("UTF-8", iconvName.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return "";
    iconv_close(probe);
    return iconvName;
}

std::string utf8FromCodePoint(char32_t c) {
    bool noCharacter = c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF;
    std::string out;
    appendUtf8(out, noCharacter ? missingCharacter : c);
    return out;
}

std::string utf8FromCodePage(std::string_view bytes, const std::string& iconvName) {
    return utf8ThroughIconv(bytes, iconvName);
}

std::string hostTextFromDrawing(std::string_view bytes, const std::string& codePage) {
    if (isAscii(bytes)) return std::string(bytes);
    if (isValidUtf8(bytes)) return cp1252OrMissing(bytes);
    if (codePage == "CP1252" || codePage.empty()) return std::string(bytes);
    return cp1252OrMissing(utf8ThroughIconv(bytes, codePage));
}

}  // namespace hostsim
