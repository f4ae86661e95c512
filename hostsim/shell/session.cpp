// hostsim/shell/session.cpp - the host session as a whole: the module's session state and the
// served page's view put back for a fresh session.
#include "hostsim/shell/shell.h"

#include "hostsim/view/view.h"

namespace hostsim {

void resetHostState() {
    resetSessionState();
    forgetPageView();
}

}  // namespace hostsim
