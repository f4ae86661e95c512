// hostsim/services/units.cpp - unit conversion for kvs_cvunit through the udunits2 database.
//
// Names arrive upper case from the module, while udunits2 is case-sensitive and mostly lower
// case, so a name is trimmed and lower-cased first. A few names that CAD users type are missing
// from the database or mean something else there ("pa" is a pico-are, "gal" an acceleration);
// the alias table below sends them to the intended unit. "SQ X" and "CU X" raise X to a power.
// The library is loaded with its database at the first conversion, not at the start: most
// sessions convert nothing.
#include "hostsim/services/services.h"

#include <dlfcn.h>
#include <udunits2.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

namespace {

struct UnitAlias {
    const char* name;        // lower case, as typed
    const char* definition;  // what udunits2 should parse instead
};

// One row per name; each definition is checked by the tests.
const UnitAlias unitAliases[] = {
    {"deg",        "degree"},
    {"degs",       "degree"},
    {"grad",       "0.9 degree"},
    {"grads",      "0.9 degree"},
    {"gradian",    "0.9 degree"},
    {"gradians",   "0.9 degree"},
    {"gon",        "0.9 degree"},
    {"gons",       "0.9 degree"},
    {"rev",        "revolution"},
    {"revs",       "revolution"},
    {"lbs",        "pound"},
    {"ounce",      "0.0625 pound"},  // the database's ounce is a rounded one, or a volume
    {"ounces",     "0.0625 pound"},
    {"oz",         "0.0625 pound"},
    {"gallon",     "231 inch^3"},    // the database's US gallon is rounded to 7 digits
    {"gallons",    "231 inch^3"},
    {"gal",        "231 inch^3"},
    {"pa",         "pascal"},
    {"mph",        "mile/hour"},
    {"kph",        "kilometer/hour"},
    {"kmh",        "kilometer/hour"},
    {"nmi",        "nautical_mile"},
    {"lightyear",  "light_year"},
    {"lightyears", "light_year"},
    {"point",      "printers_point"},
    {"points",     "printers_point"},
};

// A unit name longer than this is refused before it reaches the parser.
constexpr std::size_t maxUnitNameLength = 200;

// The routines of udunits2 the host calls, found in the library once it is loaded.
struct UnitLibrary {
    decltype(&ut_set_error_message_handler) setErrorMessageHandler;
    decltype(&ut_ignore) ignoreMessages;
    decltype(&ut_read_xml) readXml;
    decltype(&ut_free_system) freeSystem;
    decltype(&ut_parse) parse;
    decltype(&ut_free) freeUnit;
    decltype(&ut_multiply) multiply;
    decltype(&ut_raise) raise;
    decltype(&ut_are_convertible) areConvertible;
    decltype(&ut_get_converter) getConverter;
    decltype(&cv_convert_double) convertDouble;
    decltype(&cv_free) freeConverter;
};

}  // namespace

// ---- unit state: the library and its database, loaded on first use; freed at exit ----
static void* unitLibraryHandle = nullptr;  // dlopen's handle; null until loaded
static UnitLibrary ud = {};                // its routines, once loaded
static ut_system* unitSystem = nullptr;
static bool unitLoadTried = false;

static void freeUnitSystem() {
    ud.freeSystem(unitSystem);
    unitSystem = nullptr;
}

namespace {

struct UnitDeleter {
    void operator()(ut_unit* unit) const { ud.freeUnit(unit); }
};
using UnitPtr = std::unique_ptr<ut_unit, UnitDeleter>;

template <typename T>
bool findSymbol(const char* name, T& out) {
    out = reinterpret_cast<T>(dlsym(unitLibraryHandle, name));
    return out != nullptr;
}

// UDUNITS2_FILE_NAME is the library's name as the linker would have recorded it (libudunits2.so.0).
bool loadUnitLibrary() {
    unitLibraryHandle = dlopen(UDUNITS2_FILE_NAME, RTLD_NOW | RTLD_LOCAL);
    if (unitLibraryHandle == nullptr) return false;
    return findSymbol("ut_set_error_message_handler", ud.setErrorMessageHandler) &&
           findSymbol("ut_ignore", ud.ignoreMessages) && findSymbol("ut_read_xml", ud.readXml) &&
           findSymbol("ut_free_system", ud.freeSystem) && findSymbol("ut_parse", ud.parse) &&
           findSymbol("ut_free", ud.freeUnit) && findSymbol("ut_multiply", ud.multiply) &&
           findSymbol("ut_raise", ud.raise) &&
           findSymbol("ut_are_convertible", ud.areConvertible) &&
           findSymbol("ut_get_converter", ud.getConverter) &&
           findSymbol("cv_convert_double", ud.convertDouble) &&
           findSymbol("cv_free", ud.freeConverter);
}

}  // namespace

namespace hostsim {

bool unitsAvailable() {
    if (unitLoadTried) return unitSystem != nullptr;
    unitLoadTried = true;
    hostsim::flushResults();  // the notices below go straight to standard error
    if (!loadUnitLibrary()) {
        const char* reason = dlerror();
        std::fprintf(stderr, "hostsim: the unit library cannot be loaded (%s); unit conversion is off\n",
                     reason != nullptr ? reason : "a routine is missing");
        return false;
    }
    ud.setErrorMessageHandler(ud.ignoreMessages);  // failures are reported by status, not on stderr
    unitSystem = ud.readXml(nullptr);
    if (unitSystem == nullptr) {
        std::fprintf(stderr, "hostsim: the unit database cannot be read; unit conversion is off\n");
        return false;
    }
    std::atexit(freeUnitSystem);
    return true;
}

}  // namespace hostsim

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> splitWords(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) words.push_back(word);
    return words;
}

// udunits2 may answer a name it cannot read with a null unit and a success status: only the
// pointer says whether it worked.
UnitPtr parseUnit(const std::string& text) {
    if (text.empty()) return nullptr;  // udunits2 reads an empty text as the number 1
    return UnitPtr(ud.parse(unitSystem, text.c_str(), UT_ASCII));
}

// One word: an alias, the word in lower case, then as given ("N"), then capitalised ("Hz").
UnitPtr resolveWord(const std::string& word) {
    std::string lower = lowerCase(word);
    for (const UnitAlias& alias : unitAliases)
        if (lower == alias.name) return parseUnit(alias.definition);
    UnitPtr unit = parseUnit(lower);
    if (!unit) unit = parseUnit(word);
    if (!unit && !lower.empty()) {
        std::string capitalised = lower;
        capitalised[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capitalised[0])));
        unit = parseUnit(capitalised);
    }
    return unit;
}

// Several words: first as one name joined by '_' ("nautical mile"), else as their product
// ("newton meter").
UnitPtr resolveWords(const std::vector<std::string>& words, std::size_t first) {
    if (first >= words.size()) return nullptr;
    if (words.size() - first == 1) return resolveWord(words[first]);
    std::string joined = words[first];
    for (std::size_t i = first + 1; i < words.size(); ++i) joined += "_" + words[i];
    if (UnitPtr unit = resolveWord(joined)) return unit;
    UnitPtr product = resolveWord(words[first]);
    for (std::size_t i = first + 1; product && i < words.size(); ++i) {
        UnitPtr factor = resolveWord(words[i]);
        if (!factor) return nullptr;
        product.reset(ud.multiply(product.get(), factor.get()));
    }
    return product;
}

int powerWord(const std::string& word) {
    std::string lower = lowerCase(word);
    if (lower == "sq" || lower == "square") return 2;
    if (lower == "cu" || lower == "cubic") return 3;
    return 1;
}

// Printable ASCII and blanks only: udunits2 reads "inch" out of "inch\xe9" and ignores the rest.
bool plainText(const std::string& text) {
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b > 0x7E || (b < 0x20 && !std::isspace(b))) return false;
    }
    return true;
}

// A unit name of one or more words; "SQ X" and "CU X" are X squared and cubed.
UnitPtr resolveUnitName(const char* name) {
    if (name == nullptr) return nullptr;
    std::size_t length = strnlen(name, maxUnitNameLength + 1);
    if (length > maxUnitNameLength) return nullptr;
    std::string text(name, length);
    if (!plainText(text)) return nullptr;
    std::vector<std::string> words = splitWords(text);
    if (words.empty()) return nullptr;
    int power = powerWord(words[0]);
    if (power > 1 && words.size() == 1) return nullptr;  // "CU" alone would read as a mass
    UnitPtr base = resolveWords(words, power > 1 ? 1 : 0);
    if (!base || power == 1) return base;
    return UnitPtr(ud.raise(base.get(), power));
}

}  // namespace

extern "C" int kvs_cvunit(double value, const char* fromUnit, const char* toUnit, double* result) {
    hostsim::ErrnoGuard keepErrno;
    if (result == nullptr || !hostsim::unitsAvailable()) return KVS_RTERROR;
    UnitPtr from = resolveUnitName(fromUnit);
    UnitPtr to = resolveUnitName(toUnit);
    if (!from || !to || !ud.areConvertible(from.get(), to.get())) return KVS_RTERROR;
    cv_converter* converter = ud.getConverter(from.get(), to.get());
    if (converter == nullptr) return KVS_RTERROR;
    double converted = ud.convertDouble(converter, value);
    ud.freeConverter(converter);
    if (!std::isfinite(converted)) return KVS_RTERROR;
    *result = converted;
    return KVS_RTNORM;
}
