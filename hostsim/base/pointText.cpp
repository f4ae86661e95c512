// hostsim/base/pointText.cpp - points typed as text, as the host's prompts read them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "hostsim/base/base.h"

namespace {

using hostsim::Point;

bool parseCoordinate(const std::string& text, double& value) {
    std::string number = hostsim::trimmed(text);
    if (number.empty()) return false;
    char* end = nullptr;
    value = std::strtod(number.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

constexpr double radiansPerDegree = hostsim::pi / 180;

// The cosine and sine of an angle in degrees; a whole number of quarter turns gives exact 0 and
// 1, so that 10<90 is (0,10) and not (6e-16,10).
void cosSinDegrees(double degrees, double& c, double& s) {
    double turned = std::fmod(degrees, 360.0);
    if (turned < 0) turned += 360.0;
    const double quarterCos[] = {1, 0, -1, 0}, quarterSin[] = {0, 1, 0, -1};
    if (std::fmod(turned, 90.0) == 0.0) {
        int quarter = static_cast<int>(turned / 90.0) % 4;
        c = quarterCos[quarter];
        s = quarterSin[quarter];
        return;
    }
    c = std::cos(degrees * radiansPerDegree);
    s = std::sin(degrees * radiansPerDegree);
}

// polar -> distance '<' angle
bool parsePolar(const std::string& text, double angleBase, Point& offset) {
    std::size_t mark = text.find('<');
    double distance = 0.0, angle = 0.0;
    if (text.find('<', mark + 1) != std::string::npos ||
        !parseCoordinate(text.substr(0, mark), distance) ||
        !parseCoordinate(text.substr(mark + 1), angle))
        return false;
    double c = 0.0, s = 0.0;
    cosSinDegrees(angle + angleBase / radiansPerDegree, c, s);
    offset = {distance * c, distance * s, 0.0};
    return true;
}

}  // namespace

namespace hostsim {

// answer -> [ '@' ] ( cartesian | polar ) | '@'
bool parsePointAnswer(const std::string& text, const PointAnswerBase& base, Point& point) {
    std::string answer = trimmed(text);
    bool relative = !answer.empty() && answer[0] == '@';
    if (relative) answer = trimmed(answer.substr(1));
    Point given = {0, 0, 0};
    bool polar = answer.find('<') != std::string::npos;
    bool read = (relative && answer.empty())  // the last point itself
                ||
                (polar ? parsePolar(answer, base.angleBase, given) : parsePointText(answer, given));
    Point result = relative ? add(base.lastPoint, given) : given;
    if (!read || !isFinitePoint(result)) return false;
    point = result;
    return true;
}

bool parsePointText(const std::string& text, Point& point) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ',')) parts.push_back(part);
    if (!text.empty() && text.back() == ',') return false;
    if (parts.size() < 2 || parts.size() > 3) return false;
    Point p = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!parseCoordinate(parts[i], p[i])) return false;
    point = p;
    return true;
}

std::string exactNumberText(double value) {
    if (value == 0.0) return "0";  // never "-0"
    char text[40];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::string decimalPlacesText(double value, int decimals) {
    constexpr double largestFixed = 1e17;  // beyond, fixed notation prints digits of no meaning
    decimals = decimals < 0 ? 0 : decimals > 17 ? 17 : decimals;
    char text[64];
    std::snprintf(text, sizeof text, std::fabs(value) < largestFixed ? "%.*f" : "%.*e", decimals,
                  value);
    bool zero = std::strpbrk(text, "123456789in") == nullptr;  // "inf" and "nan" are no zero
    return zero && text[0] == '-' ? text + 1 : text;
}

}  // namespace hostsim
