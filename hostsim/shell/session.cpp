// hostsim/shell/session.cpp - the host session as a whole: Quillet connected to the host's
// system variables and the module's functions, point answers to LASTPOINT and ANGBASE, and every
// default put back for a fresh session.
#include "hostsim/shell/shell.h"

#include "hostsim/view/view.h"

namespace {

bool setVariable(const std::string& name, const hostsim::QValue& value) {
    return hostsim::setSysvar(name, value) == KVS_RTNORM;
}

const hostsim::QuilletHost quilletHost = {
    hostsim::getSysvar,
    setVariable,
    hostsim::isFunctionDefined,
    hostsim::invokeFunction,
};

}  // namespace

namespace hostsim {

void resetHostState() {
    connectQuillet(quilletHost);
    usePointAnswerBase(pointAnswerBase);
    resetSysvars();
    clearSymbols();
    setWorldUcs();
    releaseAllLists();
    clearMarks();
    forgetPageView();
}

}  // namespace hostsim
