// bench/largeDrawings.cpp - the large drawings of the speed suite, generated as DXF text.
//
// Each is the same text every run: positions come from a fixed-seed generator, and numbers are
// written with a fixed number of decimals.
#include "bench/largeDrawings.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

namespace {

constexpr double fieldSize = 1000.0;  // the mixed objects lie on a square this wide

// xorshift64: the same sequence on every machine.
struct Sequence {
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    double next(double low, double high) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return low + (high - low) * static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

void addGroup(std::string& text, int code, const char* value) {
    char line[96];
    std::snprintf(line, sizeof line, "%d\n%s\n", code, value);
    text += line;
}

void addNumber(std::string& text, int code, double value, int decimals) {
    char line[96];
    std::snprintf(line, sizeof line, "%d\n%.*f\n", code, decimals, value);
    text += line;
}

// What one writer puts before an object's own groups: its handle, its owner, the subclass
// markers, its layer, linetype and colour.
void addWriterHead(std::string& text, const char* type, int handle, const char* subclass) {
    char value[16];
    addGroup(text, 0, type);
    std::snprintf(value, sizeof value, "%X", handle);
    addGroup(text, 5, value);
    addGroup(text, 330, "1F");
    addGroup(text, 100, "AcDbEntity");
    addGroup(text, 8, "CONTOURS");
    addGroup(text, 6, "ByLayer");
    addGroup(text, 62, "256");
    addGroup(text, 100, subclass);
}

// The extrusion direction, which the writer gives every object.
void addWriterExtrusion(std::string& text) {
    addNumber(text, 210, 0.0, 1);
    addNumber(text, 220, 0.0, 1);
    addNumber(text, 230, 1.0, 1);
}

// Coordinates as such a writer gives them: to 13 decimals, the point's z included.
void addWriterPoint(std::string& text, int xCode, double x, double y) {
    addNumber(text, xCode, x, 13);
    addNumber(text, xCode + 10, y, 13);
    addNumber(text, xCode + 20, 0.0, 1);
}

void addWriterObject(std::string& text, int i, Sequence& at) {
    double x = at.next(0, fieldSize), y = at.next(0, fieldSize), size = at.next(0.5, 3.0);
    int handle = 0x100 + i;
    switch (i % 5) {
        case 0:
            addWriterHead(text, "LINE", handle, "AcDbLine");
            addWriterPoint(text, 10, x, y);
            addWriterPoint(text, 11, x + size, y - size);
            addWriterExtrusion(text);
            break;
        case 1:
            addWriterHead(text, "ARC", handle, "AcDbCircle");
            addWriterPoint(text, 10, x, y);
            addNumber(text, 40, size, 13);
            addGroup(text, 100, "AcDbArc");
            addNumber(text, 50, at.next(0, 360), 13);
            addNumber(text, 51, at.next(0, 360), 13);
            addWriterExtrusion(text);
            break;
        case 2:
            addWriterHead(text, "CIRCLE", handle, "AcDbCircle");
            addWriterPoint(text, 10, x, y);
            addNumber(text, 40, size, 13);
            addWriterExtrusion(text);
            break;
        case 3:
            addWriterHead(text, "LWPOLYLINE", handle, "AcDbPolyline");
            addGroup(text, 90, "3");
            addGroup(text, 70, "0");
            addNumber(text, 43, 0.0, 1);
            for (int k = 0; k < 3; ++k) {
                addNumber(text, 10, x + size * (k > 0), 13);
                addNumber(text, 20, y + size * (k > 1), 13);
            }
            addWriterExtrusion(text);
            break;
        default:
            addWriterHead(text, "TEXT", handle, "AcDbText");
            addWriterPoint(text, 10, x, y);
            addNumber(text, 40, 2.5, 1);
            addGroup(text, 1, ("Spot height " + std::to_string(i)).c_str());
            addWriterExtrusion(text);
            addGroup(text, 100, "AcDbText");
            break;
    }
}

// The same kinds, as few groups as they take: a layer and the coordinates, to 3 decimals, z
// once.
void addMixedObject(std::string& text, int i, Sequence& at) {
    double x = at.next(0, fieldSize), y = at.next(0, fieldSize), size = at.next(0.5, 3.0);
    switch (i % 5) {
        case 0:
            addGroup(text, 0, "LINE");
            addGroup(text, 8, "0");
            addNumber(text, 10, x, 3);
            addNumber(text, 20, y, 3);
            addNumber(text, 30, 0.0, 1);
            addNumber(text, 11, x + size, 3);
            addNumber(text, 21, y - size, 3);
            break;
        case 1:
            addGroup(text, 0, "ARC");
            addGroup(text, 8, "0");
            addNumber(text, 10, x, 3);
            addNumber(text, 20, y, 3);
            addNumber(text, 30, 0.0, 1);
            addNumber(text, 40, size, 3);
            addNumber(text, 50, at.next(0, 360), 2);
            addNumber(text, 51, at.next(0, 360), 2);
            break;
        case 2:
            addGroup(text, 0, "CIRCLE");
            addGroup(text, 8, "0");
            addNumber(text, 10, x, 3);
            addNumber(text, 20, y, 3);
            addNumber(text, 30, 0.0, 1);
            addNumber(text, 40, size, 3);
            break;
        case 3:
            addGroup(text, 0, "LWPOLYLINE");
            addGroup(text, 8, "0");
            addGroup(text, 90, "3");
            for (int k = 0; k < 3; ++k) {
                addNumber(text, 10, x + size * (k > 0), 3);
                addNumber(text, 20, y + size * (k > 1), 3);
            }
            break;
        default:
            addGroup(text, 0, "TEXT");
            addGroup(text, 8, "0");
            addNumber(text, 10, x, 3);
            addNumber(text, 20, y, 3);
            addNumber(text, 30, 0.0, 1);
            addNumber(text, 40, 2.5, 1);
            addGroup(text, 1, std::to_string(i).c_str());
            break;
    }
}

std::string entities(int count, void (*addObject)(std::string&, int, Sequence&)) {
    std::string text;
    Sequence at;
    addGroup(text, 0, "SECTION");
    addGroup(text, 2, "ENTITIES");
    for (int i = 0; i < count; ++i) addObject(text, i, at);
    addGroup(text, 0, "ENDSEC");
    addGroup(text, 0, "EOF");
    return text;
}

void addConcentricCircle(std::string& text, int i, Sequence&) {
    addGroup(text, 0, "CIRCLE");
    addGroup(text, 8, "0");
    addNumber(text, 10, 0.0, 1);
    addNumber(text, 20, 0.0, 1);
    addNumber(text, 30, 0.0, 1);
    addNumber(text, 40, 1.0 + i * 1e-6, 6);
}

}  // namespace

std::string writerDrawing(int objectCount) { return entities(objectCount, addWriterObject); }

std::string mixedDrawing(int objectCount) { return entities(objectCount, addMixedObject); }

std::string concentricCircles(int circleCount) {
    return entities(circleCount, addConcentricCircle);
}

}  // namespace bench
