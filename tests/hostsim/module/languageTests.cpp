// tests/hostsim/module/languageTests.cpp - the module file a locale or a language asks for.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/shell/shell.h"

namespace {

TEST(Language, LocalesNameTheModuleOfTheirLanguage) {
    struct Case {
        int line;
        const char* locale;
        const char* moduleFile;
    };
    const Case cases[] = {
        {__LINE__, "de_DE.UTF-8", "vectrin.de.so"}, {__LINE__, "de", "vectrin.de.so"},
        {__LINE__, "DE_at@euro", "vectrin.de.so"},  {__LINE__, "fr_FR.ISO-8859-1", "vectrin.fr.so"},
        {__LINE__, "en_GB.UTF-8", "vectrin.so"},    {__LINE__, "C.UTF-8", "vectrin.so"},
        {__LINE__, "POSIX", "vectrin.so"},          {__LINE__, "", "vectrin.so"},
        {__LINE__, "../../tmp/x", "vectrin.so"},  // never a path of its own
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.moduleFile, hostsim::moduleFileName(hostsim::localeLanguage(c.locale)));
    }
}

}  // namespace
