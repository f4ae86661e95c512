// engine/errors.cpp - ErrorCode, the one reporter and the overflow test of every value.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "contract/kvs.h"
#include "engine/engine.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

// ---- error state: one evaluation at a time, on the host's thread ----
int ErrorCode = 0;
constexpr int reportTextSize = 512;      // terminator included; a longer text is cut
static char reportText[reportTextSize];  // the text of the report being printed

namespace {

// Prints a catalogue text as a format that takes at most one text argument. Only "%s" and
// "%%" are expanded: a catalogue can be replaced by the user, so its texts are never handed
// to printf as formats, where a stray "%d" or "%n" would read or write arbitrary memory.
void printCatalogueFormat(const char* format, const char* argument) {
    if (format == nullptr) return;
    bool argumentUsed = false;
    const char* run = format;
    for (const char* p = format; *p != '\0'; p++) {
        if (p[0] != '%' || (p[1] != 's' && p[1] != '%')) continue;
        kvs_printf("%.*s", static_cast<int>(p - run), run);
        if (p[1] == '%') {
            kvs_printf("%%");
        } else if (!argumentUsed) {
            kvs_printf("%s", argument);
            argumentUsed = true;
        }
        p++;
        run = p + 1;
    }
    kvs_printf("%s", run);
}

bool isOverflow(double d) { return std::isinf(d) || std::isnan(d); }

// Beyond every finite double but the largest: where a range error means overflow. The library
// also reports a result that underflows to zero or a subnormal as a range error.
bool isHuge(double d) { return !(std::fabs(d) < DBL_MAX); }

bool hasHugePart(const Value& value) {
    if (value.kind != ValueKind::Vector) return isHuge(value.num);
    return isHuge(value.x) || isHuge(value.y) || isHuge(value.z);
}

}  // namespace

void reportError(int code, const char* text) {
    token = Token::End;  // every parsing loop above the failure sees the end and stops
    if (ErrorCode != 0) return;
    if (code != 0) {
        ErrorCode = code;
    } else {
        ErrorCode = generalError;
        if (text == nullptr) return;  // the silent error: a cancelled pick
    }
    // The text may be a catalogue text: copied first, as the lookups below may flush its block.
    std::snprintf(reportText, sizeof reportText, "%s", text != nullptr ? text : "");
    printCatalogueFormat(getMessage(errorModule, errorHeading), "");
    if (code == 0) {
        kvs_printf("%s", reportText);
        kvs_printf(".\n\n");
    } else if (code >= 1 && code <= lastErrorNumber) {
        printCatalogueFormat(getMessage(errorModule, code), reportText);
        kvs_printf(".\n\n");
    } else {
        kvs_printf("%d\n\n", code);
    }
}

bool checkValueFully(const Value& value, int code) {
    if (ErrorCode != 0) return false;
    if (code == 0) code = errorOverflow;
    // An underflow is a usable answer. errno is cleared so that no later step of the
    // evaluation (the next numeral, the next check) takes it for a failure of its own.
    if (errno == ERANGE && !hasHugePart(value)) errno = 0;
    bool failed = errno == EDOM || errno == ERANGE;
    if (value.kind == ValueKind::Vector) {
        failed = failed || isOverflow(value.x) || isOverflow(value.y) || isOverflow(value.z);
    } else {
        failed = failed || isOverflow(value.num);
    }
    if (failed) reportError(code, nullptr);
    return !failed;
}
