// hostsim/base/base.h - what every part of the stand-in host shares: points, the errno guard of
// the kvs_* routines, and upper case in the host's code page.
//
// Offers: Point and its arithmetic, pi, ErrnoGuard, upperName, and the character routines
// kvs_isalpha, kvs_isdigit, kvs_isalnum and kvs_toupper (charClasses.cpp); points typed as text
// (pointText.cpp); code page 1252 against UTF-8 and the drawings' code pages (codePages.cpp).
// Needs: nothing but contract/kvs.h, the contract the module and the host both compile
// against, and the C library's iconv.
#ifndef VECTRIN_HOSTSIM_BASE_BASE_H
#define VECTRIN_HOSTSIM_BASE_BASE_H

#include <array>
#include <cerrno>
#include <cmath>
#include <string>
#include <string_view>

#include "contract/kvs.h"

namespace hostsim {

using Point = std::array<double, 3>;

constexpr double pi = 3.141592653589793;  // the double nearest pi

// Every kvs_* routine keeps errno as the module left it: the module reads errno after its own
// arithmetic, and the host's library calls (stdio, readline, udunits2) may set it on the way.
class ErrnoGuard {
public:
    ErrnoGuard() : saved(errno) {}
    ~ErrnoGuard() { errno = saved; }
    ErrnoGuard(const ErrnoGuard&) = delete;
    ErrnoGuard& operator=(const ErrnoGuard&) = delete;

private:
    int saved;
};

std::string upperName(const std::string& name);  // upper case for code page 1252
// text without the blanks (any of `blanks`) at either end; "" when it is all blanks.
std::string trimmed(const std::string& text, const char* blanks = " \t");
// The blanks of a command line: none is part of a word, and those around the line are dropped.
constexpr char commandBlanks[] = " \t\r\n";
// A command line's first word as typed, the command's name; rest, when given, gets what follows
// it. Both without blanks (commandBlanks) at their ends.
std::string firstCommandWord(const std::string& line, std::string* rest = nullptr);

// ---- point arithmetic, shared by every part that measures geometry ----
inline Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Point add(const Point& a, const Point& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Point scale(const Point& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
inline double dot(const Point& a, const Point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double norm(const Point& a) { return std::sqrt(dot(a, a)); }
inline bool isFinitePoint(const Point& p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// ---- points typed as text (pointText.cpp) ----
// Reads x,y or x,y,z, and nothing else. False on malformed text.
bool parsePointText(const std::string& text, Point& point);
// A number in the fewest digits (15 to 17) that read back as exactly it; 0 as "0", never "-0".
std::string exactNumberText(double value);
// A number at so many decimal places (0 to 17), trailing zeros kept, as a CAD program shows a
// coordinate at the drawing's places ($LUPREC): 10.0157 for 10.0157259705302 at 4. A value that
// rounds to zero prints unsigned; from 1e17 up, in scientific notation at those places.
std::string decimalPlacesText(double value, int decimals);
// What an answer to a point prompt may be relative to, in the coordinate system it is typed in:
// the last point (LASTPOINT) and the direction of angle 0 (ANGBASE, in radians, counter-clockwise
// from the X axis).
struct PointAnswerBase {
    Point lastPoint = {0, 0, 0};
    double angleBase = 0.0;
};
// Reads an answer to a point prompt, as every front end takes it: x,y[,z]; @dx,dy[,dz] from the
// last point; d<angle, at distance d from the origin, and @d<angle from the last point (the
// angle in degrees, counter-clockwise from base.angleBase; the last point's z stays); @ alone,
// the last point. False on malformed text and for a point that is not finite.
bool parsePointAnswer(const std::string& text, const PointAnswerBase& base, Point& point);

// ---- code pages (codePages.cpp) ----
// The host keeps its texts in code page 1252; the terminal speaks UTF-8, drawings their own.
bool isValidUtf8(std::string_view text);  // strictly: no overlong forms, surrogates or cut ends
std::string utf8FromCp1252(std::string_view text);  // every byte has a character
// Valid UTF-8 into code page 1252; false, with the first character it lacks in missing (or
// missing 0 for text that is not UTF-8), and out unchanged.
bool cp1252FromUtf8(std::string_view text, std::string& out, char32_t& missing);
// The iconv name of a DXF code page ($DWGCODEPAGE: ANSI_1251, DOS850, ISO8859-2...): "CP1251";
// empty for one iconv does not know.
std::string iconvCodePage(const std::string& dxfName);
// A drawing's text in code page 1252: text that is valid UTF-8 is UTF-8, any other is in the
// drawing's code page (an iconvCodePage name; empty means 1252). A character that code page
// 1252 lacks, or a byte the drawing's code page cannot read, becomes '?'.
std::string hostTextFromDrawing(std::string_view bytes, const std::string& codePage);
// '?' for what is no character: a surrogate, U+FFFE and U+FFFF (which XML forbids, so an SVG
// holding them would not open), or a value past U+10FFFF.
std::string utf8FromCodePoint(char32_t c);
// Bytes of a code page (an iconv name) as UTF-8; a byte it cannot read becomes '?'.
std::string utf8FromCodePage(std::string_view bytes, const std::string& iconvName);

}  // namespace hostsim

#endif
