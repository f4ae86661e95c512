// adapters/librecad/documentMirror.cpp - LibreCAD's document as the host's drawing: its entities
// written as DXF text and read by the host's own reader, so that selection and object snap answer
// a pick in LibreCAD exactly as they answer the same pick in hostsim on the drawing saved as DXF.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// Going through the reader rather than building the host's records directly keeps one way into
// the host's drawing: the records, names, extents and geometry come out as they do for a file.
#include <QHash>
#include <QString>
#include <QVariant>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "adapters/librecad/librecad.h"
#include "document_interface.h"

namespace {

// LibreCAD's own factor between radians and the degrees of a DXF file, so that an angle read
// from a file and mirrored back is the number the file holds.
constexpr double degreesPerRadian = 57.29577951308232;

using EntityData = librecad::EntityRecord::Data;

// A DXF value never holds a line end: one would start a group of its own. A text's breaks
// become MTEXT's paragraph code or a blank.
std::string lineValue(const QString& value, const char* lineBreak) {
    std::string text = value.toUtf8().toStdString();
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n')
            out += lineBreak;
        else
            out += c;
    }
    return out;
}

class DxfText {
public:
    void group(int code, const std::string& value) {
        text += std::to_string(code);
        text += '\n';
        text += value;
        text += '\n';
    }
    // In the fewest digits that read back exactly, written without a detour through printf: a
    // drawing of ten thousand objects has some sixty thousand numbers.
    void number(int code, double value) {
        char digits[32];
        std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        group(code, std::string(digits, end.ptr));
    }
    void point(int xCode, double x, double y) {
        number(xCode, x);
        number(xCode + 10, y);
        number(xCode + 20, 0.0);
    }
    std::string text;
};

double real(const EntityData& data, int key) { return data.value(key).toDouble(); }

void startObject(DxfText& dxf, const char* type, const EntityData& data) {
    dxf.group(0, type);
    char handle[24];
    std::snprintf(handle, sizeof handle, "%llX", data.value(DPI::EID).toULongLong());
    dxf.group(5, handle);
    std::string layer = lineValue(data.value(DPI::LAYER).toString(), " ");
    dxf.group(8, layer.empty() ? "0" : layer);
}

void writeLine(DxfText& dxf, const EntityData& data) {
    startObject(dxf, "LINE", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.point(11, real(data, DPI::ENDX), real(data, DPI::ENDY));
}

void writePoint(DxfText& dxf, const EntityData& data) {
    startObject(dxf, "POINT", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
}

void writeCircle(DxfText& dxf, const EntityData& data) {
    startObject(dxf, "CIRCLE", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.number(40, real(data, DPI::RADIUS));
}

// LibreCAD keeps an arc's angles in radians and may run it clockwise; DXF runs every arc
// counter-clockwise in degrees, so a reversed arc is the same arc from its end angle.
void writeArc(DxfText& dxf, const EntityData& data) {
    bool reversed = data.value(DPI::REVERSED).toBool();
    double start = real(data, reversed ? DPI::ENDANGLE : DPI::STARTANGLE);
    double end = real(data, reversed ? DPI::STARTANGLE : DPI::ENDANGLE);
    startObject(dxf, "ARC", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.number(40, real(data, DPI::RADIUS));
    dxf.number(50, start * degreesPerRadian);
    dxf.number(51, end * degreesPerRadian);
}

// An ellipse's angles are parameters in radians in both; ENDX, ENDY is the major axis's end
// relative to the centre, as DXF's group 11.
void writeEllipse(DxfText& dxf, const EntityData& data) {
    bool reversed = data.value(DPI::REVERSED).toBool();
    startObject(dxf, "ELLIPSE", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.point(11, real(data, DPI::ENDX), real(data, DPI::ENDY));
    dxf.number(40, real(data, DPI::HEIGHT));
    dxf.number(41, real(data, reversed ? DPI::ENDANGLE : DPI::STARTANGLE));
    dxf.number(42, real(data, reversed ? DPI::STARTANGLE : DPI::ENDANGLE));
}

void writeText(DxfText& dxf, const EntityData& data, bool multiline) {
    startObject(dxf, multiline ? "MTEXT" : "TEXT", data);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.number(40, real(data, DPI::HEIGHT));
    dxf.number(50, real(data, DPI::STARTANGLE) * degreesPerRadian);
    std::string content =
        lineValue(data.value(DPI::TEXTCONTENT).toString(), multiline ? "\\P" : " ");
    // MTEXT carries a long text in pieces of at most 250 bytes, group 3 for all but the last,
    // each cut between characters: a piece that is not whole UTF-8 would be read as code page 1252.
    while (multiline && content.size() > 250) {
        std::size_t cut = 250;
        while (cut > 0 && (static_cast<unsigned char>(content[cut]) & 0xC0) == 0x80) --cut;
        dxf.group(3, content.substr(0, cut));
        content.erase(0, cut);
    }
    dxf.group(1, content);
}

void writeInsert(DxfText& dxf, const EntityData& data, const std::string& block) {
    startObject(dxf, "INSERT", data);
    dxf.group(2, block);
    dxf.point(10, real(data, DPI::STARTX), real(data, DPI::STARTY));
    dxf.number(41, real(data, DPI::XSCALE));
    dxf.number(42, real(data, DPI::YSCALE));
    dxf.number(43, 1.0);
    dxf.number(50, real(data, DPI::STARTANGLE) * degreesPerRadian);
}

void writePolyline(DxfText& dxf, const EntityData& data, const QList<Plug_VertexData>& vertices) {
    startObject(dxf, "LWPOLYLINE", data);
    dxf.group(90, std::to_string(vertices.size()));
    dxf.group(70, data.value(DPI::CLOSEPOLY).toInt() != 0 ? "1" : "0");
    for (const Plug_VertexData& vertex : vertices) {
        dxf.number(10, vertex.point.x());
        dxf.number(20, vertex.point.y());
        if (vertex.bulge != 0.0) dxf.number(42, vertex.bulge);
    }
}

// What the interface gives only the type of, by the kind the notice names.
librecad::Notice gapName(int type) {
    switch (type) {
        case DPI::SPLINE:
        case DPI::SPLINEPOINTS: return librecad::Notice::Splines;
        case DPI::HATCH: return librecad::Notice::Hatches;
        case DPI::DIMLEADER:
        case DPI::DIMALIGNED:
        case DPI::DIMLINEAR:
        case DPI::DIMRADIAL:
        case DPI::DIMDIAMETRIC:
        case DPI::DIMANGULAR: return librecad::Notice::Dimensions;
        case DPI::IMAGE: return librecad::Notice::Images;
        case DPI::SOLID: return librecad::Notice::Solids;
        case DPI::CONSTRUCTIONLINE: return librecad::Notice::ConstructionLines;
        default: return librecad::Notice::OtherObjects;
    }
}

// FNV-1a over a value's bytes, folded into hash.
void mixBytes(quint64& hash, const void* bytes, std::size_t size) {
    const unsigned char* byte = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ byte[i]) * 0x100000001b3ULL;
}

template <typename Plain>
void mix(quint64& hash, const Plain& value) {
    mixBytes(hash, &value, sizeof value);
}

// One entry of an entity's data: its key and its value as the interface typed it. Entries are
// summed, so the order QHash happens to keep them in does not matter.
quint64 entryHash(int key, const QVariant& value) {
    quint64 hash = 0xcbf29ce484222325ULL;
    mix(hash, key);
    mix(hash, static_cast<int>(value.type()));
    switch (value.type()) {
        case QVariant::Double: mix(hash, value.toDouble()); break;
        case QVariant::Int:
        case QVariant::UInt:
        case QVariant::LongLong:
        case QVariant::ULongLong:
        case QVariant::Bool: mix(hash, value.toULongLong()); break;
        default: {
            QString text = value.toString();
            mixBytes(hash, text.constData(), text.size() * sizeof(QChar));
        }
    }
    return hash;
}

// Every referenced block, defined empty: the reader needs the definition, and the interface
// does not give its contents.
void writeBlocks(DxfText& dxf, const std::vector<std::string>& blocks) {
    dxf.group(0, "SECTION");
    dxf.group(2, "BLOCKS");
    for (const std::string& name : blocks) {
        dxf.group(0, "BLOCK");
        dxf.group(8, "0");
        dxf.group(2, name);
        dxf.group(70, "0");
        dxf.point(10, 0.0, 0.0);
        dxf.group(0, "ENDBLK");
        dxf.group(8, "0");
    }
    dxf.group(0, "ENDSEC");
}

}  // namespace

namespace librecad {

std::vector<EntityRecord> readEntities(const QList<Plug_Entity*>& entities) {
    std::vector<EntityRecord> records(entities.size());
    for (int i = 0; i < entities.size(); ++i) {
        entities[i]->getData(&records[i].data);
        if (records[i].data.value(DPI::ETYPE).toInt() == DPI::POLYLINE)
            entities[i]->getPolylineData(&records[i].vertices);
    }
    return records;
}

quint64 recordsSignature(const std::vector<EntityRecord>& records) {
    quint64 signature = 0xcbf29ce484222325ULL;
    for (const EntityRecord& record : records) {
        quint64 entries = 0;
        for (auto entry = record.data.cbegin(); entry != record.data.cend(); ++entry)
            entries += entryHash(entry.key(), entry.value());
        mix(signature, entries);
        mix(signature, record.vertices.size());
        for (const Plug_VertexData& vertex : record.vertices) {
            mix(signature, vertex.point.x());
            mix(signature, vertex.point.y());
            mix(signature, vertex.bulge);
        }
    }
    return signature;
}

std::string mirrorText(const std::vector<EntityRecord>& records, MirrorGaps& gaps) {
    DxfText objects;
    std::vector<std::string> blocks;
    std::map<std::string, bool> blockSeen;
    for (const EntityRecord& record : records) {
        const EntityData& data = record.data;
        int type = data.value(DPI::ETYPE, DPI::UNKNOWN).toInt();
        switch (type) {
            case DPI::LINE: writeLine(objects, data); break;
            case DPI::POINT: writePoint(objects, data); break;
            case DPI::CIRCLE: writeCircle(objects, data); break;
            case DPI::ARC: writeArc(objects, data); break;
            case DPI::ELLIPSE: writeEllipse(objects, data); break;
            case DPI::TEXT: writeText(objects, data, false); break;
            case DPI::MTEXT: writeText(objects, data, true); break;
            case DPI::POLYLINE: writePolyline(objects, data, record.vertices); break;
            case DPI::INSERT: {
                std::string block = lineValue(data.value(DPI::BLKNAME).toString(), " ");
                if (!blockSeen[block]) blocks.push_back(block);
                blockSeen[block] = true;
                writeInsert(objects, data, block);
                ++gaps.blockReferences;
                break;
            }
            default: ++gaps.left[gapName(type)];
        }
    }
    DxfText dxf;
    if (!blocks.empty()) writeBlocks(dxf, blocks);
    dxf.group(0, "SECTION");
    dxf.group(2, "ENTITIES");
    dxf.text += objects.text;
    dxf.group(0, "ENDSEC");
    dxf.group(0, "EOF");
    return dxf.text;
}

std::string mirrorNotice(const MirrorGaps& gaps, const std::string& language) {
    std::string parts;
    for (const auto& gap : gaps.left)
        parts += (parts.empty() ? "" : ", ") + std::to_string(gap.second) + " " +
                 noticeText(gap.first, language);
    if (gaps.blockReferences > 0)
        parts += (parts.empty() ? "" : ", ") + noticeText(Notice::BlockContents, language,
                                                          {std::to_string(gaps.blockReferences)});
    if (parts.empty()) return "";
    return noticeText(Notice::MirrorLeavesOut, language, {parts});
}

bool DocumentMirror::refresh(Document_Interface& document, const std::string& language,
                             std::string& notice, std::string& error) {
    QList<Plug_Entity*> entities;
    // true: the entities on hidden layers are left out, as LibreCAD does not show them
    document.getAllEntities(&entities, true);
    std::vector<EntityRecord> records = readEntities(entities);
    qDeleteAll(entities);
    quint64 signature = recordsSignature(records);
    if (open && signature == openSignature) return true;
    MirrorGaps gaps;
    if (!hostsim::openDrawingText(mirrorText(records, gaps), "LibreCAD drawing", error)) {
        open = false;
        return false;
    }
    open = true;
    openSignature = signature;
    notice = mirrorNotice(gaps, language);
    return true;
}

}  // namespace librecad
