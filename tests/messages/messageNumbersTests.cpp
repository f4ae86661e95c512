// tests/messages/messageNumbersTests.cpp - each name of messages/messageNumbers.h finds its own
// text in the built catalogue, and every text of the catalogue has a name.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "messages/messageNumbers.h"
#include "messages/messages.h"
#include "tests/messages/catalogueTestSupport.h"

namespace {

struct NamedMessage {
    int line;
    int module;
    int number;
    const char* fragment;  // a piece of the text that only this message holds
};

// Rows run in number order within a module, so that a gap or a stray name shows up.
const NamedMessage namedMessages[] = {
    {__LINE__, errorModule, errorWrongReal, "Wrong real number"},
    {__LINE__, errorModule, errorIllegalCharacter, "Illegal character"},
    {__LINE__, errorModule, errorIntegerLiteralRange, "Integer numbers must be"},
    {__LINE__, errorModule, errorNeedsOneArgument, "requires one argument"},
    {__LINE__, errorModule, errorParenMissing, "')' missing"},
    {__LINE__, errorModule, errorComponentKind, "components must be real"},
    {__LINE__, errorModule, errorCommaMissing, "maybe ',' missing"},
    {__LINE__, errorModule, errorBracketMissing, "maybe ']' missing"},
    {__LINE__, errorModule, errorUnexpectedEnd, "Unexpected end"},
    {__LINE__, errorModule, errorSyntax, "Wrong syntax of expression"},
    {__LINE__, errorModule, errorNeedsVector, "requires vector argument"},
    {__LINE__, errorModule, errorNeedsReal, "requires real argument"},
    {__LINE__, errorModule, errorArcSineRange, "ASIN, ACOS"},
    {__LINE__, errorModule, errorRoundRange, "ROUND and TRUNC"},
    {__LINE__, errorModule, errorNegativeRoot, "SQRT cannot be negative"},
    {__LINE__, errorModule, errorPowerKinds, "'^' requires real"},
    {__LINE__, errorModule, errorNegativeBase, "raised to real exponent"},
    {__LINE__, errorModule, errorDivisionByZero, "Division by 0"},
    {__LINE__, errorModule, errorDivideKinds, "Operator '/'"},
    {__LINE__, errorModule, errorCrossKinds, "Operator '&'"},
    {__LINE__, errorModule, errorSumKinds, "Operators '+', '-'"},
    {__LINE__, errorModule, errorFeetInches, "feet'-inches"},
    {__LINE__, errorModule, errorOverflow, "Numeric overflow"},
    {__LINE__, errorModule, errorTangentPole, "TANG"},
    {__LINE__, errorModule, errorTakesNoArguments, "takes no arguments"},
    {__LINE__, errorModule, errorUsage, "Use %s"},
    {__LINE__, errorModule, errorNotAString, "must be a string"},
    {__LINE__, errorModule, errorAssignmentMisused, "'=' used improperly"},
    {__LINE__, errorModule, errorAssignFailed, "Failed to assign"},
    {__LINE__, errorModule, errorNormalZeroVector, "NOR(v)"},
    {__LINE__, errorModule, errorQuotedTooLong, "is too long"},
    {__LINE__, errorModule, errorUnknownSysvar, "Unknown Korvane system variable"},
    {__LINE__, errorModule, errorSysvarKind, "Only real, integer or point"},
    {__LINE__, errorModule, errorAngleFormat, "<deg>d<min>"},
    {__LINE__, errorModule, errorPointSyntax, "syntax of point"},
    {__LINE__, errorModule, errorAngleOnPlane, "lies on plane"},
    {__LINE__, errorModule, errorAnglePointsCoincide, "ANG(apex,p1,p2,p) function coincide"},
    {__LINE__, errorModule, errorNeedsPositive, "requires positive argument"},
    {__LINE__, errorModule, errorAngle2dPointsCoincide, "ANG(p1,p2)"},
    {__LINE__, errorModule, errorLinePointsCoincide, "two points defining line in function"},
    {__LINE__, errorModule, errorIntegerResult, "Integer value of expression"},
    {__LINE__, errorModule, errorNotIdentifier, "not an identifier"},
    {__LINE__, errorModule, errorQuilletKind, "must be a point, real or integer"},
    {__LINE__, errorModule, errorTooManyFunctions, "Too many calculator functions"},
    {__LINE__, errorModule, errorNoValue, "has no value"},
    {__LINE__, errorModule, errorNullRegistration, "Null function name"},
    {__LINE__, errorModule, errorNameTooLong, "Function name %s is too long"},
    {__LINE__, errorModule, errorRotateOnAxis, "lies on the axis of rotation"},
    {__LINE__, errorModule, errorCommaExpected, "Comma expected"},
    {__LINE__, errorModule, errorTooManyArguments, "Too many arguments"},
    {__LINE__, errorModule, errorNormalCollinear, "NOR(p1,p2,p3)"},
    {__LINE__, errorModule, errorNoSuchFunction, "doesn't exist"},
    {__LINE__, errorModule, errorRotateAxisCoincide, "ROT(p,p1ax,p2ax,angle)"},
    {__LINE__, errorModule, errorLinesDoNotMeet, "do not intersect"},
    {__LINE__, errorModule, errorLineParallelToPlane, "parallel to the plane"},
    {__LINE__, errorModule, errorAngleZeroVector, "ANG(v)"},
    {__LINE__, errorModule, errorAngleApexCoincide, "ANG(apex,p1,p2) function"},
    {__LINE__, errorModule, errorPldPointsCoincide, "PLD(dist,p1,p2)"},
    {__LINE__, errorModule, errorPlanePointsCollinear, "defining the plane"},
    {__LINE__, errorModule, errorAlreadyRegistered, "already registered"},
    {__LINE__, errorModule, errorLine2dPointsCoincide, "2D points defining line"},
    {__LINE__, errorModule, errorLineInPlane, "lies on the plane"},
    {__LINE__, errorModule, errorCvunitUse, "Use CVUNIT"},
    {__LINE__, errorModule, errorCvunitFailed, "failed to convert"},
    {__LINE__, errorModule, errorHeading, "*** vectrin error"},
    {__LINE__, modulePicks, pickRadiusPrompt, "for its radius"},
    {__LINE__, modulePicks, pickPlanePrompt, "to define the plane"},
    {__LINE__, modulePicks, pickFirstEndpointPrompt, "first end point"},
    {__LINE__, modulePicks, pickSecondEndpointPrompt, "second end point"},
    {__LINE__, modulePicks, pickEndpointsCoincide, "end points coincide"},
    {__LINE__, modulePicks, pickFirstLineName, "the first line"},
    {__LINE__, modulePicks, pickSecondLineName, "the second line"},
    {__LINE__, modulePicks, pickPointPrompt, "Select a point"},
    {__LINE__, modulePicks, pickSnapPromptHead, "for the snap mode"},
    {__LINE__, modulePicks, pickSnapPromptTail, ": "},
    {__LINE__, moduleMax, maxTooFewArguments, "at least two arguments"},
    {__LINE__, moduleMax, maxNeedsNumbers, "not points"},
    {__LINE__, moduleNotices, noticeNothingSelected, "Nothing was selected"},
    {__LINE__, moduleNotices, noticeUnreadableObject, "can't be read"},
    {__LINE__, moduleNotices, noticePlaneNothingFound, "No object was found"},
    {__LINE__, moduleNotices, noticeNoPlane, "defines no plane"},
    {__LINE__, moduleNotices, noticePlaneUnusablePolyline, "That polyline can't be used;"},
    {__LINE__, moduleNotices, noticePlaneNotComputed, "can't be computed"},
    {__LINE__, moduleNotices, noticeSnapNothingFound, "No object was found"},
    {__LINE__, moduleNotices, noticeSnapNoPoint, "The snap found no such point"},
    {__LINE__, moduleNotices, noticeRadiusNothingFound, "No object was found"},
    {__LINE__, moduleNotices, noticeRadiusNotUniform, "not scaled uniformly"},
    {__LINE__, moduleNotices, noticeRadiusWrongObject, "is not a circle"},
    {__LINE__, moduleNotices, noticeRadiusUnusablePolyline, "can't be used for a radius"},
    {__LINE__, moduleNotices, noticeRadiusStraightSegment, "is straight"},
    {__LINE__, moduleEntry, entryTitle, "geometry calculator"},
    {__LINE__, moduleEntry, entryExpressionPrompt, "Expression: "},
    {__LINE__, moduleEntry, entryCalName, "CALC"},
    {__LINE__, moduleEntry, entryCalCommandName, "C:CALC"},
    {__LINE__, moduleEntry, entryExpressionTooLong, "longer than 131 characters"},
};

class MessageNumbers : public ::testing::Test {
protected:
    void SetUp() override {
        capturedErrors().clear();
        ASSERT_NE(-1, openCatalogue(vectrinCataloguePath(), captureError));
    }
    void TearDown() override {
        closeCatalogue();
        capturedErrors().clear();
    }
};

TEST_F(MessageNumbers, EachNameFindsItsOwnText) {
    for (const NamedMessage& m : namedMessages) {
        SCOPED_TRACE(m.line);
        std::string text = getMessage(m.module, m.number);
        EXPECT_NE(std::string::npos, text.find(m.fragment)) << m.module << ":" << m.number;
    }
    EXPECT_TRUE(capturedErrors().empty());
}

// Numbered from 1 without gaps, and the catalogue holds no text past the last name of a module.
TEST_F(MessageNumbers, EveryTextOfTheCatalogueHasAName) {
    std::map<int, int> lastNamed;
    for (const NamedMessage& m : namedMessages) {
        SCOPED_TRACE(m.line);
        EXPECT_EQ(lastNamed[m.module] + 1, m.number) << "module " << m.module;
        lastNamed[m.module] = m.number;
    }
    EXPECT_EQ(lastErrorNumber + 1, errorHeading);
    for (const auto& [module, last] : lastNamed) {
        SCOPED_TRACE(module);
        capturedErrors().clear();
        EXPECT_STREQ("", getMessage(module, last + 1));
        EXPECT_EQ(1u, capturedErrors().size()) << "a text past the last name";
    }
}

}  // namespace
