// bench/largeDrawings.h - the large drawings of the speed suite (largeDrawings.cpp), generated
// as DXF text at run time, the same text every run.
#ifndef VECTRIN_BENCH_LARGE_DRAWINGS_H
#define VECTRIN_BENCH_LARGE_DRAWINGS_H

#include <string>

namespace bench {

constexpr int writerObjectCount = 20000;       // about 4.2 MB
constexpr int mixedObjectCount = 1000000;      // about 64 MB
constexpr int concentricCircleCount = 300000;  // about 14 MB

// Lines, arcs, circles, three-vertex polylines and texts in turn, at random on a 1000 x 1000
// field, as a CAD program writes them: handles, owners, subclass markers, a layer, coordinates
// to 13 decimals.
std::string writerDrawing(int objectCount);
// The same kinds and field, each with a layer and its coordinates to 3 decimals only.
std::string mixedDrawing(int objectCount);
// Circles about the origin, radii from 1.0 up a micro-unit apart.
std::string concentricCircles(int circleCount);

}  // namespace bench

#endif
