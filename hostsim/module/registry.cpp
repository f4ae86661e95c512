// hostsim/module/registry.cpp - the names the module defines, and the calls the host makes to them.
//
// kvs_defun ties a name to a function code; kvs_regfunc ties a code to a handler. The host calls
// a name through its code's handler, or, for a code without one, sends message 5 while the code
// is current. Arguments and result belong to the call in progress.
#include "hostsim/module/module.h"

#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace {

using hostsim::QValue;

// The invocation in progress: what kvs_getfuncode, kvs_getargs and kvs_ret* work on.
struct Invocation {
    int code = -1;
    ResultBuffer* arguments = nullptr;  // the host's list, released when the call returns
    QValue result;
};

// Calls nest only if a handler makes the host evaluate again; a cap keeps that finite.
constexpr std::size_t maxNestedCalls = 16;

// A name the host's command line and Quillet reader can both take: no blanks, parentheses,
// quotes or control characters.
bool validFunctionName(const char* name) {
    if (name == nullptr || *name == '\0') return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != '\0'; ++p) {
        if (*p <= ' ' || *p == 0x7F || std::strchr("()'\";|", *p) != nullptr) return false;
    }
    return std::strcmp(name, "C:") != 0;
}

}  // namespace

// ---- registry state: the module's names and handlers, and the calls in progress ----
static std::map<std::string, int> functionCodes;    // upper-case name -> function code
static std::map<int, KvsHandler> functionHandlers;  // code -> handler from kvs_regfunc
static std::vector<Invocation> invocations;         // innermost call last

namespace {

// The text a call was given to evaluate, as (cal "...") passes it; empty for any other call.
std::string expressionArgument(const std::vector<QValue>& arguments) {
    return arguments.size() == 1 && arguments[0].kind == QValue::Kind::Text ? arguments[0].text
                                                                            : std::string();
}

Invocation* currentInvocation() { return invocations.empty() ? nullptr : &invocations.back(); }

// Runs one invocation: its handler, or message 5 with its code current.
void dispatch(int code) {
    auto handler = functionHandlers.find(code);
    if (handler != functionHandlers.end()) {
        handler->second();
    } else {
        hostsim::sendInvokeMessage();
    }
}

int setResult(const QValue& value) {
    Invocation* call = currentInvocation();
    if (call == nullptr) return KVS_RTERROR;
    call->result = value;
    return KVS_RTNORM;
}

}  // namespace

namespace hostsim {

bool isFunctionDefined(const std::string& name) {
    return functionCodes.count(upperName(name)) != 0;
}

std::vector<DefinedFunction> definedFunctions() {
    std::vector<DefinedFunction> all;
    for (const auto& entry : functionCodes) all.push_back({entry.first, entry.second});
    return all;
}

// A localised name is told by its handler, which is CAL's; the host knows no language's words.
std::vector<std::string> calculatorNames() {
    const char* const fixedNames[] = {"CAL", "C:CAL"};
    std::set<KvsHandler> calculatorHandlers;
    for (const char* fixed : fixedNames) {
        auto code = functionCodes.find(fixed);
        if (code == functionCodes.end()) continue;
        auto handler = functionHandlers.find(code->second);
        if (handler != functionHandlers.end()) calculatorHandlers.insert(handler->second);
    }
    std::vector<std::string> names;
    for (const auto& [name, code] : functionCodes) {
        auto handler = functionHandlers.find(code);
        if (name == fixedNames[0] || name == fixedNames[1] ||
            (handler != functionHandlers.end() && calculatorHandlers.count(handler->second) != 0))
            names.push_back(name);
    }
    return names;
}

void forgetModuleFunctions() {
    functionCodes.clear();
    functionHandlers.clear();
}

bool invokeFunction(const std::string& name, const std::vector<QValue>& arguments, QValue& result,
                    std::string& error) {
    auto found = functionCodes.find(upperName(name));
    if (found == functionCodes.end()) {
        error = "no function " + upperName(name);
        return false;
    }
    if (invocations.size() >= maxNestedCalls) {
        error = "calls nested too deeply";
        return false;
    }
    Invocation call;
    call.code = found->second;
    if (!argumentsToList(arguments, &call.arguments)) {
        error = "an argument of " + found->first + " is a list the module cannot take";
        return false;
    }
    bool outermost = invocations.empty();
    if (outermost) beginEvaluation(expressionArgument(arguments));
    invocations.push_back(call);  // result starts nil
    dispatch(call.code);
    printNoticesAfterModule();
    result = std::move(invocations.back().result);
    kvs_relrb(invocations.back().arguments);
    invocations.pop_back();
    if (outermost) endEvaluation(result);
    if (invocations.empty()) finishModuleCall();
    return true;
}

}  // namespace hostsim

// A name is kept upper case; defining it again moves it to the new code.
extern "C" int kvs_defun(const char* name, int functionCode) {
    hostsim::ErrnoGuard keepErrno;
    if (!validFunctionName(name) || functionCode < 0) return KVS_RTERROR;
    functionCodes[hostsim::upperName(name)] = functionCode;
    return KVS_RTNORM;
}

// A NULL handler takes the code's handler away: the code goes back to message 5.
extern "C" int kvs_regfunc(KvsHandler handler, int functionCode) {
    hostsim::ErrnoGuard keepErrno;
    if (functionCode < 0) return KVS_RTERROR;
    if (handler == nullptr) {
        functionHandlers.erase(functionCode);
    } else {
        functionHandlers[functionCode] = handler;
    }
    return KVS_RTNORM;
}

extern "C" int kvs_getfuncode(void) {
    const Invocation* call = currentInvocation();
    return call != nullptr ? call->code : KVS_RTERROR;
}

extern "C" ResultBuffer* kvs_getargs(void) {
    const Invocation* call = currentInvocation();
    return call != nullptr ? call->arguments : nullptr;
}

extern "C" int kvs_retnil(void) {
    hostsim::ErrnoGuard keepErrno;
    return setResult(QValue::nil());
}

extern "C" int kvs_retreal(double value) {
    hostsim::ErrnoGuard keepErrno;
    return setResult(QValue::real(value));
}

extern "C" int kvs_retint(int value) {
    hostsim::ErrnoGuard keepErrno;
    return setResult(QValue::integer(value));
}

extern "C" int kvs_retpoint(const double point[3]) {
    hostsim::ErrnoGuard keepErrno;
    if (point == nullptr) return KVS_RTERROR;
    return setResult(QValue::point(point[0], point[1], point[2]));
}
