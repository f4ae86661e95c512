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
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "hostsim/drawing/drawing.h"

namespace {

using hostsim::DrawingObject;
using hostsim::DxfGroup;
using hostsim::GroupKind;

constexpr int highestGroupCode = 1071;  // 999, a comment, is below it

// One pass over the text, a line at a time, with one pair of lookahead.
struct Reader {
    Reader(const std::string& source, const std::string& name) : text(source), fileName(name) {}
    const std::string& text;
    const std::string& fileName;
    std::size_t position = 0;
    int lineNumber = 0;  // of the line last read
    bool havePeeked = false;
    int peekedCode = 0;
    std::string peekedValue;
    int peekedLine = 0;
    bool sawEntities = false;
    bool strayHeaderNoted = false;
    std::string codePage = "CP1252";  // iconv's name for the texts that are not UTF-8
    std::uint64_t bytesNeeded = 0;  // the text and what the objects read so far will take
    std::uint64_t byteLimit = 0;
    std::string error;
};

bool fail(Reader& r, int line, const std::string& message) {
    if (r.error.empty()) r.error = r.fileName + ":" + std::to_string(line) + ": " + message;
    return false;
}

bool readLine(Reader& r, std::string_view& line) {
    if (r.position >= r.text.size()) return false;
    std::size_t end = r.text.find('\n', r.position);
    if (end == std::string::npos) end = r.text.size();
    line = std::string_view(r.text).substr(r.position, end - r.position);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    r.position = end + 1;
    ++r.lineNumber;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A whole-line integer; false for anything else or out of [low, high].
bool parseInteger(std::string_view s, long low, long high, long& out) {
    std::string digits(trimmed(s));
    if (digits.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(digits.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

bool parseReal(std::string_view s, double& out) {
    std::string digits(trimmed(s));
    if (digits.empty()) return false;
    char* end = nullptr;
    double value = std::strtod(digits.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return false;
    out = value;
    return true;
}

std::string quoted(std::string_view s) {
    constexpr std::size_t shown = 40;  // a long line is cut in messages
    std::string text(s.substr(0, shown));
    if (s.size() > shown) text += "...";
    return "'" + text + "'";
}

constexpr int commentCode = 999;

// The next pair, a comment included: false at the end of the text, or with r.error set for a
// malformed pair.
bool readPairOrComment(Reader& r, int& code, std::string& value, int& codeLine) {
    if (r.havePeeked) {
        r.havePeeked = false;
        code = r.peekedCode;
        value.swap(r.peekedValue);
        codeLine = r.peekedLine;
        return true;
    }
    std::string_view codeText, valueText;
    if (!readLine(r, codeText)) return false;
    codeLine = r.lineNumber;
    long number = 0;
    if (!parseInteger(codeText, 0, highestGroupCode, number))
        return fail(r, codeLine, quoted(codeText) + " is not a group code");
    if (!readLine(r, valueText))
        return fail(r, codeLine, "group " + std::to_string(number) + " has no value line");
    code = static_cast<int>(number);
    if (hostsim::groupKind(code) == GroupKind::Text && code != commentCode)
        value = hostsim::hostTextFromDrawing(valueText, r.codePage);
    else
        value.assign(valueText);
    return true;
}

// The next pair after any comments. A comment may stand wherever a group may; it belongs to no
// section or object.
bool readPair(Reader& r, int& code, std::string& value, int& codeLine) {
    while (readPairOrComment(r, code, value, codeLine))
        if (code != commentCode) return true;
    return false;
}

void unreadPair(Reader& r, int code, std::string& value, int codeLine) {
    r.havePeeked = true;
    r.peekedCode = code;
    r.peekedValue.swap(value);
    r.peekedLine = codeLine;
}

// A kept group's value must be readable as its code's type.
bool checkValue(Reader& r, int code, const std::string& value, int line) {
    GroupKind kind = hostsim::groupKind(code);
    long integer = 0;
    double real = 0.0;
    std::string codeText = "group " + std::to_string(code);
    switch (kind) {
        case GroupKind::Short:
            if (parseInteger(value, INT16_MIN, INT16_MAX, integer)) return true;
            return fail(r, line + 1, codeText + " needs a 16-bit integer, not " + quoted(value));
        case GroupKind::Long:
            if (parseInteger(value, INT32_MIN, INT32_MAX, integer)) return true;
            return fail(r, line + 1, codeText + " needs a 32-bit integer, not " + quoted(value));
        case GroupKind::Real:
        case GroupKind::PointX:
        case GroupKind::PointY:
        case GroupKind::PointZ:
            if (parseReal(value, real)) return true;
            return fail(r, line + 1, codeText + " needs a number, not " + quoted(value));
        default:
            return true;
    }
}

// The groups of one object up to the next group 0, which is left unread.
bool readObjectGroups(Reader& r, std::vector<DxfGroup>& groups) {
    int code = 0, line = 0;
    std::string value;
    while (readPair(r, code, value, line)) {
        if (code == 0) {
            unreadPair(r, code, value, line);
            return true;
        }
        if (!checkValue(r, code, value, line)) return false;
        groups.push_back(DxfGroup{code, std::move(value)});
        value.clear();
    }
    return r.error.empty()
               ? fail(r, r.lineNumber, "the file ends inside a section (ENDSEC missing)")
               : false;
}

// An estimate of what an object costs once open: its record, its groups, the text of those too
// long to be kept inside their string, and a primitive with its grid entries per point it has.
std::uint64_t objectBytes(const DrawingObject& object) {
    constexpr std::size_t inlineText = sizeof(std::string) - 1;  // short strings keep no heap
    std::uint64_t bytes = sizeof(DrawingObject) + object.groups.capacity() * sizeof(DxfGroup);
    std::size_t points = 0;
    // 14: the corners of an image's boundary; 11: a spline's fit points, a piece each
    int alsoPoints = object.type == "SPLINE" ? 11 : 14;
    for (const DxfGroup& g : object.groups) {
        if (g.value.size() > inlineText) bytes += g.value.capacity() + 1;
        points += g.code == 10 || g.code == alsoPoints;
    }
    return bytes + hostsim::geometryBytesPerPoint * std::max<std::size_t>(points, 1);
}

bool roomFor(Reader& r, int line, std::uint64_t bytes) {
    r.bytesNeeded += bytes;
    if (r.bytesNeeded <= r.byteLimit) return true;
    return fail(r, line,
                "the drawing needs more than the " + std::to_string(r.byteLimit) +
                    " bytes it may take here (HOSTSIM_MAX_DRAWING_BYTES)");
}

// Reads "0 <type>" and the object's groups; type is the group 0 value.
bool readObject(Reader& r, hostsim::Drawing& d, const std::string& type, int line, int sequence) {
    DrawingObject object;
    object.type = type;
    object.line = line;
    object.sequence = sequence;
    if (!readObjectGroups(r, object.groups)) return false;
    if (type == "POLYLINE" && hostsim::findGroup(object, 70) == nullptr)
        object.groups.push_back(DxfGroup{70, "0"});  // its flags default to 0: a 2D polyline
    object.groups.shrink_to_fit();  // grown by doubling while read: up to half would be waste
    if (!roomFor(r, object.line, objectBytes(object))) return false;
    d.objects.push_back(std::move(object));
    return true;
}

bool isType(const DrawingObject& object, const char* type) {
    return object.type == type;
}

// Ties VERTEX, ATTRIB and SEQEND objects to their owner and links the sequence.
bool linkSequence(Reader& r, hostsim::Drawing& d, const std::vector<int>& sequence) {
    int open = -1;  // the POLYLINE or INSERT whose SEQEND is still to come
    for (std::size_t k = 0; k < sequence.size(); ++k) {
        DrawingObject& object = d.objects[sequence[k]];
        if (k + 1 < sequence.size()) object.next = sequence[k + 1];
        bool openPolyline = open >= 0 && isType(d.objects[open], "POLYLINE");
        bool openInsert = open >= 0 && isType(d.objects[open], "INSERT");
        if (isType(object, "VERTEX")) {
            if (!openPolyline) return fail(r, object.line, "a VERTEX outside a POLYLINE");
            object.owner = open;
        } else if (isType(object, "ATTRIB")) {
            if (!openInsert) return fail(r, object.line, "an ATTRIB outside a block reference");
            object.owner = open;
        } else if (isType(object, "SEQEND")) {
            if (open < 0) return fail(r, object.line, "a SEQEND that ends no POLYLINE or INSERT");
            object.owner = open;
            open = -1;
        } else {
            if (openPolyline)
                return fail(r, object.line,
                            "the POLYLINE at line " + std::to_string(d.objects[open].line) +
                                " has no SEQEND");
            open = -1;  // an INSERT that announced attributes but has none
            if (isType(object, "POLYLINE")) open = sequence[k];
            if (isType(object, "INSERT") && hostsim::groupInt(object, 66, 0) == 1)
                open = sequence[k];
        }
    }
    if (open >= 0 && isType(d.objects[open], "POLYLINE"))
        return fail(r, d.objects[open].line, "this POLYLINE has no SEQEND");
    return true;
}

void recordHandle(hostsim::Drawing& d, int index) {
    const DxfGroup* handle = hostsim::findGroup(d.objects[index], 5);
    if (handle == nullptr) return;
    std::string key = hostsim::upperName(std::string(trimmed(handle->value)));
    d.objectByHandle.emplace(key, index);
}

// Objects until "0 <end>"; each is appended to d.objects and its index to sequence.
bool readObjectsUntil(Reader& r, hostsim::Drawing& d, const char* end, int sequenceId,
                      std::vector<int>& sequence, const std::string& where) {
    int code = 0, line = 0;
    std::string value;
    while (readPair(r, code, value, line)) {
        if (code != 0) return fail(r, line, "expected group 0 to start an object");
        if (value == end) return true;
        if (value == "ENDSEC" || value == "EOF" || value == "BLOCK" || value == "SECTION")
            return fail(r, line, "unexpected " + value + " in " + where);
        sequence.push_back(static_cast<int>(d.objects.size()));
        if (!readObject(r, d, value, line, sequenceId)) return false;
        recordHandle(d, sequence.back());
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
    if (!readObjectGroups(r, block.header)) return false;
    for (const DxfGroup& g : block.header)
        if (g.code == 2) block.name = g.value;
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
    std::vector<DxfGroup> endGroups;
    if (!readObjectGroups(r, endGroups)) return false;  // the ENDBLK's own groups
    if (!linkSequence(r, d, sequence)) return false;
    block.first = sequence.empty() ? -1 : sequence.front();
    d.blockByName[hostsim::upperName(block.name)] = static_cast<int>(d.blocks.size());
    d.blocks.push_back(std::move(block));
    return true;
}

bool readBlocks(Reader& r, hostsim::Drawing& d) {
    int code = 0, line = 0;
    std::string value;
    while (readPair(r, code, value, line)) {
        if (code == 0 && value == "ENDSEC") return true;
        if (code != 0 || value != "BLOCK")
            return fail(r, line, "expected a BLOCK in the BLOCKS section, found " +
                                     quoted(hostsim::groupKind(code) == GroupKind::Text
                                                ? hostsim::utf8FromCp1252(value)
                                                : value));
        if (!readBlock(r, d, line)) return false;
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the BLOCKS section is not closed by ENDSEC")
                           : false;
}

bool skipSection(Reader& r, const std::string& name) {
    int code = 0, line = 0;
    std::string value;
    while (readPair(r, code, value, line))
        if (code == 0 && value == "ENDSEC") return true;
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
    int code = 0, line = 0;
    std::string value;
    bool codePageNext = false, scaleNext = false, decimalsNext = false, measurementNext = false,
         unitsNext = false, measured = false;
    while (readPair(r, code, value, line)) {
        if (code == 0 && value == "ENDSEC") return true;
        if (code == 0 && stray) {
            unreadPair(r, code, value, line);
            return true;
        }
        if (codePageNext && code == 3) {
            std::string name(trimmed(value));
            std::string iconvName = hostsim::iconvCodePage(name);
            if (iconvName.empty())
                noteUnknownCodePage(r, d, line + 1, name);
            else
                r.codePage = iconvName;
        }
        if (scaleNext && code == 40 && parseReal(value, d.linetypeScale) && !(d.linetypeScale > 0))
            d.linetypeScale = 1.0;
        long decimals = 0;
        if (decimalsNext && code == 70 &&
            parseInteger(value, 0, hostsim::maxCoordinateDecimals, decimals))
            d.coordinateDecimals = static_cast<int>(decimals);
        long units = 0;
        if (measurementNext && code == 70 && parseInteger(value, 0, 1, units)) {
            d.imperial = units == 0;
            measured = true;
        }
        if (unitsNext && code == 70 && !measured && parseInteger(value, 0, 20, units))
            d.imperial = units == 1 || units == 2 || units == 3 || (units >= 8 && units <= 10);
        codePageNext = code == 9 && value == "$DWGCODEPAGE";
        measurementNext = code == 9 && value == "$MEASUREMENT";
        unitsNext = code == 9 && value == "$INSUNITS";
        scaleNext = code == 9 && value == "$LTSCALE";
        decimalsNext = code == 9 && value == "$LUPREC";
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the HEADER section is not closed by ENDSEC")
                           : false;
}

// ---- the LAYER and LTYPE tables: how objects look. A value that is not a number is passed
// over, as the tables decide only colours and dashes; nothing in them stops a drawing opening.

long integerOr(const std::string& value, long absent) {
    long number = absent;
    return parseInteger(value, INT32_MIN, INT32_MAX, number) ? number : absent;
}

void takeLayer(hostsim::Drawing& d, const std::vector<DxfGroup>& groups) {
    std::string name;
    hostsim::Layer layer;
    for (const DxfGroup& g : groups) {
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

void takeLinetype(hostsim::Drawing& d, const std::vector<DxfGroup>& groups) {
    std::string name;
    std::vector<double> pattern;
    for (const DxfGroup& g : groups) {
        double length = 0.0;
        if (g.code == 2) name = hostsim::upperName(std::string(trimmed(g.value)));
        if (g.code == 49 && parseReal(g.value, length)) pattern.push_back(length);
    }
    if (!name.empty()) d.linetypes[name] = pattern;
}

void takeTableRow(hostsim::Drawing& d, const std::string& type,
                  const std::vector<DxfGroup>& groups) {
    if (type == "LAYER") takeLayer(d, groups);
    if (type == "LTYPE") takeLinetype(d, groups);
}

// Rows are "0 LAYER" (or another table's type) and their groups, between "0 TABLE" and "0 ENDTAB".
bool readTables(Reader& r, hostsim::Drawing& d) {
    int code = 0, line = 0;
    std::string value, rowType;
    std::vector<DxfGroup> row;
    while (readPair(r, code, value, line)) {
        if (code != 0) {
            if (!rowType.empty()) row.push_back(DxfGroup{code, value});
            continue;
        }
        takeTableRow(d, rowType, row);
        row.clear();
        rowType = value == "TABLE" || value == "ENDTAB" ? "" : value;
        if (value == "ENDSEC") return true;
    }
    return r.error.empty() ? fail(r, r.lineNumber, "the TABLES section is not closed by ENDSEC")
                           : false;
}

bool readSection(Reader& r, hostsim::Drawing& d, int line, std::string& name) {
    int code = 0, nameLine = 0;
    if (!readPair(r, code, name, nameLine) || code != 2)
        return fail(r, line, "a SECTION without its name (group 2)");
    if (name == "ENTITIES") return readEntities(r, d);
    if (name == "BLOCKS") return readBlocks(r, d);
    if (name == "HEADER") return readHeader(r, d);
    if (name == "TABLES") return readTables(r, d);
    return skipSection(r, name);
}

// Some writers end the HEADER early and write more variables (group 9, then their values) after
// its ENDSEC: they are read as the header's, with one notice.
bool readStrayHeader(Reader& r, hostsim::Drawing& d, int code, std::string& value, int line) {
    if (!r.strayHeaderNoted)
        d.notices.push_back(r.fileName + ":" + std::to_string(line) +
                            ": header variables after the HEADER section's end are read as "
                            "the header's");
    r.strayHeaderNoted = true;
    unreadPair(r, code, value, line);
    return readHeader(r, d, true);
}

bool readSections(Reader& r, hostsim::Drawing& d) {
    int code = 0, line = 0;
    std::string value, lastSection;
    bool anySection = false;
    while (readPair(r, code, value, line)) {
        if (code == 0 && value == "EOF") return true;
        if (code == 9 && lastSection == "HEADER") {
            if (!readStrayHeader(r, d, code, value, line)) return false;
            continue;
        }
        if (code != 0 || value != "SECTION")
            return fail(r, line, "expected a SECTION, found " + quoted(value));
        if (!readSection(r, d, line, lastSection)) return false;
        anySection = true;
    }
    if (!r.error.empty()) return false;
    // A file cut after a whole section is still readable; one with no section is no drawing.
    return anySection || fail(r, 1, "not a DXF drawing: no SECTION");
}

// Binary DXF, like most binary files, holds NUL bytes (its sentinel line ends in one).
bool looksBinary(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

}  // namespace

namespace hostsim {

GroupKind groupKind(int code) {
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

bool readDxfText(const std::string& text, const std::string& fileName, Drawing& out,
                 std::string& error) {
    out = Drawing();
    out.source = fileName;
    Reader r{text, fileName};
    r.bytesNeeded = text.size();
    r.byteLimit = maxDrawingBytes();
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

bool groupNumber(const DxfGroup& group, double& out) {
    GroupKind kind = groupKind(group.code);
    if (kind == GroupKind::Text || kind == GroupKind::Name) return false;
    return parseReal(group.value, out);
}

const DxfGroup* findGroup(const DrawingObject& object, int code) {
    for (const DxfGroup& g : object.groups)
        if (g.code == code) return &g;
    return nullptr;
}

double groupReal(const DrawingObject& object, int code, double absent) {
    const DxfGroup* g = findGroup(object, code);
    double value = absent;
    if (g != nullptr && !groupNumber(*g, value)) value = absent;
    return value;
}

int groupInt(const DrawingObject& object, int code, int absent) {
    double value = groupReal(object, code, absent);
    return static_cast<int>(value);
}

// The point whose x is the first xCode group; y and z are the groups that follow it.
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
