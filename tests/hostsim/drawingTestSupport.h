// tests/hostsim/drawingTestSupport.h - opening small drawings and reading records, for the drawing
// tests.
#ifndef VECTRIN_TESTS_HOSTSIM_DRAWINGTESTSUPPORT_H
#define VECTRIN_TESTS_HOSTSIM_DRAWINGTESTSUPPORT_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "hostsim/shell/shell.h"

namespace drawingtest {

// "code value" lines, one group each, as DXF's two lines per group.
inline std::string groupsToDxf(const std::string& groups) {
    std::istringstream in(groups);
    std::string line, text;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::size_t space = line.find(' ');
        text += line.substr(0, space) + "\n" +
                (space == std::string::npos ? "" : line.substr(space + 1)) + "\n";
    }
    return text;
}

// A whole drawing: the given tables', blocks' and entities' groups wrapped in their sections.
inline std::string drawingText(const std::string& entities, const std::string& blocks = "",
                               const std::string& tables = "") {
    std::string groups = (tables.empty() ? "" : "0 SECTION\n2 TABLES\n" + tables + "0 ENDSEC\n") +
                         "0 SECTION\n2 BLOCKS\n" + blocks + "0 ENDSEC\n0 SECTION\n2 ENTITIES\n" +
                         entities + "0 ENDSEC\n0 EOF\n";
    return groupsToDxf(groups);
}

// A LAYER table: OFF is off, ICE frozen, RED on and thawed, ZERO on with no colour of its own.
inline const char layerTable[] =
    "0 TABLE\n2 LAYER\n0 LAYER\n2 OFF\n70 0\n62 -7\n0 LAYER\n2 ICE\n70 1\n62 7\n"
    "0 LAYER\n2 RED\n70 0\n62 1\n0 LAYER\n2 ZERO\n70 0\n62 0\n0 ENDTAB\n";

// Every test starts from a fresh host, with output captured and one pixel one drawing unit.
class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::resetHostState();
        hostsim::captureOutput(true);
        hostsim::releaseHeldText();  // what the test before left held or its line open
        hostsim::takeOutput();
        hostsim::noteLineEnded();
    }
    void TearDown() override {
        hostsim::clearQueuedAnswers();
        hostsim::useStandardInput();
        hostsim::takeOutput();
        hostsim::captureOutput(false);
        hostsim::resetHostState();
    }
    void open(const std::string& entities, const std::string& blocks = "",
              const std::string& tables = "") {
        std::string error;
        ASSERT_TRUE(
            hostsim::openDrawingText(drawingText(entities, blocks, tables), "test.dxf", error))
            << error;
        hostsim::setSysvarReal("VIEWSIZE", 800.0);  // SCREENSIZE is 1280 by 800
    }
    void openFile(const std::string& name) {
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingFile(std::string(HOSTSIM_TEST_DXF_DIR) + "/" + name, error))
            << error;
        hostsim::setSysvarReal("VIEWSIZE", 800.0);
    }
};

// The n-th object (from 0) of a type, in file order; -1 when there is none.
inline int findObject(const std::string& type, int n = 0) {
    const auto& objects = hostsim::currentDrawing().objects;
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (objects[i].type == type && n-- == 0) return static_cast<int>(i);
    return -1;
}

// The same among the objects of the ENTITIES section only.
inline int findEntity(const std::string& type, int n = 0) {
    const auto& objects = hostsim::currentDrawing().objects;
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (objects[i].sequence == hostsim::entitiesSequence && objects[i].type == type && n-- == 0)
            return static_cast<int>(i);
    return -1;
}

inline std::string typeOfName(const int64_t name[2]) {
    int index = 0;
    return std::string(hostsim::objectOfName(name, index)
                           ? hostsim::currentDrawing().objects[index].type
                           : "(none)");
}

}  // namespace drawingtest

#endif
