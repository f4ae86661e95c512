// fuzz/expressionFuzzer.cpp - expression texts through evaluateStatement in the in-process host.
//
// Input: the expression up to the first line feed; the lines after it are the answers the user
// types at the picks it asks for (points, *cancel*, empty lines, garbage). An input without
// answers gets one of a few fixed scripts, chosen by its length, so that every run is repeatable.
// Every function is registered and the demo drawing is open, so picks select and snap real
// objects. After each run the host must have every list it handed out back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "functions/functions.h"
#include "host/calculator.h"
#include "hostsim/shell/shell.h"
#include "messages/messages.h"

namespace {

// Answer scripts: points on and off the demo objects, cancels, refusals and malformed answers.
const char* const answerScripts[] = {
    "0,0\n10,0\n5,5\n",
    "*cancel*\n",
    "\n",
    "1e300,-1e300\nnonsense\n3,4,5\n",
    "10,5\n10,5\n10,5\n10,5\n*cancel*\n",
    "-1000,-1000\n0,0,0\n",
};
constexpr int answerScriptCount = sizeof answerScripts / sizeof answerScripts[0];

// ---- fuzzer state: set up once for the whole run ----
double demoViewSize = 0.0;  // VIEWSIZE as the demo drawing sets it; a host reset forgets it

void ignoreCatalogueError(const char*) {
}  // the catalogue is the built one; errors are not expected

bool startHost() {
    if (openCatalogue(VECTRIN_CATALOGUE_PATH, ignoreCatalogueError) == -1) std::abort();
    hostsim::captureOutput(true);
    hostsim::openDemoDrawing();
    hostsim::QValue viewSize;
    if (!hostsim::getSysvar("VIEWSIZE", viewSize)) std::abort();
    demoViewSize = viewSize.number();
    clearFunctionTable();
    registerBuiltinFunctions();
    registerMaxFunction();
    if (ErrorCode != 0) std::abort();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = startHost();
    (void)started;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t lineEnd = input.find('\n');
    std::string expression = input.substr(0, lineEnd);
    std::string answers = lineEnd == std::string::npos ? answerScripts[size % answerScriptCount]
                                                       : input.substr(lineEnd + 1);
    hostsim::resetHostState();
    hostsim::setSysvarReal("VIEWSIZE", demoViewSize);  // reopening the drawing costs more
    hostsim::useInputText(answers);
    ErrorCode = 0;
    Value value;
    evaluateStatement(expression.c_str(), value);
    hostsim::takeOutput();
    if (hostsim::outstandingLists() != 0 || hostsim::outstandingTexts() != 0) {
        std::fprintf(stderr, "a host list or text was not released\n");
        std::abort();
    }
    return 0;
}
