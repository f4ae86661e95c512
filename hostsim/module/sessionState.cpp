// hostsim/module/sessionState.cpp - a fresh host session: Quillet connected to the host's system
// variables and the module's functions, point answers to LASTPOINT and ANGBASE, and every
// default put back.
#include "hostsim/module/module.h"

namespace {

bool setVariable(const std::string& name, const hostsim::QValue& value) {
    return hostsim::setSysvar(name, value) == KVS_RTNORM;
}

const hostsim::QuilletHost quilletHost = {
    hostsim::getSysvar,         setVariable,
    hostsim::sysvarBound,  // what a refusal to set a variable says
    hostsim::isFunctionDefined, hostsim::invokeFunction,
};

}  // namespace

namespace hostsim {

void resetSessionState() {
    connectQuillet(quilletHost);
    usePointAnswerBase(pointAnswerBase);
    resetSysvars();
    clearSymbols();
    setWorldUcs();
    releaseAllLists();
    clearMarks();
    dropNoticesAfterModule();
    forgetHintsGiven();
}

}  // namespace hostsim
