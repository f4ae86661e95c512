// tests/hostsim/console/outputTests.cpp - kvs_printf through the host's output channel.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/shell/shell.h"

TEST(Output, CapturesFormattedTextOfAnyLength) {
    const std::string longText(100000, 'x');
    struct Case {
        int line;
        int printed;
        std::string want;
    };
    hostsim::captureOutput(true);
    hostsim::takeOutput();
    const Case cases[] = {
        {__LINE__, kvs_printf("%d+%s=%5.2f\n", 1, "two", 3.0), "1+two= 3.00\n"},
        {__LINE__, kvs_printf("%s", ""), ""},
        {__LINE__, kvs_printf("%s|", longText.c_str()), longText + "|"},
        {__LINE__, kvs_printf("100%%"), "100%"},
    };
    std::string all;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(static_cast<int>(c.want.size()), c.printed);
        all += c.want;
    }
    EXPECT_EQ(all, hostsim::takeOutput());
    EXPECT_EQ("", hostsim::takeOutput());  // taking clears
    hostsim::printText("host text");
    EXPECT_EQ("host text", hostsim::takeOutput());
    hostsim::captureOutput(false);
}
