// tests/hostsim/view/svgWriterTests.cpp - the view as SVG: arcs bulge the way they run, texts turn
// without being mirrored, result labels stand above their dot, lines without end reach the
// window's edges, and the file stays XML whatever a label holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hostsim/view/view.h"
#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;

constexpr double degreesPerRadian = 180 / 3.141592653589793;

std::vector<double> numbers(const std::string& text) {
    std::vector<double> values;
    std::istringstream in(text);
    for (double v; in >> v;) values.push_back(v);
    return values;
}

// Every '<' opens markup and every '&' a reference: raw text holding either is not XML.
bool markupIsWellFormed(const std::string& xml) {
    static const std::regex references("^&(amp|lt|gt|quot|apos|#[0-9]+);");
    for (std::size_t i = 0; i < xml.size(); ++i) {
        if (xml[i] == '<' && !std::isalpha(static_cast<unsigned char>(xml[i + 1])) &&
            xml[i + 1] != '/' && xml[i + 1] != '?')
            return false;
        if (xml[i] == '&' && !std::regex_search(xml.substr(i, 8), references)) return false;
    }
    return true;
}

// The centres of the circular arcs of every path "M x y A r r angle large sweep x y ...", found
// from their end points and flags as SVG's renderers find them.
std::vector<std::pair<double, double>> arcCentres(const std::string& svg) {
    std::vector<std::pair<double, double>> centres;
    static const std::regex path("<path d=\"M([^\"]*)\"");
    for (std::sregex_iterator it(svg.begin(), svg.end(), path), end; it != end; ++it) {
        std::string d = (*it)[1];
        if (d.find('A') == std::string::npos) continue;
        for (char& c : d) c = c == 'A' ? ' ' : c;
        std::vector<double> v = numbers(d);
        for (std::size_t i = 2; i + 6 < v.size(); i += 7) {
            double x1 = v[i - 2], y1 = v[i - 1], r = v[i], x2 = v[i + 5], y2 = v[i + 6];
            double hx = (x1 - x2) / 2, hy = (y1 - y2) / 2, h2 = hx * hx + hy * hy;
            double k = std::sqrt(std::max(0.0, (r * r - h2) / h2));
            if ((v[i + 3] != 0) == (v[i + 4] != 0)) k = -k;  // large-arc equal to sweep
            centres.push_back({k * hy + (x1 + x2) / 2, -k * hx + (y1 + y2) / 2});
        }
    }
    return centres;
}

TEST_F(DrawingTest, SvgDrawsArcsTextsAndLabelsTheWayThePlanViewShowsThem) {
    struct Case {
        int line;
        std::string entities;
        double centreX, centreY;  // of every arc, in world (NAN: no arc)
        double textDegrees;       // the direction of every text's baseline (NAN: no text)
        const char* resultText;   // the text of a point result marked at (1, 2), or nullptr
    };
    const Case cases[] = {
        {__LINE__, "0 ARC\n10 3\n20 4\n40 2\n50 10\n51 100\n", 3, 4, NAN, nullptr},
        // seen from below: world centre (-3, 4), running clockwise in the plan view
        {__LINE__, "0 ARC\n10 3\n20 4\n40 2\n50 10\n51 100\n210 0\n220 0\n230 -1\n", -3, 4, NAN,
         nullptr},
        {__LINE__, "0 CIRCLE\n10 -1\n20 5\n40 7\n", -1, 5, NAN, nullptr},
        {__LINE__, "0 TEXT\n10 0\n20 0\n40 1\n1 AB\n50 30\n", NAN, NAN, 30, nullptr},
        {__LINE__, "0 TEXT\n10 0\n20 0\n40 1\n1 AB\n50 90\n", NAN, NAN, 90, nullptr},
        {__LINE__, "0 LINE\n10 0\n20 0\n11 9\n21 9\n", NAN, NAN, NAN, "[2<45] & more"},
        // a circle's copies a hundred-thousandth of a pixel apart: drawn once
        {__LINE__, "0 INSERT\n2 P\n10 3\n20 4\n70 3\n44 1e-5\n", 3, 4, NAN, nullptr},
    };
    static const std::regex textMatrix("<text transform=\"matrix\\(([^)]*)\\)");
    static const std::regex resultMark(
        "class=\"marker\" cx=\"([^\"]+)\" cy=\"([^\"]+)\"[^>]*/>\\s*<text x=\"([^\"]+)\" "
        "y=\"([^\"]+)\">");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open(c.entities, "0 BLOCK\n2 P\n10 0\n20 0\n0 CIRCLE\n10 0\n20 0\n40 2\n0 ENDBLK\n");
        if (c.resultText != nullptr) {
            hostsim::beginEvaluation(c.resultText);
            hostsim::endEvaluation(hostsim::QValue::point(1, 2, 0));
        }
        const std::string svg = hostsim::viewSvg();
        EXPECT_TRUE(markupIsWellFormed(svg)) << svg;
        std::vector<std::pair<double, double>> centres = arcCentres(svg);
        EXPECT_EQ(std::isnan(c.centreX), centres.empty());
        for (const auto& centre : centres) {  // SVG's y runs down
            EXPECT_NEAR(c.centreX, centre.first, 1e-9);
            EXPECT_NEAR(-c.centreY, centre.second, 1e-9);
        }
        hostsim::PlanPrimitives page;  // what a page is sent: the same, without a window
        hostsim::planPrimitives(-1, true, page);
        for (const hostsim::PlanCurve& curve : page.curves) EXPECT_EQ(c.centreX, curve.centerX);
        EXPECT_TRUE(page.nodes.empty()) << "a mark at a reference's insertion point";
        int texts = 0;
        for (std::sregex_iterator it(svg.begin(), svg.end(), textMatrix), end; it != end; ++it) {
            std::vector<double> m = numbers((*it)[1]);  // a b c d e f
            ASSERT_EQ(6u, m.size());
            EXPECT_GT(m[0] * m[3] - m[1] * m[2], 0.0) << "mirrored: " << (*it)[0];
            EXPECT_NEAR(c.textDegrees, std::atan2(-m[1], m[0]) * degreesPerRadian, 1e-9);
            ++texts;
        }
        EXPECT_EQ(std::isnan(c.textDegrees), texts == 0);
        std::smatch mark;
        EXPECT_EQ(c.resultText != nullptr, std::regex_search(svg, mark, resultMark));
        if (!mark.empty()) {
            EXPECT_GT(std::stod(mark[3]), std::stod(mark[1])) << "the label right of its dot";
            EXPECT_LT(std::stod(mark[4]), std::stod(mark[2])) << "the label above its dot";
        }
    }
}

// Each row counts a pattern's matches in the SVG; a pixel is a unit. The table names DASHDOT
// without a pattern; block B is a line in the linetype of the reference that holds it.
TEST_F(DrawingTest, SvgDrawsWhatTheViewShowsInEachObjectsLook) {
    struct Case {
        int line;
        std::string header, entities;
        const char* pattern;
        int count;
    };
    const std::string ends = "10 0\n20 0\n11 99\n21 0\n", tiny = "0 LINE\n10 0.1\n20 0\n21 0.01\n";
    const Case cases[] = {
        {__LINE__, "", "0 LINE\n6 DASHDOT\n" + ends, "dasharray=\"12.7 6.35 1 6.35\"", 1},  // mm
        {__LINE__, "9 $MEASUREMENT\n70 0\n9 $INSUNITS\n70 4\n", "0 LINE\n6 center2\n" + ends,
         "dasharray=\"0.625 0.125 0.125 0.125\"", 1},  // inches, a name the table lacks
        {__LINE__, "9 $INSUNITS\n70 1\n", "0 LINE\n6 HIDDEN\n" + ends, "y=\"0.25 0.125\"", 1},
        {__LINE__, "", "0 POINT\n6 DASHED\n10 0\n20 0\n", "dasharray", 0},
        {__LINE__, "", "0 INSERT\n2 B\n6 DASHED\n10 0\n20 0\n", "dasharray=\"4 2\"", 1},
        {__LINE__, "", "0 INSERT\n2 B\n0 POINT\n10 50\n", " h6 ", 1},  // no insertion mark
        {__LINE__, "", "0 LINE\n62 -1\n" + ends, "stroke=\"#ff0000\"", 1},
        {__LINE__, "", "0 LINE\n62 2\n" + ends, "stroke=\"#9a9a00\"", 1},    // yellow on paper
        {__LINE__, "", "0 LINE\n62 171\n" + ends, "stroke=\"#7f7fff\"", 1},  // pale blue
        // lines in one pixel are drawn once, lines a pixel high or more each
        {__LINE__, "", tiny + "11 0.1\n" + tiny + "11 0.6\n", "<line ", 1},
        {__LINE__, "", "0 LINE\n11 0\n21 10\n0 LINE\n11 0\n21 5\n", "<line ", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error,
            text = drawingtest::drawingText(
                c.entities, "0 BLOCK\n2 B\n0 LINE\n6 BYBLOCK\n11 9\n21 0\n0 ENDBLK\n",
                "0 TABLE\n2 LTYPE\n0 LTYPE\n2 DASHDOT\n0 LTYPE\n2 DASHED\n49 4\n"
                "49 -2\n0 ENDTAB\n");
        text = drawingtest::groupsToDxf("0 SECTION\n2 HEADER\n" + c.header + "0 ENDSEC\n") + text;
        ASSERT_TRUE(hostsim::openDrawingText(text, "test.dxf", error)) << error;
        hostsim::setSysvarReal("VIEWSIZE", 800.0);
        const std::string svg = hostsim::viewSvg();
        const std::regex pattern(c.pattern);
        auto found = std::sregex_iterator(svg.begin(), svg.end(), pattern);
        EXPECT_EQ(c.count, std::distance(found, std::sregex_iterator())) << svg;
    }
}

// A quarter circle as a spline at a pixel of 1 and of 0.01: its points lie on it within their
// digits (a hundredth of a pixel), and its chords stray from it by a quarter pixel at most.
TEST_F(DrawingTest, SvgSamplesSplinesToAFractionOfAPixel) {
    for (double r : {300.0, 3.0}) {
        SCOPED_TRACE(r);
        std::string R = std::to_string(r), knots = "40 0\n40 0\n40 0\n40 1\n40 1\n40 1\n";
        open("0 SPLINE\n71 2\n" + knots + "10 " + R + "\n10 " + R + "\n20 " + R + "\n10 0\n20 " +
             R + "\n41 1\n41 0.70710678118654752\n41 1\n");
        hostsim::setSysvarReal("VIEWSIZE", 800 * r / 300);
        const std::string svg = hostsim::viewSvg();
        std::smatch found;
        ASSERT_TRUE(std::regex_search(svg, found, std::regex("points=\"([^\"]*)\""))) << svg;
        std::vector<double> v = numbers(std::regex_replace(found[1].str(), std::regex(","), " "));
        ASSERT_GE(v.size(), 8u);
        for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
            EXPECT_NEAR(r, std::hypot(v[i], v[i + 1]), 0.008 * r / 300);
            double half =
                i + 3 < v.size() ? std::hypot(v[i + 2] - v[i], v[i + 3] - v[i + 1]) / 2 : 0;
            EXPECT_LE(r - std::sqrt(r * r - half * half), 0.26 * r / 300);
        }
    }
}

// The view is 1280 by 800 units about the line's middle (5, 0): x from -635 to 645, y from -400
// to 400 (SVG's y runs down). A line without end is drawn as far as the window goes.
TEST_F(DrawingTest, SvgDrawsLinesWithoutEndToTheWindowsEdges) {
    struct Case {
        int line;
        const char* entity;
        std::vector<double> ends;  // x1 y1 x2 y2 of its line, in SVG's coordinates; none: missed
        bool bothWays;             // as the page is told
    };
    const Case cases[] = {
        {__LINE__, "0 XLINE\n10 0\n20 5\n11 1\n21 0\n", {-635, -5, 645, -5}, true},
        {__LINE__, "0 RAY\n10 5\n20 5\n11 0\n21 1\n", {5, -5, 5, -400}, false},  // from its start
        {__LINE__, "0 RAY\n10 5\n20 500\n11 0\n21 1\n", {}, false},  // away from the window
        {__LINE__, "0 XLINE\n10 0\n20 0\n11 3\n21 4\n", {-300, 400, 300, -400}, true},
        {__LINE__, "0 XLINE\n10 0\n20 0\n11 3e200\n21 4e200\n", {-300, 400, 300, -400}, true},
        {__LINE__, "0 XLINE\n10 0\n20 500\n11 1\n21 0\n", {}, true},  // level, above the window
    };
    static const std::regex line(
        "<line x1=\"([^\"]+)\" y1=\"([^\"]+)\" x2=\"([^\"]+)\" y2=\"([^\"]+)\"");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open(std::string("0 LINE\n10 0\n20 0\n11 10\n21 0\n") + c.entity);
        const std::string svg = hostsim::viewSvg();
        std::vector<double> drawn;
        for (std::sregex_iterator it(svg.begin(), svg.end(), line), end; it != end; ++it)
            for (int k = 1; k <= 4; ++k) drawn.push_back(std::stod((*it)[k]));
        ASSERT_EQ(4 + c.ends.size(), drawn.size()) << svg;  // the LINE, then the line without end
        for (std::size_t k = 0; k < c.ends.size(); ++k) EXPECT_NEAR(c.ends[k], drawn[4 + k], 1e-9);
        hostsim::PlanPrimitives page;
        hostsim::planPrimitives(-1, false, page);
        ASSERT_EQ(1u, page.rays.size());
        EXPECT_EQ(c.bothWays, page.rays[0].bothWays);
    }
}

}  // namespace
