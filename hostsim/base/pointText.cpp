// hostsim/base/pointText.cpp - points typed as text, as the host's prompts read them.
#include "hostsim/base/base.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

bool parseCoordinate(const std::string& text, double& value) {
    std::string number = hostsim::trimmed(text);
    if (number.empty()) return false;
    char* end = nullptr;
    value = std::strtod(number.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

}  // namespace

namespace hostsim {

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

}  // namespace hostsim
