// tools/demoDrawing/main.cpp - writes hostsim's demo drawing as a DXF file, for installing.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hostsim/drawing/drawing.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demoDrawing FILE.dxf\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "w");
    bool written = file != nullptr && std::fputs(hostsim::demoDrawingText(), file) >= 0;
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "demoDrawing: %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
