// hostsim/drawing/texts.cpp - what the texts of TEXT, ATTRIB and MTEXT objects show, in UTF-8:
// their lines with the formatting codes dropped and the character codes decoded.
//
// A character a drawing's code page lacks is written \U+XXXX (its Unicode number) or \M+nXXXX (a
// double-byte character of an Asian code page n); MTEXT adds its formatting codes to that.
#include <cctype>
#include <string_view>

#include "hostsim/drawing/drawing.h"

namespace {

// The code pages of \M+n, by n.
const char* const multiByteCodePages[] = {"CP932", "CP950", "CP949", "JOHAB", "CP936"};

// MTEXT codes followed by an argument up to ';': fonts, heights, colours, stacks and the like.
constexpr std::string_view codesWithArgument = "ACcFfHQTWpSX";

bool isHexDigits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

unsigned hexValue(std::string_view digits) {
    return static_cast<unsigned>(std::stoul(std::string(digits), nullptr, 16));
}

// A \U+XXXX or \M+nXXXX code at text[at] (its backslash), as UTF-8; false, leaving both, for
// anything else. at ends on the code's last character.
bool decodeCharacterCode(std::string_view text, std::size_t& at, std::string& out) {
    if (text.size() < at + 3 || text[at + 2] != '+') return false;
    if (text[at + 1] == 'U' && isHexDigits(text, at + 3, 4)) {
        char32_t c = hexValue(text.substr(at + 3, 4));
        out += c < 0x20 ? std::string("?") : hostsim::utf8FromCodePoint(c);
        at += 6;
        return true;
    }
    if (text[at + 1] == 'M' && text.size() > at + 3 && text[at + 3] >= '1' && text[at + 3] <= '5' &&
        isHexDigits(text, at + 4, 4)) {
        unsigned code = hexValue(text.substr(at + 4, 4));
        char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        std::string_view pair(bytes + (bytes[0] == 0 ? 1 : 0), bytes[0] == 0 ? 1 : 2);
        out += hostsim::utf8FromCodePage(pair, multiByteCodePages[text[at + 3] - '1']);
        at += 7;
        return true;
    }
    return false;
}

// A text of TEXT or ATTRIB: only its character codes are codes.
std::string plainText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\\' || !decodeCharacterCode(text, i, out))
            out += hostsim::utf8FromCp1252(text.substr(i, 1));
    return out;
}

// MTEXT's text, split at \P: braces and formatting codes dropped (those with an argument up to
// ';', two-character switches); \\, \{ and \} stand for themselves, \~ for a space.
std::vector<std::string> mtextLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c != '\\' || i + 1 == text.size()) {
            lines.back() += hostsim::utf8FromCp1252(text.substr(i, 1));
            continue;
        }
        if (decodeCharacterCode(text, i, lines.back())) continue;
        char code = text[++i];
        if (code == 'P') {
            lines.emplace_back();
        } else if (codesWithArgument.find(code) != std::string_view::npos) {
            std::size_t end = text.find(';', i);
            i = end == std::string_view::npos ? text.size() : end;
        } else if (code == '\\' || code == '{' || code == '}') {
            lines.back() += code;
        } else if (code == '~') {
            lines.back() += "\u00A0";
        }
    }
    return lines;
}

}  // namespace

namespace hostsim {

std::vector<std::string> textLines(const DrawingObject& o, bool paragraphs) {
    if (!paragraphs) {
        const DxfGroup* text = findGroup(o, 1);
        return {plainText(text != nullptr ? text->text() : std::string_view())};
    }
    std::string content, last;  // groups 3 carry the first pieces, 1 the last
    for (const DxfGroup& g : o.groups) {
        if (g.code == 3) content += g.text();
        if (g.code == 1) last = g.text();
    }
    return mtextLines(content + last);
}

std::size_t oneLineTextLength(const DrawingObject& o) {
    const DxfGroup* text = findGroup(o, 1);
    std::string_view written = text != nullptr ? text->text() : std::string_view();
    if (written.find('\\') == std::string_view::npos) return written.size();  // a byte a character
    return characterCount(textLines(o, false)[0]);
}

std::size_t characterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace hostsim
