// hostsim/shell/hostState.cpp - the host session as a whole: the module's session state and the
// served page's view put back for a fresh session, and what the services learn from the
// reference.
#include "hostsim/shell/shell.h"

#include "hostsim/help/help.h"
#include "hostsim/view/view.h"

namespace {

// The functions that give a vector: their point results are directions.
std::vector<std::string> vectorFunctionNames() {
    std::vector<std::string> names;
    for (const hostsim::FunctionReference& entry : hostsim::functionReference())
        if (entry.gives == hostsim::Gives::vector) names.push_back(entry.name);
    return names;
}

}  // namespace

namespace hostsim {

void resetHostState() {
    resetSessionState();
    forgetPageView();
    setQueryTimeSpent(0);
    useVectorFunctions(vectorFunctionNames());
}

}  // namespace hostsim
