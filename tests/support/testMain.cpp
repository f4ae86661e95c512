// tests/support/testMain.cpp - the main of every GoogleTest binary: standard input is /dev/null.
//
// A prompt that a test leaves unanswered then meets the end of input, as it does in CI, rather
// than waiting on the terminal of whoever runs the tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    int nothing = open("/dev/null", O_RDONLY);
    if (nothing < 0 || dup2(nothing, STDIN_FILENO) < 0) {
        std::perror("tests: /dev/null as standard input");
        return 2;
    }
    if (nothing != STDIN_FILENO) close(nothing);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
