// hostsim/services/units.cpp - unit conversion for kvs_cvunit through the udunits2 database.
//
// udunits2 is case-sensitive (Mm is a megametre, mm a millimetre, MPa and kN are written so), so
// a name is tried as written first, then in lower case ("INCH", "MM" from older scripts), then
// capitalised ("HZ" as Hz); of two names, the first pair of spellings that are of one kind is
// converted. A few names that CAD users type are missing from the database or mean something
// else there ("pa" is a pico-are, "gal" an acceleration); the alias table below sends them to the
// intended unit. "SQ X" and "CU X" raise X to a power. Temperatures are converted here, exactly:
// see temperatureScales. A failure leaves a notice that names the unknown unit, or says that the
// two are not of one kind. The library is loaded with its database at the first conversion, not
// at the start: most sessions convert nothing.
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
    {"deg", "degree"},
    {"degs", "degree"},
    {"grad", "0.9 degree"},
    {"grads", "0.9 degree"},
    {"gradian", "0.9 degree"},
    {"gradians", "0.9 degree"},
    {"gon", "0.9 degree"},
    {"gons", "0.9 degree"},
    {"rev", "revolution"},
    {"revs", "revolution"},
    {"lbs", "pound"},
    {"ounce", "0.0625 pound"},  // the database's ounce is a rounded one, or a volume
    {"ounces", "0.0625 pound"},
    {"oz", "0.0625 pound"},
    {"gallon", "231 inch^3"},  // the database's US gallon is rounded to 7 digits
    {"gallons", "231 inch^3"},
    {"gal", "231 inch^3"},
    {"pa", "pascal"},
    {"mph", "mile/hour"},
    {"kph", "kilometer/hour"},
    {"kmh", "kilometer/hour"},
    {"nmi", "nautical_mile"},
    {"lightyear", "light_year"},
    {"lightyears", "light_year"},
    {"point", "printers_point"},
    {"points", "printers_point"},
};

// Temperature scales are converted here and not by udunits2, whose database gives the degree
// Fahrenheit as 0.555555555555556 kelvin and converts through kelvin, so that 20 Celsius came out
// as 67.9999999999999 Fahrenheit. Each scale is the size of its degree in ninths of a kelvin and
// what it reads at 0 degrees Celsius: a conversion rounds three times, and a reading that is
// exact on both scales (20 and 68) converts exactly.
struct TemperatureScale {
    const char* names;  // lower case, the words of a name joined by '_', each between '|'
    double ninthsOfKelvin;
    double atFreezing;
};

const TemperatureScale temperatureScales[] = {
    {"|kelvin|kelvins|k|degk|deg_k|degree_kelvin|degrees_kelvin|", 9, 273.15},
    {"|celsius|degc|deg_c|degree_c|degree_celsius|degrees_celsius|", 9, 0},
    {"|fahrenheit|degf|deg_f|degree_f|degree_fahrenheit|degrees_fahrenheit|", 5, 32},
    {"|rankine|degr|deg_r|degree_r|degree_rankine|degrees_rankine|", 5, 491.67},
};

// A unit name longer than this is refused before it reaches the parser.
constexpr std::size_t maxUnitNameLength = 200;
constexpr std::size_t shownNameLength = 40;  // a notice quotes a longer name cut to this

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
    decltype(&ut_format) format;
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
           findSymbol("cv_free", ud.freeConverter) && findSymbol("ut_format", ud.format);
}

}  // namespace

namespace hostsim {

bool unitsAvailable() {
    if (unitLoadTried) return unitSystem != nullptr;
    unitLoadTried = true;
    hostsim::flushResults();  // the notices below go straight to standard error
    if (!loadUnitLibrary()) {
        const char* reason = dlerror();
        std::fprintf(stderr,
                     "hostsim: the unit library cannot be loaded (%s); unit conversion is off\n",
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

// How the words of a name are tried: as written, in lower case, or capitalised ("Hz").
enum class Spelling { asWritten, lower, capitalised };
constexpr Spelling spellings[] = {Spelling::asWritten, Spelling::lower, Spelling::capitalised};

std::string spelt(const std::string& word, Spelling spelling) {
    if (spelling == Spelling::asWritten) return word;
    std::string lower = lowerCase(word);
    if (spelling == Spelling::capitalised && !lower.empty())
        lower[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(lower[0])));
    return lower;
}

// One word: an alias (in any case), else the word in the spelling asked for.
UnitPtr resolveWord(const std::string& word, Spelling spelling) {
    std::string lower = lowerCase(word);
    for (const UnitAlias& alias : unitAliases)
        if (lower == alias.name) return parseUnit(alias.definition);
    return parseUnit(spelt(word, spelling));
}

// Several words: first as one name joined by '_' ("nautical mile"), else as their product
// ("newton meter").
UnitPtr resolveWords(const std::vector<std::string>& words, std::size_t first, Spelling spelling) {
    if (first >= words.size()) return nullptr;
    if (words.size() - first == 1) return resolveWord(words[first], spelling);
    std::string joined = words[first];
    for (std::size_t i = first + 1; i < words.size(); ++i) joined += "_" + words[i];
    if (UnitPtr unit = resolveWord(joined, spelling)) return unit;
    UnitPtr product = resolveWord(words[first], spelling);
    for (std::size_t i = first + 1; product && i < words.size(); ++i) {
        UnitPtr factor = resolveWord(words[i], spelling);
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

// The words of a unit name the parser may be given; none for a name that is too long or holds
// what is not plain text.
std::vector<std::string> unitWords(const char* name) {
    if (name == nullptr) return {};
    std::size_t length = strnlen(name, maxUnitNameLength + 1);
    if (length > maxUnitNameLength) return {};
    std::string text(name, length);
    if (!plainText(text)) return {};
    return splitWords(text);
}

// A unit name of one or more words, in one spelling; "SQ X" and "CU X" are X squared and cubed.
UnitPtr resolveUnitName(const std::vector<std::string>& words, Spelling spelling) {
    if (words.empty()) return nullptr;
    int power = powerWord(words[0]);
    if (power > 1 && words.size() == 1) return nullptr;  // "CU" alone would read as a mass
    UnitPtr base = resolveWords(words, power > 1 ? 1 : 0, spelling);
    if (!base || power == 1) return base;
    return UnitPtr(ud.raise(base.get(), power));
}

// Every spelling of the name that the database reads, as written first.
std::vector<UnitPtr> unitsNamed(const std::vector<std::string>& words) {
    std::vector<UnitPtr> units;
    for (Spelling spelling : spellings)
        if (UnitPtr unit = resolveUnitName(words, spelling)) units.push_back(std::move(unit));
    return units;
}

const TemperatureScale* temperatureScale(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : "_") + lowerCase(word);
    if (joined.empty()) return nullptr;
    for (const TemperatureScale& scale : temperatureScales)
        if (std::strstr(scale.names, ("|" + joined + "|").c_str()) != nullptr) return &scale;
    return nullptr;
}

double convertTemperature(double value, const TemperatureScale& from, const TemperatureScale& to) {
    return (value - from.atFreezing) * from.ninthsOfKelvin / to.ninthsOfKelvin + to.atFreezing;
}

// What a unit is made of, in the database's base units ("m", "kg.m-2"), for a notice.
std::string baseUnitsOf(const ut_unit* unit) {
    char text[128];
    int length = ud.format(unit, text, sizeof text, UT_ASCII | UT_DEFINITION);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) return "?";
    std::string units(text, static_cast<std::size_t>(length));
    units = units.substr(0, units.find(" @"));  // an offset is no part of the kind
    std::size_t numberEnd = units.find_first_not_of("0123456789.e+- ");
    units = numberEnd == std::string::npos ? "" : units.substr(numberEnd);
    return units.empty() || units == "1" ? "a pure number" : units;
}

std::string shownName(const char* name) {
    std::string text = name != nullptr ? hostsim::trimmed(name) : "";
    if (text.size() > shownNameLength) text = text.substr(0, shownNameLength - 3) + "...";
    return "\"" + text + "\"";
}

void noteUnknownUnit(const char* name) {
    hostsim::noticeAfterModuleText("No unit is named " + shownName(name) +
                                   " (unit names come from udunits2; see HELP CVUNIT).");
}

}  // namespace

extern "C" int kvs_cvunit(double value, const char* fromUnit, const char* toUnit, double* result) {
    hostsim::ErrnoGuard keepErrno;
    if (result == nullptr || !hostsim::unitsAvailable()) return KVS_RTERROR;
    std::vector<std::string> fromWords = unitWords(fromUnit), toWords = unitWords(toUnit);
    const TemperatureScale* fromScale = temperatureScale(fromWords);
    const TemperatureScale* toScale = temperatureScale(toWords);
    if (fromScale != nullptr && toScale != nullptr) {
        *result = convertTemperature(value, *fromScale, *toScale);
        return std::isfinite(*result) ? KVS_RTNORM : KVS_RTERROR;
    }
    std::vector<UnitPtr> froms = unitsNamed(fromWords), tos = unitsNamed(toWords);
    if (froms.empty()) noteUnknownUnit(fromUnit);
    if (tos.empty()) noteUnknownUnit(toUnit);
    for (const UnitPtr& from : froms) {
        for (const UnitPtr& to : tos) {
            if (!ud.areConvertible(from.get(), to.get())) continue;
            cv_converter* converter = ud.getConverter(from.get(), to.get());
            if (converter == nullptr) return KVS_RTERROR;
            double converted = ud.convertDouble(converter, value);
            ud.freeConverter(converter);
            if (!std::isfinite(converted)) return KVS_RTERROR;
            *result = converted;
            return KVS_RTNORM;
        }
    }
    if (!froms.empty() && !tos.empty())
        hostsim::noticeAfterModuleText(shownName(fromUnit) + " and " + shownName(toUnit) +
                                       " are not of one kind (" + baseUnitsOf(froms[0].get()) +
                                       " against " + baseUnitsOf(tos[0].get()) + ").");
    return KVS_RTERROR;
}
