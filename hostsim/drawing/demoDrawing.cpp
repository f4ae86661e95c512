// hostsim/drawing/demoDrawing.cpp - the drawing that opens when no --drawing is given.
//
// Written one group to a line as "code value" and turned into DXF's two lines per group when
// first asked for, so the objects read as a table. What it holds (world coordinates):
//   LINE        (0,0) to (20,0), and (0,0) to (0,20)          pick 10,0 or 0,10
//   CIRCLE      centre (30,10), radius 5                      pick 35,10
//   ARC         centre (50,10), radius 5, 0 to 180 degrees    pick 50,15
//   LWPOLYLINE  (0,30) (10,30) (20,30) (20,40), a half circle
//               from (10,30) to (20,30) through (15,25)       pick 15,25
//   POLYLINE    (30,25) (40,25) (50,25) (50,35), the segment
//               from (40,25) an arc of bulge 0.5 via (45,22.5) pick 45,22.5
//   INSERT      block MARK (a circle of radius 2 and a line) at (10,55), scale 2, turned 30 degrees
//                                                             pick 14,55
//   INSERT      block MARK at (40,55), scaled 3 by 1          pick 46,55
//   POINT       (60,0)                                        pick 60,0
//   TEXT        "vectrin demo" at (0,-8), height 2            pick 0,-7
#include <algorithm>
#include <cstring>

#include "hostsim/drawing/drawing.h"

namespace {

const char demoGroups[] = R"(0 SECTION
2 BLOCKS
0 BLOCK
8 0
2 MARK
70 0
10 0
20 0
30 0
0 CIRCLE
5 20
8 0
10 0
20 0
30 0
40 2
0 LINE
5 21
8 0
10 -2
20 -2
30 0
11 2
21 2
31 0
0 ENDBLK
8 0
0 ENDSEC
0 SECTION
2 ENTITIES
0 LINE
5 10
8 0
10 0
20 0
30 0
11 20
21 0
31 0
0 LINE
5 11
8 0
10 0
20 0
30 0
11 0
21 20
31 0
0 CIRCLE
5 12
8 0
10 30
20 10
30 0
40 5
0 ARC
5 13
8 0
10 50
20 10
30 0
40 5
50 0
51 180
0 LWPOLYLINE
5 14
8 0
90 4
70 0
10 0
20 30
10 10
20 30
42 1
10 20
20 30
10 20
20 40
0 POLYLINE
5 15
8 0
66 1
10 0
20 0
30 0
70 0
0 VERTEX
5 16
8 0
10 30
20 25
30 0
0 VERTEX
5 17
8 0
10 40
20 25
30 0
42 0.5
0 VERTEX
5 18
8 0
10 50
20 25
30 0
0 VERTEX
5 19
8 0
10 50
20 35
30 0
0 SEQEND
5 1A
8 0
0 INSERT
5 1B
8 0
2 MARK
10 10
20 55
30 0
41 2
42 2
43 2
50 30
0 INSERT
5 1C
8 0
2 MARK
10 40
20 55
30 0
41 3
42 1
43 1
0 POINT
5 1D
8 0
10 60
20 0
30 0
0 TEXT
5 1E
8 0
10 0
20 -8
30 0
40 2
1 vectrin demo
0 ENDSEC
0 EOF
)";

// One pass over the text, without a stream: this runs at every start.
std::string expandGroups(const char* groups) {
    std::string text;
    text.reserve(2 * std::strlen(groups));
    for (const char* line = groups; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        if (end == nullptr) end = line + std::strlen(line);
        const char* space = std::find(line, end, ' ');
        text.append(line, space).append("\n");
        if (space != end) text.append(space + 1, end);
        text.append("\n");
        line = *end == '\n' ? end + 1 : end;
    }
    return text;
}

}  // namespace

namespace hostsim {

const char* demoDrawingText() {
    static const std::string text = expandGroups(demoGroups);
    return text.c_str();
}

}  // namespace hostsim
