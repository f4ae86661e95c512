// hostsim/services/calculatorHints.cpp - what the host adds to two of the calculator's failures:
// how to write a number past its 16-bit integers, and that a name called like a function is
// neither a function nor a variable, with the function nearest it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "hostsim/services/services.h"

// ---- hint state: the text the module was last given, and what was said once ----
static std::string givenText;              // the expression of the evaluation in progress
static bool wholeNumberHintGiven = false;  // said once a session

namespace {

// The names an expression calls like a function: the calculator's functions and its keywords.
const char* const callableNames[] = {
#define CALCULATOR_FUNCTION(name, ...) name,
#include "functions/functionList.h"
#undef CALCULATOR_FUNCTION
    "GETVAR",
    "CVUNIT",
};

constexpr int largestInteger = 32767;

bool isNameStart(char c) { return kvs_isalpha(static_cast<unsigned char>(c)) != 0; }
bool isNameChar(char c) { return kvs_isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A numeral from text[i] on: digits, a fraction, an exponent. whole: it has neither a point nor
// an exponent, so the calculator takes it for an integer.
std::size_t numeralEnd(const std::string& text, std::size_t i, bool& whole) {
    whole = true;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i < text.size() && text[i] == '.') {
        whole = false;
        for (++i; i < text.size() && isDigit(text[i]);) ++i;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && isDigit(text[exponent])) {
            whole = false;
            for (i = exponent; i < text.size() && isDigit(text[i]);) ++i;
        }
    }
    return i;
}

bool pastIntegers(const std::string& digits) {
    std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    std::string significant = digits.substr(first);
    return significant.size() > 5 ||
           (significant.size() == 5 && significant > std::to_string(largestInteger));
}

// The first whole number in the text past the calculator's integers (40000), as written; empty
// when there is none. Names and quoted names are passed over; the feet mark after a number is no
// quote.
std::string wholeNumberPastIntegers(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        if (isDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && isDigit(text[i + 1]))) {
            bool whole = true;
            std::size_t end = numeralEnd(text, i, whole);
            if (whole && pastIntegers(text.substr(i, end - i))) return text.substr(i, end - i);
            i = end;
            // a unit mark: degrees, grads, radians, or feet (no quoted name)
            if (i < text.size() && std::strchr("dDgGrR'", text[i]) != nullptr) ++i;
        } else if (isNameStart(text[i])) {
            while (i < text.size() && isNameChar(text[i])) ++i;
        } else if (text[i] == '\'') {
            std::size_t close = text.find('\'', i + 1);
            i = close == std::string::npos ? text.size() : close + 1;
        } else {
            ++i;
        }
    }
    return "";
}

// Whether the text calls name (upper case) like a function: the name, whole, then '('.
bool calledLikeFunction(const std::string& text, const std::string& name) {
    std::string upper = hostsim::upperName(text);
    for (std::size_t at = upper.find(name); at != std::string::npos;
         at = upper.find(name, at + 1)) {
        std::size_t end = at + name.size();
        if (at > 0 && isNameChar(upper[at - 1])) continue;
        if (end < upper.size() && isNameChar(upper[end])) continue;
        std::size_t next = upper.find_first_not_of(' ', end);
        if (next != std::string::npos && upper[next] == '(') return true;
    }
    return false;
}

// Edits (a character put in, left out, changed, or two swapped) that make a into b.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t changed = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, changed});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The function a mistyped name most likely meant: one edit away (DST, SQTR), two for a longer
// name, or a name that starts with a function's (DISTANCE, ROTATE); of two as near, the one of
// the name's length (SQTR is SQRT swapped sooner than SQR with a letter more). Empty when none
// is near.
std::string nearestFunction(const std::string& name) {
    std::string nearest;
    std::size_t best = 3, bestLengthGap = 0;
    for (const char* candidate : callableNames) {
        std::size_t length = std::strlen(candidate);
        std::size_t edits = editDistance(name, candidate);
        if (length >= 3 && name.compare(0, length, candidate) == 0)
            edits = std::min<std::size_t>(edits, 1);
        std::size_t lengthGap = length > name.size() ? length - name.size() : name.size() - length;
        if (edits < best || (edits == best && lengthGap < bestLengthGap)) {
            best = edits;
            bestLengthGap = lengthGap;
            nearest = candidate;
        }
    }
    bool near = best <= 1 || (best == 2 && name.size() >= 6);
    return near ? nearest : "";
}

}  // namespace

namespace hostsim {

void noteExpressionGiven(const std::string& text) {
    givenText = text;
    if (wholeNumberHintGiven) return;
    std::string number = wholeNumberPastIntegers(text);
    if (number.empty()) return;
    wholeNumberHintGiven = true;
    noticeAfterModuleText(
        "Whole numbers are integers from -32768 to 32767; write a larger one as "
        "a real, with a point: " +
        number + ".0.");
}

void noteNameWithoutValue(const std::string& name) {
    std::string upper = upperName(name);
    if (!calledLikeFunction(givenText, upper)) return;
    std::string nearest = nearestFunction(upper);
    noticeAfterModuleText(upper + " is neither a function nor a variable" +
                          (nearest.empty() ? "." : "; the nearest function is " + nearest + "."));
}

void forgetHintsGiven() {
    givenText.clear();
    wholeNumberHintGiven = false;
}

}  // namespace hostsim
