// hostsim/quillet/evaluator.cpp - the Quillet evaluator: the forms and functions the host offers,
// and every function the module defined.
//
// A list is a call: its head names a special form (arguments not evaluated), a host function
// or a module function (arguments evaluated left to right). Numbers, texts and nil stand for
// themselves; a symbol stands for its value; T for itself.
#include "hostsim/quillet/quillet.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace {

using hostsim::QValue;
using Arguments = std::vector<QValue>;

// ---- evaluator state: the host around the interpreter, set by connectQuillet ----
hostsim::QuilletHost connectedHost = {nullptr, nullptr, nullptr, nullptr, nullptr};

// One evaluation: the first error and how deep the forms go. Nothing outlives evaluateQuillet.
struct Evaluation {
    std::string error;
};

bool fail(Evaluation& e, const std::string& message) {
    if (e.error.empty()) e.error = message;
    return false;
}

bool evaluate(Evaluation& e, const QValue& form, QValue& out, int depth);

bool checkCount(Evaluation& e, const std::string& name, const Arguments& args, std::size_t least,
                std::size_t most) {
    if (args.size() < least) return fail(e, "too few arguments to " + name);
    if (args.size() > most) return fail(e, "too many arguments to " + name);
    return true;
}

// ---- arithmetic: integers stay integers while every operand is one ----

enum class Operation { Add, Subtract, Multiply, Divide };

bool combineIntegers(Evaluation& e, const std::string& name, Operation op, int32_t a, int32_t b,
                     int32_t& out) {
    int64_t wide = 0;
    switch (op) {
        case Operation::Add: wide = int64_t{a} + b; break;
        case Operation::Subtract: wide = int64_t{a} - b; break;
        case Operation::Multiply: wide = int64_t{a} * b; break;
        case Operation::Divide:
            if (b == 0) return fail(e, "division by zero");
            wide = int64_t{a} / b;  // truncates toward zero, as Quillet's / on integers does
            break;
    }
    // A result past 32 bits is refused rather than wrapped: a wrong number is worse than none.
    if (wide < INT32_MIN || wide > INT32_MAX) return fail(e, "integer overflow in " + name);
    out = static_cast<int32_t>(wide);
    return true;
}

bool combineReals(Evaluation& e, Operation op, double a, double b, double& out) {
    switch (op) {
        case Operation::Add: out = a + b; break;
        case Operation::Subtract: out = a - b; break;
        case Operation::Multiply: out = a * b; break;
        case Operation::Divide:
            if (b == 0.0) return fail(e, "division by zero");
            out = a / b;
            break;
    }
    return true;
}

bool combine(Evaluation& e, const std::string& name, Operation op, const QValue& a, const QValue& b,
             QValue& out) {
    if (a.kind == QValue::Kind::Int && b.kind == QValue::Kind::Int) {
        int32_t result = 0;
        if (!combineIntegers(e, name, op, a.intValue, b.intValue, result)) return false;
        out = QValue::integer(result);
        return true;
    }
    double result = 0.0;
    if (!combineReals(e, op, a.number(), b.number(), result)) return false;
    out = QValue::real(result);
    return true;
}

// (+ a b ...), (- a b ...), (* ...), (/ ...): folded left to right. (- a) negates, (+) is 0,
// (*) is 1; - and / need at least one operand.
bool arithmetic(Evaluation& e, const std::string& name, Operation op, const Arguments& args,
                QValue& out) {
    for (const QValue& arg : args)
        if (!arg.isNumber())
            return fail(e, "bad argument type for " + name + ": " + hostsim::formatValue(arg));
    bool needsOperand = op == Operation::Subtract || op == Operation::Divide;
    if (needsOperand && !checkCount(e, name, args, 1, SIZE_MAX)) return false;
    QValue identity = QValue::integer(op == Operation::Multiply ? 1 : 0);
    if (args.empty()) {
        out = identity;
        return true;
    }
    if (args.size() == 1 && op == Operation::Subtract)
        return combine(e, name, op, identity, args[0], out);
    QValue result = args[0];
    for (std::size_t i = 1; i < args.size(); ++i)
        if (!combine(e, name, op, result, args[i], result)) return false;
    out = result;
    return true;
}

// ---- host functions ----

bool addFunction(Evaluation& e, const Arguments& args, QValue& out) {
    return arithmetic(e, "+", Operation::Add, args, out);
}
bool subtractFunction(Evaluation& e, const Arguments& args, QValue& out) {
    return arithmetic(e, "-", Operation::Subtract, args, out);
}
bool multiplyFunction(Evaluation& e, const Arguments& args, QValue& out) {
    return arithmetic(e, "*", Operation::Multiply, args, out);
}
bool divideFunction(Evaluation& e, const Arguments& args, QValue& out) {
    return arithmetic(e, "/", Operation::Divide, args, out);
}

bool getvarFunction(Evaluation& e, const Arguments& args, QValue& out) {
    if (!checkCount(e, "GETVAR", args, 1, 1)) return false;
    if (args[0].kind != QValue::Kind::Text)
        return fail(e, "bad argument type for GETVAR: " + hostsim::formatValue(args[0]));
    if (connectedHost.getVariable == nullptr || !connectedHost.getVariable(args[0].text, out))
        out = QValue::nil();  // an unknown name gives nil
    return true;
}

bool setvarFunction(Evaluation& e, const Arguments& args, QValue& out) {
    if (!checkCount(e, "SETVAR", args, 2, 2)) return false;
    if (args[0].kind != QValue::Kind::Text)
        return fail(e, "bad argument type for SETVAR: " + hostsim::formatValue(args[0]));
    if (connectedHost.setVariable == nullptr || !connectedHost.setVariable(args[0].text, args[1])) {
        const char* bound = connectedHost.variableBound != nullptr
                                ? connectedHost.variableBound(args[0].text)
                                : nullptr;
        return fail(e, "cannot set system variable " + hostsim::upperName(args[0].text) + " to " +
                           hostsim::formatValue(args[1]) +
                           (bound ? std::string(": ") + bound : ""));
    }
    return connectedHost.getVariable != nullptr && connectedHost.getVariable(args[0].text, out);
}

bool listFunction(Evaluation&, const Arguments& args, QValue& out) {
    out = QValue::list(args);
    return true;
}

using HostFunction = bool (*)(Evaluation&, const Arguments&, QValue&);
struct HostFunctionEntry {
    std::string_view name;  // its length known: most names are told apart by it alone
    HostFunction function;
};

// The host's own functions come before the module's: a module cannot redefine them.
const HostFunctionEntry hostFunctions[] = {
    {"+", addFunction},         {"-", subtractFunction}, {"*", multiplyFunction},
    {"/", divideFunction},      {"LIST", listFunction},  {"GETVAR", getvarFunction},
    {"SETVAR", setvarFunction},
};

HostFunction findHostFunction(std::string_view name) {
    for (const HostFunctionEntry& entry : hostFunctions)
        if (name == entry.name) return entry.function;
    return nullptr;
}

// ---- special forms ----

// (setq name value [name value] ...): each value evaluated, then stored; the last is the result.
bool setqForm(Evaluation& e, const Arguments& operands, QValue& out, int depth) {
    if (operands.empty() || operands.size() % 2 != 0)
        return fail(e, "SETQ needs pairs of a name and a value");
    QValue value;
    for (std::size_t i = 0; i < operands.size(); i += 2) {
        const QValue& name = operands[i];
        if (name.kind != QValue::Kind::Symbol)
            return fail(e, "SETQ cannot assign to " + hostsim::formatValue(name));
        if (hostsim::isConstantSymbol(name.text))
            return fail(e, "SETQ cannot change the constant " + hostsim::upperName(name.text));
        if (!evaluate(e, operands[i + 1], value, depth + 1)) return false;
        hostsim::setSymbol(name.text, value);
    }
    out = value;
    return true;
}

bool quoteForm(Evaluation& e, const Arguments& operands, QValue& out) {
    if (!checkCount(e, "QUOTE", operands, 1, 1)) return false;
    out = operands[0];
    return true;
}

// The operands of a call are the form's items after its head.
bool evaluateArguments(Evaluation& e, const QValue& form, Arguments& args, int depth) {
    args.reserve(form.items.size() - 1);
    for (auto operand = form.items.begin() + 1; operand != form.items.end(); ++operand) {
        QValue value;
        if (!evaluate(e, *operand, value, depth + 1)) return false;
        args.push_back(std::move(value));
    }
    return true;
}

bool isModuleFunction(const std::string& name) {
    return connectedHost.isFunctionDefined != nullptr && connectedHost.isFunctionDefined(name);
}

bool evaluateCall(Evaluation& e, const QValue& form, QValue& out, int depth) {
    const QValue& head = form.items[0];
    if (head.kind != QValue::Kind::Symbol)
        return fail(e, "bad function: " + hostsim::formatValue(head));
    const std::string name = hostsim::upperName(head.text);
    const bool quote = std::string_view(name) == "QUOTE";
    if (quote || std::string_view(name) == "SETQ") {
        const Arguments operands(form.items.begin() + 1, form.items.end());
        return quote ? quoteForm(e, operands, out) : setqForm(e, operands, out, depth);
    }
    HostFunction hostFunction = findHostFunction(name);
    if (hostFunction == nullptr && !isModuleFunction(name))
        return fail(e, "no function definition: " + name);
    Arguments args;
    if (!evaluateArguments(e, form, args, depth)) return false;
    if (hostFunction != nullptr) return hostFunction(e, args, out);
    std::string error;
    if (!connectedHost.invokeFunction(name, args, out, error)) return fail(e, error);
    return true;
}

bool evaluate(Evaluation& e, const QValue& form, QValue& out, int depth) {
    // Counted so that deeply nested forms fail cleanly instead of overflowing the stack.
    if (depth > hostsim::maxQuilletDepth) return fail(e, "evaluation nested too deeply");
    switch (form.kind) {
        case QValue::Kind::Symbol: out = hostsim::getSymbol(form.text); return true;
        case QValue::Kind::List: return evaluateCall(e, form, out, depth);
        default: out = form; return true;
    }
}

}  // namespace

namespace hostsim {

void connectQuillet(const QuilletHost& host) { connectedHost = host; }

bool evaluateQuillet(const QValue& form, QValue& out, std::string& error) {
    Evaluation e;
    QValue value;
    bool evaluated = evaluate(e, form, value, 0);
    error = e.error;
    if (evaluated) out = std::move(value);
    return evaluated;
}

}  // namespace hostsim
