// hostsim/drawing/dxfReader.cpp - reads ASCII DXF text: the BLOCKS and ENTITIES sections into a
// Drawing.
//
// A DXF file is a sequence of pairs of lines: a group code, then its value. The reader keeps every
// group of the two sections it needs, checks each numeric value against its code's type so that
// later readers can trust it, skips the other sections pair by pair, and ties VERTEX, ATTRIB and
// SEQEND objects to the POLYLINE or INSERT they follow, and keeps the rows of the LAYER and LTYPE
// tables that say how objects look. Of the HEADER it reads $LTSCALE, $LUPREC and $DWGCODEPAGE: each
// text is converted to the host's code page 1252 as it is read, from UTF-8 when its bytes are
// valid UTF-8, else from that code page (ANSI_1252 when the header names none). Any fault ends
// the read with "file:line: message"; nothing is ever read past the text's end.
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "hostsim/drawing/drawing.h"

namespace {

using hostsim::DrawingObject;
using hostsim::DxfGroup;
using hostsim::GroupKind;

constexpr int highestGroupCode = 1071;  // 999, a comment, is below it

// ---- the kind of each group code, looked up in a table: the reader asks it of every group ----

constexpr GroupKind kindByRange(int code) {
    auto in = [code](int low, int high) { return code >= low && code <= high; };
    if (in(10, 18) || in(110, 112) || code == 210 || in(1010, 1013)) return GroupKind::PointX;
    if (in(20, 28) || in(120, 122) || code == 220 || in(1020, 1023)) return GroupKind::PointY;
    if (in(30, 37) || in(130, 132) || code == 230 || in(1030, 1033)) return GroupKind::PointZ;
    if (in(38, 59) || in(113, 149) || in(211, 239) || in(460, 469) || in(1014, 1019) ||
        in(1024, 1029) || in(1034, 1059))
        return GroupKind::Real;
    if (in(60, 79) || in(170, 179) || in(270, 299) || in(370, 389) || in(400, 409) ||
        in(1060, 1070))
        return GroupKind::Short;
    if (in(90, 99) || in(420, 429) || in(440, 459) || code == 1071) return GroupKind::Long;
    if (in(330, 369) || in(390, 399) || in(480, 481)) return GroupKind::Name;
    return GroupKind::Text;  // 0-9, 100-109, 160-169 (64-bit, kept as written), 300-329, ...
}

constexpr std::array<GroupKind, highestGroupCode + 1> kindTable() {
    std::array<GroupKind, highestGroupCode + 1> kinds{};
    for (int code = 0; code <= highestGroupCode; ++code) kinds[code] = kindByRange(code);
    return kinds;
}

constexpr std::array<GroupKind, highestGroupCode + 1> kindOfCode = kindTable();

static_assert(sizeof(DxfGroup) == 12, "a group is its code, its text's size and a number or text");

// One pair of lines: a group code and its value. The value is the line as read, or for a text
// the line in code page 1252 (in the reader's buffer, until the next pair is read).
struct Pair {
    int code = 0;
    GroupKind kind = GroupKind::Text;
    std::string_view value;
    int line = 0;                 // of the code
    const char* start = nullptr;  // where the code's line starts, to read the pair again
};

// One pass over the text, a line at a time; a pair read too far is read again (unreadPair).
struct Reader {
    Reader(const std::string& source, const std::string& name)
        : text(source), fileName(name), cursor(source.data()), end(source.data() + source.size()) {}
    const std::string& text;
    const std::string& fileName;
    const char* cursor;  // the next line's start
    const char* end;
    int lineNumber = 0;  // of the line last read
    bool sawEntities = false;
    bool strayHeaderNoted = false;
    std::string codePage = "CP1252";  // iconv's name for the texts that are not UTF-8
    std::string converted;            // the last text value that was not ASCII, in 1252
    std::string_view lastType;        // of the last object, kept in the drawing's store
    std::unordered_map<std::string_view, std::string_view> types;  // each kept once
    std::uint64_t bytesNeeded = 0;  // the text and what the objects read so far will take
    std::uint64_t byteLimit = 0;
    std::string error;
};

bool fail(Reader& r, int line, const std::string& message) {
    if (r.error.empty()) r.error = r.fileName + ":" + std::to_string(line) + ": " + message;
    return false;
}

constexpr std::uint64_t eachByte = 0x0101010101010101u;

// The first newline from start on, or nullptr. Most lines are short: they are looked through
// eight bytes at a time here, and the rest left to memchr.
inline const char* findNewline(const char* start, const char* end) {
    constexpr std::uint64_t newlines = eachByte * '\n', highBits = eachByte * 0x80;
    for (int word = 0; word < 4 && end - start >= 8; ++word, start += 8) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, start, 8);
        bytes ^= newlines;  // a newline is a zero byte now
        std::uint64_t zeros = (bytes - eachByte) & ~bytes & highBits;  // exact up to the first
        if (zeros != 0) return start + __builtin_ctzll(zeros) / 8;     // bytes in file order
    }
    return static_cast<const char*>(std::memchr(start, '\n', end - start));
}

// The line at the cursor, less a trailing carriage return; false at the text's end.
inline bool readLine(Reader& r, std::string_view& line) {
    const char* start = r.cursor;
    if (start >= r.end) return false;
    const char* newline = findNewline(start, r.end);
    const char* stop = newline != nullptr ? newline : r.end;
    r.cursor = stop + 1;
    if (stop > start && stop[-1] == '\r') --stop;
    line = std::string_view(start, stop - start);
    ++r.lineNumber;
    return true;
}

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The forms std::from_chars leaves to the C library: a '+' sign, other blanks before the digits
// (strtol and strtod skip them), hexadecimal reals. Read as C reads them, in the C locale the
// host keeps.
bool parseIntegerAsC(std::string_view digitsView, long low, long high, long& out) {
    std::string digits(digitsView);
    if (digits.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(digits.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

bool parseRealAsC(std::string_view digitsView, double& out) {
    std::string digits(digitsView);
    if (digits.empty()) return false;
    char* end = nullptr;
    double value = std::strtod(digits.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return false;
    out = value;
    return true;
}

// A whole-line integer; false for anything else or out of [low, high]. The usual line is read
// by std::from_chars alone.
bool parseInteger(std::string_view s, long low, long high, long& out) {
    std::string_view digits = trimmed(s);
    const char* last = digits.data() + digits.size();
    long value = 0;
    auto [end, fault] = std::from_chars(digits.data(), last, value);
    if (fault != std::errc() || end != last) return parseIntegerAsC(digits, low, high, out);
    if (value < low || value > high) return false;
    out = value;
    return true;
}

// Eight decimal digits at once, added to value's; false, value untouched, when one is not a digit.
inline bool eightDigits(const char* at, std::uint64_t& value) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, at, 8);
    std::uint64_t high = bytes & (eachByte * 0xF0),
                  low = (bytes + eachByte * 0x06) & (eachByte * 0xF0);
    if (high != eachByte * 0x30 || low != eachByte * 0x30) return false;
    bytes -= eachByte * '0';            // each byte its digit, the first lowest
    bytes = bytes * 10 + (bytes >> 8);  // pairs
    constexpr std::uint64_t pairMask = 0x000000FF000000FFu;
    bytes = ((bytes & pairMask) * (100 + (1000000ull << 32)) +
             ((bytes >> 16) & pairMask) * (1 + (10000ull << 32))) >>
            32;
    value = value * 100000000 + static_cast<std::uint32_t>(bytes);
    return true;
}

// Digits with at most one point and an optional '-', like "-12.375", whose digits make an integer
// below 2^53 and that has at most 22 decimals: read exactly, as integer and power of ten are
// exact doubles and one division rounds correctly. False, with out untouched, for anything else.
inline bool parseShortDecimal(const char* at, const char* last, double& out) {
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::uint64_t exactLimit = std::uint64_t(1) << 53;
    bool negative = at < last && *at == '-';
    at += negative;
    const char* first = at;
    std::uint64_t digits = 0;
    const char* point = nullptr;
    for (; at < last && at - first < 19; ++at) {  // 19 digits fit in 64 bits
        unsigned digit = static_cast<unsigned>(*at - '0');
        if (digit < 10) {
            digits = digits * 10 + digit;
        } else if (*at == '.' && point == nullptr) {
            point = at;
            if (last - at > 8 && at - first < 11 && eightDigits(at + 1, digits)) at += 8;
        } else {
            return false;
        }
    }
    std::ptrdiff_t decimals = point != nullptr ? last - point - 1 : 0;
    if (at != last || at - first == (point != nullptr) || digits > exactLimit || decimals > 22)
        return false;
    double value = static_cast<double>(digits) / powersOfTen[decimals];
    out = negative ? -value : value;
    return true;
}

// A whole-line finite number; the value strtod gives, which std::from_chars gives too where it
// reads the whole line (all three round correctly).
inline bool parseReal(std::string_view s, double& out) {
    std::string_view digits = trimmed(s);
    const char* last = digits.data() + digits.size();
    if (parseShortDecimal(digits.data(), last, out)) return true;
    double value = 0.0;
    auto [end, fault] = std::from_chars(digits.data(), last, value);
    if (fault != std::errc() || end != last || !std::isfinite(value))
        return parseRealAsC(digits, out);
    out = value;
    return true;
}

std::string quoted(std::string_view s) {
    constexpr std::size_t shown = 40;  // a long line is cut in messages
    std::string text(s.substr(0, shown));
    if (s.size() > shown) text += "...";
    return "'" + text + "'";
}

// Eight bytes at a time: texts are read as they are unless a byte is past ASCII.
inline bool isAscii(std::string_view s) {
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & highBits) != 0) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

constexpr int commentCode = 999;

// A group code: up to four digits after any spaces, as nearly every file writes them, or any
// form strtol reads within a line's blanks.
inline bool parseCode(std::string_view s, int& code) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;  // some writers right-align their codes
    std::size_t first = i;
    int value = 0;
    for (; i < s.size() && i - first < 4 && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value * 10 + (s[i] - '0');
    if (i == s.size() && i > first) {
        code = value;
        return value <= highestGroupCode;
    }
    long number = 0;
    if (!parseInteger(s, 0, highestGroupCode, number)) return false;
    code = static_cast<int>(number);
    return true;
}

// The next pair, a comment included: false at the end of the text, or with r.error set for a
// malformed pair.
inline bool readPairOrComment(Reader& r, Pair& pair) {
    std::string_view codeText, valueText;
    pair.start = r.cursor;
    if (!readLine(r, codeText)) return false;
    pair.line = r.lineNumber;
    if (!parseCode(codeText, pair.code))
        return fail(r, pair.line, quoted(codeText) + " is not a group code");
    if (!readLine(r, valueText))
        return fail(r, pair.line, "group " + std::to_string(pair.code) + " has no value line");
    pair.kind = kindOfCode[pair.code];
    pair.value = valueText;
    if (pair.kind == GroupKind::Text && pair.code != commentCode && !isAscii(valueText)) {
        r.converted = hostsim::hostTextFromDrawing(valueText, r.codePage);
        pair.value = r.converted;
    }
    return true;
}

// The next pair after any comments. A comment may stand wherever a group may; it belongs to no
// section or object.
inline bool readPair(Reader& r, Pair& pair) {
    while (readPairOrComment(r, pair))
        if (pair.code != commentCode) return true;
    return false;
}

// The pair is read again by the next readPair: the reader steps back to its code's line.
void unreadPair(Reader& r, const Pair& pair) {
    r.cursor = pair.start;
    r.lineNumber = pair.line - 1;
}

bool failValue(Reader& r, const Pair& pair) {
    const char* needs = pair.kind == GroupKind::Short  ? "a 16-bit integer"
                        : pair.kind == GroupKind::Long ? "a 32-bit integer"
                                                       : "a number";
    return fail(
        r, pair.line + 1,
        "group " + std::to_string(pair.code) + " needs " + needs + ", not " + quoted(pair.value));
}

// A kept group: a number checked against its code's type and read once, or a text kept in
// store (none: the group is not kept, nor its text).
inline bool readGroup(Reader& r, const Pair& pair, hostsim::GroupStore* store, DxfGroup& group) {
    long integer = 0;
    double real = 0.0;
    switch (pair.kind) {
        case GroupKind::Short:
            if (!parseInteger(pair.value, INT16_MIN, INT16_MAX, integer)) return failValue(r, pair);
            group = DxfGroup::ofNumber(pair.code, static_cast<double>(integer));
            return true;
        case GroupKind::Long:
            if (!parseInteger(pair.value, INT32_MIN, INT32_MAX, integer)) return failValue(r, pair);
            group = DxfGroup::ofNumber(pair.code, static_cast<double>(integer));
            return true;
        case GroupKind::Real:
        case GroupKind::PointX:
        case GroupKind::PointY:
        case GroupKind::PointZ:
            if (!parseReal(pair.value, real)) return failValue(r, pair);
            group = DxfGroup::ofNumber(pair.code, real);
            return true;
        default:
            group = DxfGroup::ofText(
                pair.code, store != nullptr ? store->keepText(pair.value) : std::string_view());
            return true;
    }
}

// The groups of one object up to the next group 0, which is left unread, as the store's open
// run, their texts kept in it; when there is no store they are checked and not kept.
bool readObjectGroups(Reader& r, hostsim::GroupStore* store) {
    if (store != nullptr) store->dropRun();
    Pair pair;
    DxfGroup group;
    while (readPair(r, pair)) {
        if (pair.code == 0) {
            unreadPair(r, pair);
            return true;
        }
        if (!readGroup(r, pair, store, group)) return false;
        if (store != nullptr) store->addGroup(group);
    }
    return r.error.empty()
               ? fail(r, r.lineNumber, "the file ends inside a section (ENDSEC missing)")
               : false;
}

// What an object costs once open: its points, at least 1, about the primitives it is drawn as;
// and an estimate of its bytes: its record, its groups and their texts, and a primitive with
// its grid entries per point. One pass over the groups for both.
struct ObjectCost {
    std::size_t points = 0;
    std::uint64_t bytes = 0;
};

ObjectCost objectCost(const DrawingObject& object) {
    ObjectCost cost;
    // 14: the corners of an image's boundary; 11: a spline's fit points, a piece each
    int alsoPoints = object.type == "SPLINE" ? 11 : 14;
    std::uint64_t textBytes = 0;
    for (const DxfGroup& g : object.groups) {
        cost.points += g.code == 10 || g.code == alsoPoints;
        textBytes += g.text().size();
    }
    cost.points = std::max<std::size_t>(cost.points, 1);
    cost.bytes = sizeof(DrawingObject) + object.groups.size() * sizeof(DxfGroup) + textBytes +
                 hostsim::geometryBytesPerPoint * cost.points;
    return cost;
}

bool roomFor(Reader& r, int line, std::uint64_t bytes) {
    r.bytesNeeded += bytes;
    if (r.bytesNeeded <= r.byteLimit) return true;
    return fail(r, line,
                "the drawing needs more than the " + std::to_string(r.byteLimit) +
                    " bytes it may take here (HOSTSIM_MAX_DRAWING_BYTES)");
}

// An object's type, kept once however many objects have it.
std::string_view keptType(Reader& r, hostsim::Drawing& d, std::string_view type) {
    if (type == r.lastType) return r.lastType;  // objects of a kind often come in runs
    auto found = r.types.find(type);
    if (found == r.types.end()) {
        std::string_view kept = d.store.keepText(type);
        found = r.types.emplace(kept, kept).first;
    }
    r.lastType = found->second;
    return r.lastType;
}

// Reads "0 <type>" and the object's groups; type is the group 0 value.
bool readObject(Reader& r, hostsim::Drawing& d, std::string_view type, int line, int sequence) {
    DrawingObject object;
    object.type = keptType(r, d, type);
    object.line = line;
    object.sequence = sequence;
    if (!readObjectGroups(r, &d.store)) return false;
    hostsim::GroupStore& store = d.store;
    if (object.type == "POLYLINE" && std::none_of(store.runBegin(), store.runEnd(),
                                                  [](const DxfGroup& g) { return g.code == 70; }))
        store.addGroup(DxfGroup::ofNumber(70, 0.0));  // its flags default to 0: a 2D polyline
    if (store.runSize() > UINT32_MAX) return fail(r, line, "an object with too many groups");
    object.groups = store.keepRun();
    ObjectCost cost = objectCost(object);
    if (!roomFor(r, object.line, cost.bytes)) return false;
    if (sequence == hostsim::entitiesSequence) d.entityPoints += cost.points;
    d.objects.push_back(object);
    return true;
}

// What an object's type makes it in a sequence of objects.
enum class Role { Other, Polyline, Insert, Vertex, Attribute, End };

Role roleOf(std::string_view type) {
    if (type == "POLYLINE") return Role::Polyline;
    if (type == "INSERT") return Role::Insert;
    if (type == "VERTEX") return Role::Vertex;
    if (type == "ATTRIB") return Role::Attribute;
    return type == "SEQEND" ? Role::End : Role::Other;
}

// Ties VERTEX, ATTRIB and SEQEND objects to their owner and links the sequence. Objects of a
// type share its text (keptType): a type's role is worked out once a run of them.
bool linkSequence(Reader& r, hostsim::Drawing& d, const std::vector<int>& sequence) {
    int open = -1;  // the POLYLINE or INSERT whose SEQEND is still to come
    Role openRole = Role::Other;
    const char* lastType = nullptr;
    Role role = Role::Other;
    for (std::size_t k = 0; k < sequence.size(); ++k) {
        DrawingObject& object = d.objects[sequence[k]];
        if (k + 1 < sequence.size()) object.next = sequence[k + 1];
        if (object.type.data() != lastType || lastType == nullptr) {
            lastType = object.type.data();
            role = roleOf(object.type);
        }
        bool openPolyline = open >= 0 && openRole == Role::Polyline;
        bool openInsert = open >= 0 && openRole == Role::Insert;
        if (role == Role::Vertex) {
            if (!openPolyline) return fail(r, object.line, "a VERTEX outside a POLYLINE");
            object.owner = open;
        } else if (role == Role::Attribute) {
            if (!openInsert) return fail(r, object.line, "an ATTRIB outside a block reference");
            object.owner = open;
        } else if (role == Role::End) {
            if (open < 0) return fail(r, object.line, "a SEQEND that ends no POLYLINE or INSERT");
            object.owner = open;
            open = -1;
        } else {
            if (openPolyline)
                return fail(r, object.line,
                            "the POLYLINE at line " + std::to_string(d.objects[open].line) +
                                " has no SEQEND");
            open = -1;  // an INSERT that announced attributes but has none
            if (role == Role::Polyline ||
                (role == Role::Insert && hostsim::groupInt(object, 66, 0) == 1)) {
                open = sequence[k];
                openRole = role;
            }
        }
    }
    if (open >= 0 && openRole == Role::Polyline)
        return fail(r, d.objects[open].line, "this POLYLINE has no SEQEND");
    return true;
}

// Objects until "0 <end>"; each is appended to d.objects and its index to sequence.
bool readObjectsUntil(Reader& r, hostsim::Drawing& d, const char* end, int sequenceId,
                      std::vector<int>& sequence, const std::string& where) {
    Pair pair;
    while (readPair(r, pair)) {
        if (pair.code != 0) return fail(r, pair.line, "expected group 0 to start an object");
        std::string_view value = pair.value;
        if (value == end) return true;
        if (value == "ENDSEC" || value == "EOF" || value == "BLOCK" || value == "SECTION")
            return fail(r, pair.line, "unexpected " + std::string(value) + " in " + where);
        sequence.push_back(static_cast<int>(d.objects.size()));
        if (!readObject(r, d, value, pair.line, sequenceId)) return false;
    }
    return r.error.empty() ? fail(r, r.lineNumber, where + " is not closed by " + end) : false;
}

bool readEntities(Reader& r, hostsim::Drawing& d) {
    std::vector<int> sequence;
    if (!readObjectsUntil(r, d, "ENDSEC", hostsim::entitiesSequence, sequence,
                          "the ENTITIES section"))
        return false;
    if (r.sawEntities) return fail(r, r.lineNumber, "a second ENTITIES section");
    r.sawEntities = true;
    if (!sequence.empty()) d.firstEntity = sequence.front();
    return linkSequence(r, d, sequence);
}

// "0 BLOCK", its groups, its objects, "0 ENDBLK" and the ENDBLK's groups.
bool readBlock(Reader& r, hostsim::Drawing& d, int line) {
    hostsim::BlockDefinition block;
    block.line = line;
    if (!readObjectGroups(r, &d.store)) return false;
    if (d.store.runSize() > UINT32_MAX) return fail(r, line, "a BLOCK with too many groups");
    block.header = d.store.keepRun();
    for (const DxfGroup& g : block.header)
        if (g.code == 2) block.name = g.text();
    DrawingObject header;
    header.groups = block.header;
    block.base = hostsim::groupPoint(header, 10, {0, 0, 0});
    if (block.name.empty()) return fail(r, line, "a BLOCK without its name (group 2)");
    std::uint64_t headerBytes = sizeof block + block.header.size() * sizeof(DxfGroup);
    if (!roomFor(r, line, headerBytes + block.name.size() * 2)) return false;  // and its index
    int sequenceId = static_cast<int>(d.blocks.size()) + 1;
    std::vector<int> sequence;
    std::string where = "the block '" + hostsim::utf8FromCp1252(block.name) + "' of line " +
                        std::to_string(line);  // messages are shown as UTF-8, texts kept in 1252
    if (!readObjectsUntil(r, d, "ENDBLK", sequenceId, sequence, where)) return false;
    if (!readObjectGroups(r, nullptr)) return false;  // the ENDBLK's own groups, not kept
    if (!linkSequence(r, d, sequence)) return false;
    block.first = sequence.empty() ? -1 : sequence.front();
    d.blockByName[hostsim::upperName(block.name)] = static_cast<int>(d.blocks.size());
    d.blocks.push_back(std::move(block));
    return true;
}

bool readBlocks(Reader& r, hostsim::Drawing& d) {
    Pair pair;
    while (readPair(r, pair)) {
        if (pair.code == 0 && pair.value == "ENDSEC") return true;
        if (pair.code != 0 || pair.value != "BLOCK")
            return fail(r, pair.line,
                        "expected a BLOCK in the BLOCKS section, found " +
                            quoted(hostsim::groupKind(pair.code) == GroupKind::Text
                                       ? hostsim::utf8FromCp1252(pair.value)
                                       : std::string(pair.value)));
        if (!readBlock(r, d, pair.line)) return false;
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the BLOCKS section is not closed by ENDSEC")
                           : false;
}

bool skipSection(Reader& r, const std::string& name) {
    Pair pair;
    while (readPair(r, pair))
        if (pair.code == 0 && pair.value == "ENDSEC") return true;
    return r.error.empty()
               ? fail(r, r.lineNumber, "the " + name + " section is not closed by ENDSEC")
               : false;
}

// A code page iconv does not know leaves the texts that are not UTF-8 in ANSI_1252.
void noteUnknownCodePage(const Reader& r, hostsim::Drawing& d, int valueLine,
                         const std::string& name) {
    d.notices.push_back(r.fileName + ":" + std::to_string(valueLine) + ": the code page " +
                        quoted(hostsim::utf8FromCp1252(name)) +
                        " is not known; texts that are not UTF-8 are read as ANSI_1252");
}

// Takes $DWGCODEPAGE from the header; the texts read after it follow it. stray: header groups
// found after the HEADER section's end, which end at the next group 0 (an ENDSEC of theirs is
// read with them).
bool readHeader(Reader& r, hostsim::Drawing& d, bool stray = false) {
    Pair pair;
    bool codePageNext = false, scaleNext = false, decimalsNext = false, measurementNext = false,
         unitsNext = false, measured = false;
    while (readPair(r, pair)) {
        int code = pair.code;
        if (code == 0 && pair.value == "ENDSEC") return true;
        if (code == 0 && stray) {
            unreadPair(r, pair);
            return true;
        }
        if (codePageNext && code == 3) {
            std::string name(trimmed(pair.value));
            std::string iconvName = hostsim::iconvCodePage(name);
            if (iconvName.empty())
                noteUnknownCodePage(r, d, pair.line + 1, name);
            else
                r.codePage = iconvName;
        }
        if (scaleNext && code == 40 && parseReal(pair.value, d.linetypeScale) &&
            !(d.linetypeScale > 0))
            d.linetypeScale = 1.0;
        long decimals = 0;
        if (decimalsNext && code == 70 &&
            parseInteger(pair.value, 0, hostsim::maxCoordinateDecimals, decimals))
            d.coordinateDecimals = static_cast<int>(decimals);
        long units = 0;
        if (measurementNext && code == 70 && parseInteger(pair.value, 0, 1, units)) {
            d.imperial = units == 0;
            measured = true;
        }
        if (unitsNext && code == 70 && !measured && parseInteger(pair.value, 0, 20, units))
            d.imperial = units == 1 || units == 2 || units == 3 || (units >= 8 && units <= 10);
        codePageNext = code == 9 && pair.value == "$DWGCODEPAGE";
        measurementNext = code == 9 && pair.value == "$MEASUREMENT";
        unitsNext = code == 9 && pair.value == "$INSUNITS";
        scaleNext = code == 9 && pair.value == "$LTSCALE";
        decimalsNext = code == 9 && pair.value == "$LUPREC";
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the HEADER section is not closed by ENDSEC")
                           : false;
}

// ---- the LAYER and LTYPE tables: how objects look. A value that is not a number is passed
// over, as the tables decide only colours and dashes; nothing in them stops a drawing opening.

struct TableGroup {  // unchecked, unlike an object's
    int code = 0;
    std::string value;
};

long integerOr(const std::string& value, long absent) {
    long number = absent;
    return parseInteger(value, INT32_MIN, INT32_MAX, number) ? number : absent;
}

void takeLayer(hostsim::Drawing& d, const std::vector<TableGroup>& groups) {
    std::string name;
    hostsim::Layer layer;
    for (const TableGroup& g : groups) {
        if (g.code == 2) name = hostsim::upperName(std::string(trimmed(g.value)));
        if (g.code == 6) layer.linetype = hostsim::upperName(std::string(trimmed(g.value)));
        if (g.code == 70) layer.frozen = (integerOr(g.value, 0) & 1) != 0;
        if (g.code == 420) layer.trueColour = static_cast<int>(integerOr(g.value, -1) & 0xFFFFFF);
        if (g.code == 62) {
            long colour = integerOr(g.value, 7);
            layer.off = colour < 0;
            layer.colour = static_cast<int>(colour < 0 ? -colour : colour);
        }
    }
    if (layer.colour < 1 || layer.colour > 255) layer.colour = 7;
    if (!name.empty()) d.layers[name] = layer;
}

void takeLinetype(hostsim::Drawing& d, const std::vector<TableGroup>& groups) {
    std::string name;
    std::vector<double> pattern;
    for (const TableGroup& g : groups) {
        double length = 0.0;
        if (g.code == 2) name = hostsim::upperName(std::string(trimmed(g.value)));
        if (g.code == 49 && parseReal(g.value, length)) pattern.push_back(length);
    }
    if (!name.empty()) d.linetypes[name] = pattern;
}

void takeTableRow(hostsim::Drawing& d, const std::string& type,
                  const std::vector<TableGroup>& groups) {
    if (type == "LAYER") takeLayer(d, groups);
    if (type == "LTYPE") takeLinetype(d, groups);
}

// Rows are "0 LAYER" (or another table's type) and their groups, between "0 TABLE" and "0 ENDTAB".
bool readTables(Reader& r, hostsim::Drawing& d) {
    Pair pair;
    std::string rowType;
    std::vector<TableGroup> row;
    while (readPair(r, pair)) {
        if (pair.code != 0) {
            if (!rowType.empty()) row.push_back(TableGroup{pair.code, std::string(pair.value)});
            continue;
        }
        takeTableRow(d, rowType, row);
        row.clear();
        std::string_view value = pair.value;
        rowType = value == "TABLE" || value == "ENDTAB" ? std::string() : std::string(value);
        if (value == "ENDSEC") return true;
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the TABLES section is not closed by ENDSEC")
                           : false;
}

bool readSection(Reader& r, hostsim::Drawing& d, int line, std::string& name) {
    Pair pair;
    bool named = readPair(r, pair);
    if (named) name = pair.value;
    if (!named || pair.code != 2) return fail(r, line, "a SECTION without its name (group 2)");
    if (name == "ENTITIES") return readEntities(r, d);
    if (name == "BLOCKS") return readBlocks(r, d);
    if (name == "HEADER") return readHeader(r, d);
    if (name == "TABLES") return readTables(r, d);
    return skipSection(r, name);
}

// Some writers end the HEADER early and write more variables (group 9, then their values) after
// its ENDSEC: they are read as the header's, with one notice.
bool readStrayHeader(Reader& r, hostsim::Drawing& d, const Pair& pair) {
    if (!r.strayHeaderNoted)
        d.notices.push_back(r.fileName + ":" + std::to_string(pair.line) +
                            ": header variables after the HEADER section's end are read as "
                            "the header's");
    r.strayHeaderNoted = true;
    unreadPair(r, pair);
    return readHeader(r, d, true);
}

bool readSections(Reader& r, hostsim::Drawing& d) {
    Pair pair;
    std::string lastSection;
    bool anySection = false;
    while (readPair(r, pair)) {
        if (pair.code == 0 && pair.value == "EOF") return true;
        if (pair.code == 9 && lastSection == "HEADER") {
            if (!readStrayHeader(r, d, pair)) return false;
            continue;
        }
        if (pair.code != 0 || pair.value != "SECTION")
            return fail(r, pair.line, "expected a SECTION, found " + quoted(pair.value));
        if (!readSection(r, d, pair.line, lastSection)) return false;
        anySection = true;
    }
    if (!r.error.empty()) return false;
    // A file cut after a whole section is still readable; one with no section is no drawing.
    return anySection || fail(r, 1, "not a DXF drawing: no SECTION");
}

// A handle as the index of handles files it: upper case, without the blanks around it.
std::string handleKey(std::string_view handle) {
    return hostsim::upperName(std::string(trimmed(handle)));
}

// Binary DXF, like most binary files, holds NUL bytes (its sentinel line ends in one).
bool looksBinary(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

namespace hostsim {

GroupKind groupKind(int code) {
    return code >= 0 && code <= highestGroupCode ? kindOfCode[code] : kindByRange(code);
}

bool readDxfText(const std::string& text, const std::string& fileName, Drawing& out,
                 std::string& error) {
    out = Drawing();
    out.source = fileName;
    Reader r{text, fileName};
    r.bytesNeeded = text.size();
    r.byteLimit = maxDrawingBytes();
    // Room for as many objects as a file this long usually holds, reserved but not written: the
    // objects are not copied as they grow, and room left over takes no memory.
    constexpr std::size_t usualObjectBytes = 48;
    out.objects.reserve(text.size() / usualObjectBytes);
    out.store.expectText(text.size());
    if (looksBinary(text)) {
        fail(r, 1, "a binary file; only ASCII DXF can be read");
    } else if (text.empty()) {
        fail(r, 1, "an empty file, not a DXF drawing");
    } else {
        readSections(r, out);
    }
    out.bytesCounted = r.bytesNeeded;
    error = r.error;
    return error.empty();
}

int objectOfHandle(const Drawing& d, const std::string& handle) {
    if (!d.handlesIndexed) {
        for (std::size_t i = 0; i < d.objects.size(); ++i) {
            const DxfGroup* own = findGroup(d.objects[i], 5);
            if (own == nullptr) continue;
            d.objectByHandle.emplace(handleKey(own->text()), static_cast<int>(i));
        }
        d.handlesIndexed = true;
    }
    auto found = d.objectByHandle.find(upperName(handle));
    return found != d.objectByHandle.end() ? found->second : -1;
}

Point groupPoint(const DrawingObject& object, int xCode, const Point& absent) {
    const auto& groups = object.groups;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != xCode) continue;
        Point p = {0, 0, 0};
        groupNumber(groups[i], p[0]);
        if (i + 1 < groups.size() && groups[i + 1].code == xCode + 10)
            groupNumber(groups[i + 1], p[1]);
        if (i + 2 < groups.size() && groups[i + 1].code == xCode + 10 &&
            groups[i + 2].code == xCode + 20)
            groupNumber(groups[i + 2], p[2]);
        return p;
    }
    return absent;
}

}  // namespace hostsim
