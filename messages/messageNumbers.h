// messages/messageNumbers.h - the name of every message number the module uses, beside the texts.
//
// Each number is named once here, with its text from messages/vectrin.msg shortened; code passes
// the name, never the number. A new message gets its text in vectrin.msg and its name here, and
// tests/messages/messageNumbersTests.cpp checks that each name finds its text in the catalogue.
#ifndef VECTRIN_MESSAGES_MESSAGE_NUMBERS_H
#define VECTRIN_MESSAGES_MESSAGE_NUMBERS_H

// ---- module 23: the error table, reported through reportError by number ----
constexpr int errorModule = 23;
constexpr int errorWrongReal = 1;               // wrong real number '%s'
constexpr int errorIllegalCharacter = 2;        // illegal character '%s'
constexpr int errorIntegerLiteralRange = 3;     // integers must be between -32768 and 32767
constexpr int errorNeedsOneArgument = 4;        // function %s requires one argument
constexpr int errorParenMissing = 5;            // right parenthesis ')' missing
constexpr int errorComponentKind = 6;           // vector components must be real numbers
constexpr int errorCommaMissing = 7;            // vector syntax, maybe ',' missing
constexpr int errorBracketMissing = 8;          // vector syntax, maybe ']' missing
constexpr int errorUnexpectedEnd = 9;           // unexpected end of expression
constexpr int errorSyntax = 10;                 // wrong syntax of expression
constexpr int errorNeedsVector = 11;            // function %s requires vector argument
constexpr int errorNeedsReal = 12;              // function %s requires real argument
constexpr int errorArcSineRange = 13;           // ASIN, ACOS argument must be in -1..1
constexpr int errorRoundRange = 14;             // ROUND, TRUNC argument must be in -32768..32767
constexpr int errorNegativeRoot = 15;           // SQRT argument cannot be negative
constexpr int errorPowerKinds = 16;             // '^' requires real operands
constexpr int errorNegativeBase = 17;           // negative number to a real exponent
constexpr int errorDivisionByZero = 18;         // division by 0
constexpr int errorDivideKinds = 19;            // '/' requires real-real or vector-real
constexpr int errorCrossKinds = 20;             // '&' requires vector operands
constexpr int errorSumKinds = 21;               // '+', '-' require operands of the same type
constexpr int errorFeetInches = 22;             // invalid feet'-inches" format
constexpr int errorOverflow = 23;               // numeric overflow
constexpr int errorTangentPole = 24;            // TANG does not accept 90+k*180 degrees
constexpr int errorTakesNoArguments = 25;       // function %s takes no arguments
constexpr int errorUsage = 26;                  // use %s (a usage text)
constexpr int errorNotAString = 27;             // the calculator expression must be a string
constexpr int errorAssignmentMisused = 28;      // assignment operator '=' used improperly
constexpr int errorAssignFailed = 29;           // failed to assign the value to variable %s
constexpr int errorNormalZeroVector = 30;       // the 2D vector for NOR(v) has zero length
constexpr int errorQuotedTooLong = 31;          // Quillet symbol '%s ...' is too long
constexpr int errorUnknownSysvar = 32;          // unknown system variable %s
constexpr int errorSysvarKind = 33;             // only real, integer or point system variables
constexpr int errorAngleFormat = 34;            // angles are <deg>d<min>'<sec>"
constexpr int errorPointSyntax = 35;            // wrong syntax of point (vector)
constexpr int errorAngleOnPlane = 36;           // ANG(apex,p1,p2,p): p lies on the plane
constexpr int errorAnglePointsCoincide = 37;    // ANG(apex,p1,p2,p): points coincide
constexpr int errorNeedsPositive = 38;          // function %s requires positive argument
constexpr int errorAngle2dPointsCoincide = 39;  // ANG(p1,p2): the 2D points coincide
constexpr int errorLinePointsCoincide = 40;     // the two points defining line in %s coincide
constexpr int errorIntegerResult = 41;          // integer value not between -32768 and 32767
constexpr int errorNotIdentifier = 42;          // the function name %s is not an identifier
constexpr int errorQuilletKind = 43;            // Quillet variable %s must be point, real, int
constexpr int errorTooManyFunctions = 44;       // too many calculator functions
constexpr int errorNoValue = 45;                // Quillet variable %s has no value
constexpr int errorNullRegistration = 46;       // null function name or function pointer
constexpr int errorNameTooLong = 47;            // function name %s is too long
constexpr int errorRotateOnAxis = 48;           // the point to rotate lies on the axis
constexpr int errorCommaExpected = 49;          // comma expected in arguments of function %s
constexpr int errorTooManyArguments = 50;       // too many arguments to function %s
constexpr int errorNormalCollinear = 51;        // NOR(p1,p2,p3): points coincide or collinear
constexpr int errorNoSuchFunction = 52;         // function %s doesn't exist
constexpr int errorRotateAxisCoincide = 53;     // ROT: the axis points coincide
constexpr int errorLinesDoNotMeet = 54;         // the lines in %s do not intersect or collinear
constexpr int errorLineParallelToPlane = 55;    // the line is parallel to the plane
constexpr int errorAngleZeroVector = 56;        // ANG(v): the 2D vector is zero length
constexpr int errorAngleApexCoincide = 57;      // ANG(apex,p1,p2): the 2D points coincide
constexpr int errorPldPointsCoincide = 58;      // PLD(dist,p1,p2): p1 and p2 coincide
constexpr int errorPlanePointsCollinear = 59;   // the plane's points coincide or collinear
constexpr int errorAlreadyRegistered = 60;      // function %s was already registered
constexpr int errorLine2dPointsCoincide = 61;   // the 2D points defining line in %s coincide
constexpr int errorLineInPlane = 62;            // the line lies on the plane
constexpr int errorCvunitUse = 63;              // use CVUNIT(value,from_units,to_units)
constexpr int errorCvunitFailed = 64;           // CVUNIT failed to convert units
constexpr int lastErrorNumber = 64;             // the numbers above with a text of their own
constexpr int errorHeading = 65;                // "*** vectrin error: ", printed before each

// ErrorCode values with no text in the catalogue.
constexpr int generalError = -999;   // left by a report with code 0: silent, or the caller's text
constexpr int internalError = -443;  // a value that cannot be assigned; printed as its number

// ---- module 27: prompts and notices of the functions that pick points or objects ----
constexpr int modulePicks = 27;
constexpr int pickRadiusPrompt = 1;          // select a circle, an arc or a polyline arc segment
constexpr int pickPlanePrompt = 2;           // select an object to define the plane
constexpr int pickFirstEndpointPrompt = 3;   // select the first end point for (name follows)
constexpr int pickSecondEndpointPrompt = 4;  // select the second end point for (name follows)
constexpr int pickEndpointsCoincide = 5;     // the two end points coincide; select both again
constexpr int pickFirstLineName = 6;         // "the first line", in the end-point prompts
constexpr int pickSecondLineName = 7;        // "the second line"
constexpr int pickPointPrompt = 8;           // select a point
constexpr int pickSnapPromptHead = 9;        // select an object for the snap mode (mode follows)
constexpr int pickSnapPromptTail = 10;       // ": " after the mode word

// ---- module 28: what MAX reports, through the general error ----
constexpr int moduleMax = 28;
constexpr int maxTooFewArguments = 1;  // MAX requires at least two arguments
constexpr int maxNeedsNumbers = 2;     // MAX accepts only real or integer arguments

// ---- module 36: notices of object picking and entity geometry, printed as they stand ----
constexpr int moduleNotices = 36;
constexpr int noticeNothingSelected = 1;          // nothing was selected; select again
constexpr int noticeUnreadableObject = 2;         // the selected object can't be read
constexpr int noticePlaneNothingFound = 3;        // plane pick: no object found there
constexpr int noticeNoPlane = 4;                  // that object defines no plane
constexpr int noticePlaneUnusablePolyline = 5;    // that polyline can't be used
constexpr int noticePlaneNotComputed = 6;         // the plane of that object can't be computed
constexpr int noticeSnapNothingFound = 7;         // snap pick: no object found there
constexpr int noticeSnapNoPoint = 8;              // the snap found no such point on that object
constexpr int noticeRadiusNothingFound = 9;       // radius pick: no object found there
constexpr int noticeRadiusNotUniform = 10;        // in a block reference not scaled uniformly
constexpr int noticeRadiusWrongObject = 11;       // not a circle, an arc or a polyline arc
constexpr int noticeRadiusUnusablePolyline = 12;  // that polyline can't be used for a radius
constexpr int noticeRadiusStraightSegment = 13;   // that segment is straight, has no radius

// ---- module 37: the calculator's own texts ----
constexpr int moduleEntry = 37;
constexpr int entryTitle = 1;              // "vectrin geometry calculator"
constexpr int entryExpressionPrompt = 2;   // the prompt for an expression
constexpr int entryCalName = 3;            // localised name of the function CAL
constexpr int entryCalCommandName = 4;     // localised name of the command C:CAL
constexpr int entryExpressionTooLong = 5;  // the expression is longer than 131 characters

#endif
