// hostsim/hostState.cpp - puts the whole host back as it starts: for tests and a fresh session.
#include "hostsim/hostsim.h"

namespace hostsim {

void resetHostState() {
    resetSysvars();
    clearSymbols();
    setWorldUcs();
    releaseAllLists();
}

}  // namespace hostsim
