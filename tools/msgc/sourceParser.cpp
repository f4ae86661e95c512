// tools/msgc/sourceParser.cpp - reads message source files line by line.
#include "tools/msgc/sourceParser.h"

#include <cctype>
#include <climits>
#include <map>

namespace {

struct LineCursor {
    const std::string& text;
    std::size_t at;

    bool atEnd() const { return at >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[at]; }
    void skipBlanks() {
        while (!atEnd() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r')) at++;
    }
};

// number -> digit { digit }, kept below a bound so no overflow can occur
bool readNumber(LineCursor& cursor, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(cursor.peek()))) return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(cursor.peek()))) {
        v = v * 10 + (cursor.text[cursor.at++] - '0');
        if (v > INT_MAX) return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool startsName(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// name -> ( letter | '_' ) { letter | digit | '_' }
std::string readName(LineCursor& cursor) {
    std::size_t start = cursor.at;
    while (startsName(cursor.peek()) || std::isdigit(static_cast<unsigned char>(cursor.peek())))
        cursor.at++;
    return cursor.text.substr(start, cursor.at - start);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// escape -> '\' ( 'n' | 't' | '\' | '"' | 'x' hex hex )
bool readEscape(LineCursor& cursor, std::string& out, std::string& error) {
    char c = cursor.peek();
    cursor.at++;
    switch (c) {
        case 'n': out += '\n'; return true;
        case 't': out += '\t'; return true;
        case '\\': out += '\\'; return true;
        case '"': out += '"'; return true;
        case 'x': {
            int high = hexValue(cursor.peek());
            int low = high < 0
                          ? -1
                          : hexValue(cursor.at + 1 < cursor.text.size() ? cursor.text[cursor.at + 1]
                                                                        : '\0');
            if (low < 0) break;
            cursor.at += 2;
            out += static_cast<char>(high * 16 + low);
            return true;
        }
        default: break;
    }
    error = "unknown escape in the text (use \\n, \\t, \\\\, \\\" or \\xHH)";
    return false;
}

// text -> '"' { character | escape } '"'; characters are printable ASCII, others need \xHH
bool readText(LineCursor& cursor, std::string& out, std::string& error) {
    if (cursor.peek() != '"') {
        error = "expected the text in double quotes";
        return false;
    }
    cursor.at++;
    while (!cursor.atEnd() && cursor.peek() != '"') {
        unsigned char c = static_cast<unsigned char>(cursor.peek());
        if (c == '\\') {
            cursor.at++;
            if (!readEscape(cursor, out, error)) return false;
        } else if (c < 0x20 || c >= 0x7F) {
            error = "only printable ASCII may stand in a text; write other bytes as \\xHH";
            return false;
        } else {
            out += static_cast<char>(c);
            cursor.at++;
        }
    }
    if (cursor.atEnd()) {
        error = "the text has no closing double quote";
        return false;
    }
    cursor.at++;
    return true;
}

// entry -> module ':' number [ name ] [ kind ] text [ '#' comment ]
bool parseEntry(LineCursor& cursor, SourceMessage& m, std::string& error) {
    if (!readNumber(cursor, m.module)) {
        error = "expected MODULE:NUMBER at the start of the line";
        return false;
    }
    if (cursor.peek() != ':') {
        error = "expected ':' after the module";
        return false;
    }
    cursor.at++;
    if (!readNumber(cursor, m.number)) {
        error = "expected the message number after ':'";
        return false;
    }
    cursor.skipBlanks();
    if (startsName(cursor.peek())) {
        m.name = readName(cursor);
        cursor.skipBlanks();
    }
    if (std::isdigit(static_cast<unsigned char>(cursor.peek()))) {
        if (!readNumber(cursor, m.kind) || !isValidKind(m.kind)) {
            error = "the kind must be 1, 7, 9 or 12";
            return false;
        }
        cursor.skipBlanks();
    }
    if (!readText(cursor, m.text, error)) return false;
    cursor.skipBlanks();
    if (!cursor.atEnd() && cursor.peek() != '#') {
        error = "unexpected characters after the text";
        return false;
    }
    return true;
}

// module-name -> 'module' number name [ '#' comment ]
bool parseModuleName(LineCursor& cursor, NamedModule& named, std::string& error) {
    cursor.skipBlanks();
    if (!readNumber(cursor, named.module)) {
        error = "expected the module's number after 'module'";
        return false;
    }
    cursor.skipBlanks();
    if (!startsName(cursor.peek())) {
        error = "expected the module's name after its number";
        return false;
    }
    named.name = readName(cursor);
    cursor.skipBlanks();
    if (!cursor.atEnd() && cursor.peek() != '#') {
        error = "unexpected characters after the module's name";
        return false;
    }
    return true;
}

// Every name stands for one constant: the lines that gave each, and the module each numbers.
struct NamesGiven {
    std::map<std::string, int> lineOfName;
    std::map<int, int> lineOfModule;

    bool take(const std::string& name, int line, std::string& error) {
        if (name.empty()) return true;
        auto [at, fresh] = lineOfName.emplace(name, line);
        if (!fresh)
            error = "the name " + name + " is given twice (first on line " +
                    std::to_string(at->second) + ")";
        return fresh;
    }
    bool takeModule(const NamedModule& named, std::string& error) {
        auto [at, fresh] = lineOfModule.emplace(named.module, named.line);
        if (!fresh) {
            error = "module " + std::to_string(named.module) + " is named twice (first on line " +
                    std::to_string(at->second) + ")";
            return false;
        }
        return take(named.name, named.line, error);
    }
};

bool parseLine(LineCursor& cursor, int lineNumber, NamesGiven& names,
               std::vector<SourceMessage>& messages, std::vector<NamedModule>* modules,
               std::string& what) {
    if (cursor.text.compare(cursor.at, 6, "module") == 0 &&
        (cursor.text[cursor.at + 6] == ' ' || cursor.text[cursor.at + 6] == '\t')) {
        cursor.at += 6;
        NamedModule named;
        named.line = lineNumber;
        if (!parseModuleName(cursor, named, what) || !names.takeModule(named, what)) return false;
        if (modules != nullptr) modules->push_back(named);
        return true;
    }
    SourceMessage m;
    m.line = lineNumber;
    if (!parseEntry(cursor, m, what) || !names.take(m.name, lineNumber, what)) return false;
    messages.push_back(m);
    return true;
}

}  // namespace

bool parseMessageSource(const std::string& source, const std::string& name,
                        std::vector<SourceMessage>& messages, std::string& error,
                        std::vector<NamedModule>* modules) {
    NamesGiven names;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string::npos) end = source.size();
        std::string line = source.substr(start, end - start);
        start = end + 1;
        lineNumber++;
        LineCursor cursor{line, 0};
        cursor.skipBlanks();
        if (cursor.atEnd() || cursor.peek() == '#') continue;
        std::string what;
        if (!parseLine(cursor, lineNumber, names, messages, modules, what)) {
            error = name + ":" + std::to_string(lineNumber) + ": " + what;
            return false;
        }
    }
    return true;
}
