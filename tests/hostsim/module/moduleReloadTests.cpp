// tests/hostsim/module/moduleReloadTests.cpp - the real module loaded and unloaded again and again
// in one host, as the LOAD and UNLOAD commands do.
//
// Its own binary: it exports the kvs_* routines for the module, as hostsim does. The module is
// held open once with RTLD_NODELETE, so an unload leaves its statics as they were: a reload must
// not depend on them being fresh (a library can stay mapped after dlclose for reasons of its own).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

class ModuleReload : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(nullptr, dlopen(VECTRIN_MODULE_PATH, RTLD_NOW | RTLD_NODELETE)) << dlerror();
    }
    void SetUp() override {
        hostsim::resetHostState();
        hostsim::captureOutput(true);
        hostsim::takeOutput();
    }
    void TearDown() override {
        hostsim::unloadModule();
        hostsim::captureOutput(false);
    }
    static std::string run(const std::string& line) {
        hostsim::takeOutput();
        hostsim::runCommandLine(line);
        return hostsim::takeOutput();
    }
};

TEST_F(ModuleReload, LoadsAgainAfterAnEvaluationThatFailed) {
    struct Case {
        int line;
        const char* lastLine;
    };
    const Case cases[] = {
        {__LINE__, "(cal \"1/0\")"},  // leaves an error number behind
        {__LINE__, "(cal \"1+\")"},
        {__LINE__, "(cal \"2+3\")"},  // and one that succeeded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::loadModule(VECTRIN_MODULE_PATH)) << hostsim::takeOutput();
        run(c.lastLine);
        hostsim::unloadModule();
        ASSERT_TRUE(hostsim::loadModule(VECTRIN_MODULE_PATH)) << hostsim::takeOutput();
        EXPECT_EQ("3\n", run("(cal \"1+2\")"));
        hostsim::unloadModule();
    }
}

TEST_F(ModuleReload, FiftyCyclesLeaveNothingOutstanding) {
    for (int i = 0; i < 50; i++) {
        ASSERT_TRUE(hostsim::loadModule(VECTRIN_MODULE_PATH)) << "cycle " << i;
        EXPECT_EQ(std::to_string(i + 1) + "\n", run("(cal \"" + std::to_string(i) + "+1\")"));
        run("(cal \"END\")");  // a pick that meets the end of input and cancels
        hostsim::unloadModule();
        ASSERT_EQ(0u, hostsim::outstandingLists()) << "cycle " << i;
        ASSERT_EQ(0u, hostsim::outstandingTexts()) << "cycle " << i;
    }
}

// A name without a slash is a file in the current folder, not a library on the search path.
TEST_F(ModuleReload, LoadsANameWithoutASlashFromTheCurrentFolder) {
    const std::string path = VECTRIN_MODULE_PATH;
    const std::size_t slash = path.rfind('/');
    char previous[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(previous, sizeof previous));
    ASSERT_EQ(0, chdir(path.substr(0, slash).c_str()));
    bool loaded = hostsim::loadModule(path.substr(slash + 1));
    std::string answer = loaded ? run("(cal \"1+2\")") : "";
    hostsim::unloadModule();
    ASSERT_EQ(0, chdir(previous));
    EXPECT_TRUE(loaded);
    EXPECT_EQ("3\n", answer);
}

}  // namespace
