// tests/geometry/kernelDataTests.cpp - the kernel and the geometric functions against values
// that an independent geometry library computed (kernelData.txt, made by makeKernelData.py).
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "functions/functions.h"
#include "geometry/geometry.h"
#include "hostsim/shell/shell.h"
#include "tests/support/engineFixture.h"

namespace {

constexpr double tolerance = 1e-9;

struct DataRow {
    int line;
    std::vector<double> numbers;
    Point3 point(size_t first) const {
        return {numbers[first], numbers[first + 1], numbers[first + 2]};
    }
};

// The rows of the data file by keyword; a missing file or a short row fails the test.
std::map<std::string, std::vector<DataRow>> readKernelData() {
    std::map<std::string, std::vector<DataRow>> rows;
    std::ifstream file(VECTRIN_KERNEL_DATA);
    EXPECT_TRUE(file.good()) << "cannot read " << VECTRIN_KERNEL_DATA;
    std::string text;
    for (int line = 1; std::getline(file, text); line++) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string keyword;
        fields >> keyword;
        DataRow row{line, {}};
        for (double d; fields >> d;) row.numbers.push_back(d);
        rows[keyword].push_back(row);
    }
    return rows;
}

const std::map<std::string, std::vector<DataRow>>& kernelData() {
    static const auto data = readKernelData();
    return data;
}

// The rows of one keyword, each checked to hold count numbers.
std::vector<DataRow> rowsOf(const char* keyword, size_t count) {
    auto found = kernelData().find(keyword);
    if (found == kernelData().end()) {
        ADD_FAILURE() << "no " << keyword << " rows in the data";
        return {};
    }
    for (const DataRow& row : found->second) {
        EXPECT_EQ(count, row.numbers.size()) << keyword << " row at line " << row.line;
        if (row.numbers.size() != count) return {};
    }
    return found->second;
}

void expectPoint(const Point3& want, const Point3& got) {
    EXPECT_NEAR(want.x, got.x, tolerance);
    EXPECT_NEAR(want.y, got.y, tolerance);
    EXPECT_NEAR(want.z, got.z, tolerance);
}

void expectVectorValue(const Point3& want, const Value& got) {
    ASSERT_EQ(ValueKind::Vector, got.kind);
    expectPoint(want, {got.x, got.y, got.z});
}

TEST(KernelData, BulgeArcsMatch) {
    for (const DataRow& row : rowsOf("bulge", 11)) {
        SCOPED_TRACE(row.line);
        double radius = 0;
        Point3 centre = {};
        bulgeArc(row.point(0), row.point(3), row.numbers[6], radius, centre);
        EXPECT_NEAR(row.numbers[7], radius, tolerance * (1 + row.numbers[7]));
        expectPoint(row.point(8), centre);
    }
}

TEST(KernelData, ExtrusionSystemsMatch) {
    for (const DataRow& row : rowsOf("ocs", 9)) {
        SCOPED_TRACE(row.line);
        Transform t;
        ASSERT_EQ(KVS_RTNORM, extrusionTransform(row.point(0), t));
        expectPoint(row.point(3), t.xAxis);
        expectPoint(row.point(6), t.yAxis);
        Point3 z = row.point(0);
        normalize(z);
        expectPoint(z, t.zAxis);
    }
}

TEST(KernelData, RotationsMatch) {
    for (const DataRow& row : rowsOf("rotate", 13)) {
        SCOPED_TRACE(row.line);
        Point3 p = row.point(0);
        double radians = row.numbers[9] * 0.017453292519943295;
        ASSERT_EQ(KVS_RTNORM, rotateAboutAxis(p, radians, row.point(3), row.point(6)));
        expectPoint(row.point(10), p);
    }
}

// The same figures through the calculator's functions, with the points held in Quillet
// variables so that they reach the functions bit for bit.
class KernelDataFunctions : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        registerBuiltinFunctions();
        ASSERT_EQ(0, ErrorCode);
    }

    // Sets P1, P2, ... to count points of the row from its first number on.
    static void setPoints(const DataRow& row, int count) {
        for (int i = 0; i < count; i++) {
            Point3 p = row.point(3 * i);
            std::string name = "P" + std::to_string(i + 1);
            hostsim::setSymbol(name, hostsim::QValue::point(p.x, p.y, p.z));
        }
    }
};

TEST_F(KernelDataFunctions, RotMatches) {
    for (const DataRow& row : rowsOf("rotate", 13)) {
        SCOPED_TRACE(row.line);
        setPoints(row, 3);
        hostsim::setSymbol("A", hostsim::QValue::real(row.numbers[9]));
        Value v = eval("ROT(P1,P2,P3,A)");
        ASSERT_EQ(0, ErrorCode);
        expectVectorValue(row.point(10), v);
    }
}

TEST_F(KernelDataFunctions, IllMatches) {
    for (const DataRow& row : rowsOf("ill", 15)) {
        SCOPED_TRACE(row.line);
        setPoints(row, 4);
        Value v = eval("ILL(P1,P2,P3,P4)");
        ASSERT_EQ(0, ErrorCode);
        expectVectorValue(row.point(12), v);
    }
}

TEST_F(KernelDataFunctions, IlpMatches) {
    for (const DataRow& row : rowsOf("ilp", 18)) {
        SCOPED_TRACE(row.line);
        setPoints(row, 5);
        Value v = eval("ILP(P1,P2,P3,P4,P5)");
        ASSERT_EQ(0, ErrorCode);
        expectVectorValue(row.point(15), v);
    }
}

TEST_F(KernelDataFunctions, DistancesToLinesAndPlanesMatch) {
    for (const DataRow& row : rowsOf("dpl", 10)) {
        SCOPED_TRACE(row.line);
        setPoints(row, 3);
        Value v = eval("DPL(P1,P2,P3)");
        ASSERT_EQ(0, ErrorCode);
        EXPECT_NEAR(row.numbers[9], v.num, tolerance);
    }
    for (const DataRow& row : rowsOf("dpp", 13)) {
        SCOPED_TRACE(row.line);
        setPoints(row, 4);
        Value v = eval("DPP(P1,P2,P3,P4)");
        ASSERT_EQ(0, ErrorCode);
        EXPECT_NEAR(row.numbers[12], v.num, tolerance);
    }
}

}  // namespace
