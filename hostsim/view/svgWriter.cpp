// hostsim/view/svgWriter.cpp - the current view as a standalone SVG document a user can share:
// the drawing as the plan view shows it, its texts, and the marks of results and picks.
//
// World Y runs up and SVG's down, so every y is written negated; the view box is the window.
// Sizes meant in screen pixels (line widths, dots, labels) are pixels of the view: VIEWSIZE /
// SCREENSIZE.y drawing units each, so the file looks as the view does at its own size.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/view/view.h"

namespace {

using hostsim::PlanPrimitives;

using hostsim::pi;
constexpr double arcPieceRadians = pi / 2;  // an SVG arc of at most this never needs large-arc
constexpr double textUnitsPerHeight =
    100;  // text set at size 100, scaled: renderers round small sizes
// In view pixels.
constexpr double nodeCrossPixels = 3, resultDotPixels = 4, labelPixels = 12, labelOffsetPixels = 6,
                 pickDotPixels = 2.5, snapSquarePixels = 4;
// A result's label that would cover one written before is moved up a line at a time, at most
// labelTries lines, with a leader from its dot. Without the font's metrics a character is
// taken as wide as most are at most, so that labels that do not touch are never taken to.
constexpr double labelLinePixels = 14, labelDescentPixels = 3, labelCharacterEms = 0.6;
constexpr int labelTries = 12;
// The sheet is white: a colour lighter than this (its relative luminance) shows against it at a
// contrast under 3 to 1, and is darkened to it.
constexpr double lightestOnPaper = 0.3;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.12g", value == 0.0 ? 0.0 : value);
    return text;
}

bool finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// UTF-8 as XML character data. Control characters are not allowed in XML 1.0 and show as '?'.
std::string xmlEscaped(const std::string& utf8) {
    std::string escaped;
    for (char c : utf8) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += static_cast<unsigned char>(c) < 0x20 && c != '\t' ? '?' : c;
        }
    }
    return escaped;
}

// A text of the host (code page 1252) as XML character data in UTF-8.
std::string xmlText(const std::string& hostText) {
    return xmlEscaped(hostsim::utf8FromCp1252(hostText));
}

// A file's name is the file system's, in UTF-8 already; a name that is not valid UTF-8 is taken
// as code page 1252, as a typed line is.
std::string xmlFileName(const std::string& name) {
    return hostsim::isValidUtf8(name) ? xmlEscaped(name) : xmlText(name);
}

class SvgDocument {
public:
    explicit SvgDocument(const hostsim::ViewWindow& window)
        : window(window), pixel(window.height / window.screenHeight) {}

    // Objects in the foreground colour, solid, take the groups' black; others say their look on
    // each element, so that the groups stay one per kind.
    std::string write() {
        std::vector<hostsim::StyledPrimitives> groups;
        double left = window.centerX - window.width / 2,
               bottom = window.centerY - window.height / 2;
        hostsim::PlanWindow shown{left, bottom, left + window.width, bottom + window.height, pixel};
        hostsim::styledPlanPrimitives(groups, &shown);
        writeHead();
        out += "<g id=\"drawing\" fill=\"none\" stroke=\"#000\" stroke-width=\"" + number(pixel) +
               "\" stroke-linecap=\"round\">\n";
        for (const hostsim::StyledPrimitives& group : groups) {
            look = strokeOf(group.style, true);
            writeSegments(group.primitives.segments);
            for (const hostsim::PlanCurve& curve : group.primitives.curves) writeCurve(curve);
            for (const std::vector<double>& points : group.primitives.polylines)
                writePolyline(points);
        }
        out += "</g>\n";
        out += "<g id=\"nodes\" fill=\"none\" stroke=\"#000\" stroke-width=\"" + number(pixel) +
               "\">\n";
        for (const hostsim::StyledPrimitives& group : groups) {
            look = strokeOf(group.style, false);
            writeNodes(group.primitives.nodes);
        }
        out += "</g>\n";
        out += "<g id=\"texts\" fill=\"#000\" font-family=\"monospace\" font-size=\"" +
               number(textUnitsPerHeight) + "\">\n";
        for (const hostsim::StyledPrimitives& group : groups) {
            look = group.style.colour == hostsim::foregroundColour
                       ? ""
                       : " fill=\"" + colour(group.style.colour) + "\"";
            writeTexts(group.primitives.texts);
        }
        out += "</g>\n";
        writeMarks();
        out += "</svg>\n";
        return out;
    }

private:
    std::string strokeOf(const hostsim::PlanStyle& style, bool dashed) {
        std::string attributes;
        if (style.colour != hostsim::foregroundColour)
            attributes = " stroke=\"" + colour(style.colour) + "\"";
        return dashed ? attributes + dashArray(style.dashes) : attributes;
    }

    // On paper the foreground, colour 7, is black, and a light colour (yellow, 2) is darkened to
    // show as well as a darker one: scaled in linear light, so that its hue stays.
    static std::string colour(int rgb) {
        if (rgb == hostsim::foregroundColour) rgb = 0;
        double linear[3], luminance = 0.0;
        const double weights[3] = {0.2126, 0.7152, 0.0722};
        for (int i = 0; i < 3; ++i) {
            double c = ((rgb >> (16 - 8 * i)) & 0xFF) / 255.0;
            linear[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            luminance += weights[i] * linear[i];
        }
        if (luminance > lightestOnPaper) {
            rgb = 0;
            for (double l : linear) {
                l *= lightestOnPaper / luminance;
                double c = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
                rgb = rgb << 8 | static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
            }
        }
        char text[8];
        std::snprintf(text, sizeof text, "#%06x", rgb);
        return text;
    }

    // SVG has no dots: a dot is a dash a pixel long.
    std::string dashArray(const std::vector<double>& dashes) {
        if (dashes.empty()) return "";
        std::string list;
        for (double length : dashes)
            list += (list.empty() ? "" : " ") + number(length == 0.0 ? pixel : std::fabs(length));
        return " stroke-dasharray=\"" + list + "\"";
    }

    std::string xy(double x, double y) { return number(x) + " " + number(-y); }

    void writeHead() {
        double left = window.centerX - window.width / 2,
               top = -(window.centerY + window.height / 2);
        std::string box = number(left) + " " + number(top) + " " + number(window.width) + " " +
                          number(window.height);
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(window.screenWidth) +
               "\" height=\"" + number(window.screenHeight) + "\" viewBox=\"" + box + "\">\n";
        const std::string& source =
            hostsim::currentDrawing().source;  // its name, not where it lies
        out += "<title>" + xmlFileName(source.substr(source.rfind('/') + 1)) + "</title>\n";
        out += "<rect x=\"" + number(left) + "\" y=\"" + number(top) + "\" width=\"" +
               number(window.width) + "\" height=\"" + number(window.height) +
               "\" fill=\"#fff\"/>\n";
    }

    void writeSegments(const std::vector<double>& list) {
        for (std::size_t i = 0; i + 3 < list.size(); i += 4) {
            if (!finite({list[i], list[i + 1], list[i + 2], list[i + 3]})) continue;
            out += "<line x1=\"" + number(list[i]) + "\" y1=\"" + number(-list[i + 1]) +
                   "\" x2=\"" + number(list[i + 2]) + "\" y2=\"" + number(-list[i + 3]) + "\"" +
                   look + "/>\n";
        }
    }

    // centre + u cos t + v sin t with u and v any conjugate pair: turned into the ellipse's own
    // axes, which SVG's arcs need, then drawn in pieces of at most a quarter turn.
    void writeCurve(const hostsim::PlanCurve& c) {
        if (!finite({c.centerX, c.centerY, c.uX, c.uY, c.vX, c.vY, c.t0, c.t1}) || !(c.t1 > c.t0))
            return;
        double shift = 0.5 * std::atan2(2 * (c.uX * c.vX + c.uY * c.vY),
                                        c.uX * c.uX + c.uY * c.uY - c.vX * c.vX - c.vY * c.vY);
        double aX = c.uX * std::cos(shift) + c.vX * std::sin(shift),
               aY = c.uY * std::cos(shift) + c.vY * std::sin(shift),
               bX = -c.uX * std::sin(shift) + c.vX * std::cos(shift),
               bY = -c.uY * std::sin(shift) + c.vY * std::cos(shift);
        double turn = aX * bY - aY * bX;  // > 0: t runs anticlockwise, clockwise once y is flipped
        int pieces = std::max(1, static_cast<int>(std::ceil((c.t1 - c.t0) / arcPieceRadians)));
        auto at = [&](int i) {
            double t = c.t0 + (c.t1 - c.t0) * i / pieces;
            return xy(c.centerX + c.uX * std::cos(t) + c.vX * std::sin(t),
                      c.centerY + c.uY * std::cos(t) + c.vY * std::sin(t));
        };
        std::string arc = " " + number(std::hypot(aX, aY)) + " " + number(std::hypot(bX, bY)) +
                          " " + number(-std::atan2(aY, aX) * 180 / pi) + " 0 " +
                          (turn > 0 ? "0 " : "1 ");
        std::string path = "M" + at(0);
        for (int i = 1; i <= pieces; ++i) path += turn != 0.0 ? " A" + arc + at(i) : " L" + at(i);
        out += "<path d=\"" + path + "\"" + look + "/>\n";
    }

    // Sampled to a fraction of a pixel, a line's points need no more digits than a hundredth of
    // one: many short numbers, not many long ones.
    void writePolyline(const std::vector<double>& points) {
        int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(pixel / 100))), 0, 12);
        auto coordinate = [&](double value) {
            char text[48];
            std::snprintf(text, sizeof text, "%.*f", decimals, value);
            std::string written = text;
            if (written.find('.') != std::string::npos) {
                written.erase(written.find_last_not_of('0') + 1);
                if (written.back() == '.') written.pop_back();
            }
            return written == "-0" ? std::string("0") : written;
        };
        std::string list;
        for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
            if (!finite({points[i], points[i + 1]}) || std::fabs(points[i]) > 1e15 ||
                std::fabs(points[i + 1]) > 1e15)
                return;  // past what fixed decimals print in a few digits; never in a view
            list += (i == 0 ? "" : " ") + coordinate(points[i]) + "," + coordinate(-points[i + 1]);
        }
        out += "<polyline points=\"" + list + "\"" + look + "/>\n";
    }

    void writeNodes(const std::vector<double>& list) {
        double arm = nodeCrossPixels * pixel;
        for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
            if (!finite({list[i], list[i + 1]})) continue;
            out += "<path d=\"M" + xy(list[i] - arm, list[i + 1]) + " h" + number(2 * arm) + " M" +
                   xy(list[i], list[i + 1] + arm) + " v" + number(2 * arm) + "\"" + look + "/>\n";
        }
    }

    // Each line set at size 100 in its own frame, which the matrix takes to its baseline.
    void writeTexts(const std::vector<hostsim::PlanText>& texts) {
        for (const hostsim::PlanText& t : texts) {
            double k = 1 / textUnitsPerHeight;
            if (t.text.empty() || !finite({t.x, t.y, t.alongX, t.alongY, t.upX, t.upY, t.length}) ||
                t.alongX * t.upY - t.alongY * t.upX == 0.0)
                continue;
            out += "<text transform=\"matrix(" + number(t.alongX * k) + " " +
                   number(-t.alongY * k) + " " + number(-t.upX * k) + " " + number(t.upY * k) +
                   " " + number(t.x) + " " + number(-t.y) + ")\"";
            if (t.length > 0.0)
                out += " textLength=\"" + number(t.length * textUnitsPerHeight) +
                       "\" lengthAdjust=\"spacingAndGlyphs\"";
            out += look + ">" + xmlEscaped(t.text) + "</text>\n";
        }
    }

    void writeMarks() {
        std::string results, picks, snaps;
        for (const hostsim::Mark& mark : hostsim::drawingMarks()) {
            double x = mark.world[0], y = mark.world[1];
            switch (mark.kind) {
                case hostsim::Mark::Kind::Result: results += resultMark(x, y, mark.label); break;
                case hostsim::Mark::Kind::Picked: picks += dot(x, y, pickDotPixels, "pick"); break;
                case hostsim::Mark::Kind::Snapped: snaps += snapMark(x, y); break;
                case hostsim::Mark::Kind::Value:
                case hostsim::Mark::Kind::Vector:
                    break;  // no place in the drawing: the page lists them
            }
        }
        out += "<g id=\"picks\" fill=\"#1565c0\">\n" + picks + "</g>\n";
        out += "<g id=\"snaps\" fill=\"none\" stroke=\"#2e7d32\" stroke-width=\"" +
               number(1.5 * pixel) + "\">\n" + snaps + "</g>\n";
        out += "<g id=\"results\" fill=\"#c62828\" font-family=\"sans-serif\" font-size=\"" +
               number(labelPixels * pixel) + "\">\n" + results + "</g>\n";
    }

    std::string dot(double x, double y, double radiusPixels, const char* kind) {
        return "<circle class=\"" + std::string(kind) + "\" cx=\"" + number(x) + "\" cy=\"" +
               number(-y) + "\" r=\"" + number(radiusPixels * pixel) + "\"/>\n";
    }

    std::string snapMark(double x, double y) {
        double half = snapSquarePixels * pixel;
        return "<rect class=\"snap\" x=\"" + number(x - half) + "\" y=\"" + number(-y - half) +
               "\" width=\"" + number(2 * half) + "\" height=\"" + number(2 * half) + "\"/>\n";
    }

    struct LabelBox {
        double left, right, top, bottom;  // SVG's coordinates: top above bottom, so lower
        bool overlaps(const LabelBox& o) const {
            return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
        }
    };

    // The label beside its dot, or moved up clear of the labels written before.
    std::string resultMark(double x, double y, const std::string& label) {
        const std::string text = xmlText(label);
        double offset = labelOffsetPixels * pixel, line = labelLinePixels * pixel,
               descent = labelDescentPixels * pixel,
               width = labelCharacterEms * labelPixels * pixel *
                       static_cast<double>(hostsim::characterCount(hostsim::utf8FromCp1252(label)));
        LabelBox box{};
        for (int i = 0; i < labelTries; ++i) {
            double baseline = -y - offset - i * line;
            box = {x + offset, x + offset + width, baseline - line + descent, baseline + descent};
            if (std::none_of(labels.begin(), labels.end(),
                             [&](const LabelBox& placed) { return box.overlaps(placed); }))
                break;
        }
        labels.push_back(box);
        double baseline = box.bottom - descent;
        std::string leader;
        if (baseline < -y - offset)
            leader = "<line x1=\"" + number(x) + "\" y1=\"" + number(-y) + "\" x2=\"" +
                     number(box.left) + "\" y2=\"" + number(baseline - 4 * pixel) +
                     "\" stroke=\"#c62828\" stroke-width=\"" + number(pixel) + "\"/>";
        return "<g class=\"result\">" + dot(x, y, resultDotPixels, "marker") + leader +
               "<text x=\"" + number(box.left) + "\" y=\"" + number(baseline) + "\">" + text +
               "</text></g>\n";
    }

    const hostsim::ViewWindow window;
    const double pixel;  // drawing units per view pixel
    std::string look;    // the attributes of the elements being written: their colour, dashes
    std::vector<LabelBox> labels;  // the result labels written so far
    std::string out;
};

// Why an existing file is not one the view may replace ("" when it may): only a regular file
// is, never a device, a FIFO or a socket; a symbolic link is judged by what it names.
std::string refusalOf(const std::string& path) {
    struct stat facts;
    if (stat(path.c_str(), &facts) != 0 || S_ISREG(facts.st_mode)) return "";
    if (S_ISDIR(facts.st_mode)) return std::strerror(EISDIR);
    if (S_ISCHR(facts.st_mode)) return "Is a character device, not a regular file";
    if (S_ISBLK(facts.st_mode)) return "Is a block device, not a regular file";
    if (S_ISFIFO(facts.st_mode)) return "Is a FIFO, not a regular file";
    if (S_ISSOCK(facts.st_mode)) return "Is a socket, not a regular file";
    return "Is not a regular file";
}

// Twelve characters no one can guess: a file name of ours in a folder others may write in must
// not be one they could have made first.
std::string randomNameTag() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[12];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t count = getrandom(bytes + got, sizeof bytes - got, 0);
        if (count < 0 && errno != EINTR) break;
        if (count > 0) got += static_cast<std::size_t>(count);
    }
    std::string tag;
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        tag += letters[(i < got ? bytes[i] : std::rand()) % (sizeof letters - 1)];
    return tag;
}

// A name beside path for the file being written, NAME.TAG.tmp with a random TAG, no longer than
// the target's own name where that would pass the folder's limit on names.
std::string temporaryName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = path.substr(folder.size());
    std::string suffix = "." + randomNameTag() + ".tmp";
    long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    std::size_t longest = limit > 0 ? static_cast<std::size_t>(limit) : name.size();
    if (name.size() + suffix.size() > longest) {
        std::size_t keep = name.size() > suffix.size() ? name.size() - suffix.size() : 0;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
        name.resize(keep);  // cut before a character, not inside one
    }
    return folder + name + suffix;
}

// Creates the temporary file, only if nothing has that name (a link to elsewhere included); a
// name taken meanwhile is followed by another. The descriptor, or -1 with errno set.
int createTemporaryFile(const std::string& path, std::string& temporary) {
    constexpr int attempts = 16;
    for (int i = 0; i < attempts; ++i) {
        temporary = temporaryName(path);
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Everything of text to fd; false with errno set when a write fails.
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

namespace hostsim {

std::string viewSvg() { return SvgDocument(currentViewWindow()).write(); }

bool writeViewSvg(const std::string& path, std::string& error) {
    auto fail = [&](int number) {
        error = std::strerror(number);
        return false;
    };
    error = refusalOf(path);
    if (!error.empty()) return false;
    std::string text = viewSvg();
    // Beside the file, so that the rename stays in one file system.
    std::string temporary;
    int fd = createTemporaryFile(path, temporary);
    if (fd < 0) return fail(errno);
    bool written = writeAll(fd, text);
    int saved = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        saved = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (written) saved = errno;
    ::unlink(temporary.c_str());
    return fail(saved);
}

}  // namespace hostsim
