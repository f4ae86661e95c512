// hostsim/services/marks.cpp - the marks drawn over the drawing: point results with their labels,
// and the points picked and snapped while an evaluation ran.
#include "hostsim/services/services.h"

#include <algorithm>
#include <cctype>
#include <optional>

// ---- marks state: the list, and what the evaluation in progress has seen ----
static std::deque<hostsim::Mark> marks;  // oldest first
static bool evaluating = false;          // between beginEvaluation and endEvaluation
static std::string expressionText;       // the expression given or last answered, as typed
static std::string assignedName;         // the variable the module last assigned, if any
static hostsim::QValue assignedValue;
static int resultsMarked = 0;  // since the last clear: numbers the "Result N" labels
static std::vector<std::string> vectorFunctions;  // whose point results are directions
static std::uint64_t marksChanged = 0;            // counts every change to the list
// A result's label and value, written out when the marks are read: the results of a long script
// mostly leave the list unread, and writing each out took a third of a script line's time.
struct PendingTexts {
    std::string head;  // the label's part before " = "
    hostsim::QValue result;
    hostsim::PrintPrecision precision;  // the label shows the value as printed when it came
};
static std::deque<std::optional<PendingTexts>> pendingTexts;  // one for each mark, in step

namespace {

void addMark(hostsim::Mark::Kind kind, const hostsim::Point& world,
             std::optional<PendingTexts> texts = std::nullopt) {
    if (!hostsim::isFinitePoint(world)) return;
    if (marks.size() == hostsim::maxMarks) {
        marks.pop_front();
        pendingTexts.pop_front();
    }
    marks.push_back({kind, world, "", ""});
    pendingTexts.push_back(std::move(texts));
    ++marksChanged;
}

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The expression, less a leading "NAME =", is one call of a vector function (or its name alone,
// for the picking forms: NOR, VEE).
bool isVectorExpression(const std::string& expression) {
    std::string text = expression;
    std::size_t equals = text.find('=');
    if (equals != std::string::npos) text = hostsim::trimmed(text.substr(equals + 1));
    std::size_t nameEnd = 0;
    while (nameEnd < text.size() && isNameChar(text[nameEnd])) ++nameEnd;
    std::string rest = hostsim::trimmed(text.substr(nameEnd));
    bool wholeCall = rest.empty() || (rest.front() == '(' && rest.back() == ')' &&
                                      rest.find(')') == rest.size() - 1);
    std::string name = hostsim::upperName(text.substr(0, nameEnd));
    return nameEnd > 0 && wholeCall &&
           std::find(vectorFunctions.begin(), vectorFunctions.end(), name) != vectorFunctions.end();
}

// The value as the command line takes it back, whatever the printing precision: a point as
// [x,y,z], a real with a point or an exponent so that it stays a real, each number exact.
std::string typedValue(const hostsim::QValue& value) {
    if (value.isPoint()) {
        hostsim::Point p = value.coordinates();
        return "[" + hostsim::exactNumberText(p[0]) + "," + hostsim::exactNumberText(p[1]) + "," +
               hostsim::exactNumberText(p[2]) + "]";
    }
    std::string text = hostsim::exactNumberText(value.number());
    bool looksWhole = text.find_first_of(".eEin") == std::string::npos;
    return value.kind == hostsim::QValue::Kind::Real && looksWhole ? text + ".0" : text;
}

void notePointAnswer(const hostsim::Point& ucsPoint) {
    addMark(hostsim::Mark::Kind::Picked, hostsim::ucsToWorld(ucsPoint, false));
}

void noteTextAnswer(const std::string& text) {
    expressionText = hostsim::trimmed(text);
    hostsim::noteExpressionGiven(expressionText);
    assignedName.clear();  // an earlier attempt's, the calculator asking again
}

// The variable when the value went to one, else the expression, else the result's number.
std::string labelHead(const hostsim::QValue& result) {
    if (!assignedName.empty() && assignedValue == result) return assignedName;
    if (expressionText.empty()) return "Result " + std::to_string(resultsMarked);
    if (expressionText.size() <= hostsim::maxLabelExpression) return expressionText;
    return expressionText.substr(0, hostsim::maxLabelExpression - 3) + "...";
}

PendingTexts resultTexts(const hostsim::QValue& result) {
    return {labelHead(result), result, hostsim::printPrecision()};
}

// Writes out the labels and values of the results not read yet, each at its own precision.
void writePendingTexts() {
    const hostsim::PrintPrecision current = hostsim::printPrecision();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (!pendingTexts[i]) continue;
        const PendingTexts& texts = *pendingTexts[i];
        hostsim::setPrintPrecision(texts.precision);
        marks[i].label = texts.head + " = " + hostsim::formatValue(texts.result);
        marks[i].value = typedValue(texts.result);
        pendingTexts[i].reset();
    }
    hostsim::setPrintPrecision(current);
}

}  // namespace

namespace hostsim {

const std::deque<Mark>& drawingMarks() {
    writePendingTexts();
    return marks;
}

std::uint64_t marksRevision() { return marksChanged; }

void clearMarks() {
    marks.clear();
    pendingTexts.clear();
    ++marksChanged;
    resultsMarked = 0;
}

void beginEvaluation(const std::string& expression) {
    evaluating = true;
    expressionText = trimmed(expression);
    noteExpressionGiven(expressionText);
    assignedName.clear();
    watchAnswers({noteTextAnswer, notePointAnswer});
}

void endEvaluation(const QValue& result) {
    watchAnswers({});
    evaluating = false;
    if (result.isPoint()) {
        ++resultsMarked;
        bool vector = isVectorExpression(expressionText);
        addMark(vector ? Mark::Kind::Vector : Mark::Kind::Result,
                vector ? Point{0, 0, 0} : ucsToWorld(result.coordinates(), false),
                resultTexts(result));
    } else if (result.isNumber()) {
        ++resultsMarked;
        addMark(Mark::Kind::Value, {0, 0, 0}, resultTexts(result));
    }
}

void noteAssignment(const std::string& name, const QValue& value) {
    if (!evaluating) return;
    assignedName = name;
    assignedValue = value;
}

void useVectorFunctions(std::vector<std::string> names) { vectorFunctions = std::move(names); }

void noteSnappedPoint(const Point& world) {
    if (evaluating) addMark(Mark::Kind::Snapped, world);
}

}  // namespace hostsim
