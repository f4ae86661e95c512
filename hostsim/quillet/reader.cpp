// hostsim/quillet/reader.cpp - the Quillet reader: text to values, one expression per call.
//
// expression -> atom | text | '(' {expression} ')' | "'" expression
// An atom is an integer, a real, nil or a symbol; |...| inside an atom takes any characters
// as they are. A semicolon starts a comment that runs to the end of the line.
#include "hostsim/quillet/quillet.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using hostsim::QValue;

// One reading: the text, the cursor and the first error. Nothing outlives a readQuillet call.
struct Reader {
    const std::string& text;
    std::size_t pos;
    std::string error;
};

// The blanks of the C locale, whatever locale a library has set since: a line reads the same
// at a terminal and from a script.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A NUL byte is an atom's character like any other: an atom that stops before its first
// character never moves the reader on.
bool isDelimiter(char c) {
    switch (c) {
        case '(':
        case ')':
        case '\'':
        case '"':
        case ';': return true;
        default: return isBlank(c);
    }
}

bool fail(Reader& r, const std::string& message) {
    if (r.error.empty()) r.error = message;
    return false;
}

void skipBlanksAndComments(Reader& r) {
    while (r.pos < r.text.size()) {
        char c = r.text[r.pos];
        if (c == ';') {
            while (r.pos < r.text.size() && r.text[r.pos] != '\n') ++r.pos;
        } else if (isBlank(c)) {
            ++r.pos;
        } else {
            return;
        }
    }
}

bool readExpression(Reader& r, QValue& out, int depth);

// The byte of an octal escape, \ooo as the printer writes control characters: up to three
// digits, as many as keep it a byte. r.pos is on its first digit.
char readOctalEscape(Reader& r) {
    unsigned code = 0;
    for (int digits = 0; digits < 3 && r.pos < r.text.size(); ++digits) {
        char d = r.text[r.pos];
        if (d < '0' || d > '7' || code * 8 + static_cast<unsigned>(d - '0') > 0xFF) break;
        code = code * 8 + static_cast<unsigned>(d - '0');
        ++r.pos;
    }
    return static_cast<char>(code);
}

// text -> '"' {character | '\' escape} '"'
bool readText(Reader& r, QValue& out) {
    std::string value;
    ++r.pos;  // the opening quote
    while (r.pos < r.text.size() && r.text[r.pos] != '"') {
        std::size_t plainEnd = r.text.find_first_of("\"\\", r.pos);  // the run up to them in one go
        if (plainEnd == std::string::npos) plainEnd = r.text.size();
        value.append(r.text, r.pos, plainEnd - r.pos);
        r.pos = plainEnd;
        if (r.pos >= r.text.size() || r.text[r.pos] == '"') break;
        char c = r.text[r.pos++];
        if (c == '\\') {
            if (r.pos >= r.text.size()) break;
            if (r.text[r.pos] >= '0' && r.text[r.pos] <= '7') {
                value += readOctalEscape(r);
                continue;
            }
            char escaped = r.text[r.pos++];
            switch (escaped) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'e': c = '\x1b'; break;
                default: c = escaped; break;  // \" \\ and any other character stand for themselves
            }
        }
        value += c;
    }
    if (r.pos >= r.text.size()) return fail(r, "text without its closing \"");
    ++r.pos;
    out = QValue::textValue(value);
    return true;
}

// Sign, digits, optional fraction and exponent: the only forms taken for numbers, so that
// names such as INF, NAN or 1+ stay symbols.
bool looksNumeric(const std::string& atom, bool& integral) {
    std::size_t i = 0;
    if (i < atom.size() && (atom[i] == '+' || atom[i] == '-')) ++i;
    std::size_t mantissaDigits = 0;
    while (i < atom.size() && std::isdigit(static_cast<unsigned char>(atom[i])))
        ++i, ++mantissaDigits;
    integral = i == atom.size() && mantissaDigits > 0;
    if (i < atom.size() && atom[i] == '.') {
        ++i;
        while (i < atom.size() && std::isdigit(static_cast<unsigned char>(atom[i])))
            ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (i < atom.size() && (atom[i] == 'e' || atom[i] == 'E')) {
        ++i;
        if (i < atom.size() && (atom[i] == '+' || atom[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < atom.size() && std::isdigit(static_cast<unsigned char>(atom[i])))
            ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == atom.size();
}

// An integer literal beyond 32 bits is read as a real, as the reader of a real number would.
bool makeNumber(Reader& r, const std::string& atom, bool integral, QValue& out) {
    errno = 0;
    if (integral) {
        long long value = std::strtoll(atom.c_str(), nullptr, 10);
        if (errno == 0 && value >= INT32_MIN && value <= INT32_MAX) {
            out = QValue::integer(static_cast<int32_t>(value));
            return true;
        }
        errno = 0;
    }
    double value = std::strtod(atom.c_str(), nullptr);
    if (!std::isfinite(value)) return fail(r, "number out of range: " + atom);
    out = QValue::real(value);
    return true;
}

// atom -> {character | '|' {any character} '|'}
bool readAtom(Reader& r, QValue& out) {
    std::string atom;
    bool quotedPart = false;
    while (r.pos < r.text.size() && !isDelimiter(r.text[r.pos])) {
        char c = r.text[r.pos++];
        if (c != '|') {
            atom += c;
            continue;
        }
        quotedPart = true;
        std::size_t close = r.text.find('|', r.pos);
        if (close == std::string::npos) return fail(r, "symbol without its closing |");
        atom.append(r.text, r.pos, close - r.pos);
        r.pos = close + 1;
    }
    bool integral = false;
    if (quotedPart) {
        out.kind = QValue::Kind::Symbol;
        out.text = atom;  // kept exactly as written between the bars
        return true;
    }
    if (looksNumeric(atom, integral)) return makeNumber(r, atom, integral, out);
    out = QValue::symbol(atom);  // upper case
    if (out.text == "NIL") out = QValue::nil();
    return true;
}

// list -> '(' {expression} ')'
bool readList(Reader& r, QValue& out, int depth) {
    ++r.pos;  // the opening parenthesis
    std::vector<QValue> items;
    items.reserve(4);  // a call and its few arguments without growing
    for (;;) {
        skipBlanksAndComments(r);
        if (r.pos >= r.text.size()) return fail(r, "missing )");
        if (r.text[r.pos] == ')') break;
        QValue item;
        if (!readExpression(r, item, depth + 1)) return false;
        items.push_back(std::move(item));
    }
    ++r.pos;
    out = QValue::list(std::move(items));
    return true;
}

bool readExpression(Reader& r, QValue& out, int depth) {
    // Counted so that deeply nested text fails cleanly instead of overflowing the stack.
    if (depth > hostsim::maxQuilletDepth)
        return fail(r, "expression nested deeper than " + std::to_string(hostsim::maxQuilletDepth) +
                           " levels");
    skipBlanksAndComments(r);
    if (r.pos >= r.text.size()) return fail(r, "expression missing");
    switch (r.text[r.pos]) {
        case '(': return readList(r, out, depth);
        case ')': return fail(r, "unexpected )");
        case '"': return readText(r, out);
        case '\'': {
            ++r.pos;
            QValue quoted;
            if (!readExpression(r, quoted, depth + 1)) return false;
            out = QValue::list({QValue::symbol("QUOTE"), quoted});
            return true;
        }
        default: return readAtom(r, out);
    }
}

}  // namespace

namespace hostsim {

bool readQuillet(const std::string& text, std::size_t& pos, QValue& out, std::string& error) {
    Reader r{text, pos, ""};
    error.clear();
    skipBlanksAndComments(r);
    if (r.pos >= text.size()) {
        pos = r.pos;
        return false;
    }
    bool read = readExpression(r, out, 0);
    pos = r.pos;
    error = r.error;
    return read;
}

}  // namespace hostsim
