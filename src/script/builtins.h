// Shared argument helpers of the built-in functions (one file per family).
#pragma once

#include "script/interp.h"
#include "script/text.h"
#include "script/value_ops.h"

namespace tablique::script {

#define TQ_BUILTIN(name) Value name([[maybe_unused]] Interp& in, [[maybe_unused]] const Value* a, [[maybe_unused]] int n)

inline double num(const Value& v) { return toNumber(v); }
inline int32_t lng(const Value& v) { return toLong(v); }
inline std::string text(const Value& v) { return v.toString(); }
// Argument i was given: within the call's count and not left out (FormatNumber(x, 2, , -1)).
inline bool has(const Value* a, int n, int i) { return i < n && !ValueAccess::isMissing(a[i]); }
// The optional compare argument: 0 binary, 1 text.
int compareMode(const Value* a, int n, int i);
// CDate rules: Date as it is, numbers as serials, date text parsed; 13 otherwise.
double toDate(const Value& v);
// A non-negative count argument: 5 when negative, 94 for Null.
int64_t countArg(const Value& v);
// Number formatting shared by FormatNumber, FormatCurrency, FormatPercent.
std::string formatNumber(std::string_view number, int digits, int leadingZero, int parens, int group,
                         std::string_view prefix, std::string_view suffix);

// math
TQ_BUILTIN(fnAbs); TQ_BUILTIN(fnAtn); TQ_BUILTIN(fnCos); TQ_BUILTIN(fnExp); TQ_BUILTIN(fnFix);
TQ_BUILTIN(fnInt); TQ_BUILTIN(fnLog); TQ_BUILTIN(fnRnd); TQ_BUILTIN(fnRound); TQ_BUILTIN(fnSgn);
TQ_BUILTIN(fnSin); TQ_BUILTIN(fnSqr); TQ_BUILTIN(fnTan); TQ_BUILTIN(fnRGB);
// conversion, tests, formatting
TQ_BUILTIN(fnCBool); TQ_BUILTIN(fnCByte); TQ_BUILTIN(fnCCur); TQ_BUILTIN(fnCDate); TQ_BUILTIN(fnCDbl);
TQ_BUILTIN(fnCInt); TQ_BUILTIN(fnCLng); TQ_BUILTIN(fnCSng); TQ_BUILTIN(fnCStr); TQ_BUILTIN(fnHex);
TQ_BUILTIN(fnOct); TQ_BUILTIN(fnIsArray); TQ_BUILTIN(fnIsDate); TQ_BUILTIN(fnIsEmpty);
TQ_BUILTIN(fnIsNull); TQ_BUILTIN(fnIsNumeric); TQ_BUILTIN(fnIsObject); TQ_BUILTIN(fnTypeName);
TQ_BUILTIN(fnVarType); TQ_BUILTIN(fnFormatCurrency); TQ_BUILTIN(fnFormatDateTime);
TQ_BUILTIN(fnFormatNumber); TQ_BUILTIN(fnFormatPercent); TQ_BUILTIN(fnScriptEngine);
TQ_BUILTIN(fnScriptEngineMajorVersion); TQ_BUILTIN(fnScriptEngineMinorVersion);
TQ_BUILTIN(fnScriptEngineBuildVersion);
// strings
TQ_BUILTIN(fnAsc); TQ_BUILTIN(fnAscW); TQ_BUILTIN(fnChr); TQ_BUILTIN(fnChrW); TQ_BUILTIN(fnInStr);
TQ_BUILTIN(fnInStrRev); TQ_BUILTIN(fnLCase); TQ_BUILTIN(fnLeft); TQ_BUILTIN(fnLen); TQ_BUILTIN(fnLTrim);
TQ_BUILTIN(fnMid); TQ_BUILTIN(fnReplace); TQ_BUILTIN(fnRight); TQ_BUILTIN(fnRTrim); TQ_BUILTIN(fnSpace);
TQ_BUILTIN(fnStrComp); TQ_BUILTIN(fnString); TQ_BUILTIN(fnStrReverse); TQ_BUILTIN(fnTrim);
TQ_BUILTIN(fnUCase);
// bytes, Escape and Unescape
TQ_BUILTIN(fnAscB); TQ_BUILTIN(fnChrB); TQ_BUILTIN(fnEscape); TQ_BUILTIN(fnInStrB); TQ_BUILTIN(fnLeftB);
TQ_BUILTIN(fnLenB); TQ_BUILTIN(fnMidB); TQ_BUILTIN(fnRightB); TQ_BUILTIN(fnUnescape);
// dates
TQ_BUILTIN(fnDate); TQ_BUILTIN(fnDateAdd); TQ_BUILTIN(fnDateDiff); TQ_BUILTIN(fnDatePart);
TQ_BUILTIN(fnDateSerial); TQ_BUILTIN(fnDateValue); TQ_BUILTIN(fnDay); TQ_BUILTIN(fnHour);
TQ_BUILTIN(fnMinute); TQ_BUILTIN(fnMonth); TQ_BUILTIN(fnMonthName); TQ_BUILTIN(fnNow);
TQ_BUILTIN(fnSecond); TQ_BUILTIN(fnTime); TQ_BUILTIN(fnTimer); TQ_BUILTIN(fnTimeSerial);
TQ_BUILTIN(fnTimeValue); TQ_BUILTIN(fnWeekday); TQ_BUILTIN(fnWeekdayName); TQ_BUILTIN(fnYear);
// arrays
TQ_BUILTIN(fnArray); TQ_BUILTIN(fnSplit); TQ_BUILTIN(fnJoin); TQ_BUILTIN(fnUBound);
TQ_BUILTIN(fnLBound); TQ_BUILTIN(fnFilter);

}  // namespace tablique::script
