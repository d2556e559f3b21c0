// The table of built-in functions, sorted by name, and the named constants.
//
// Left out on purpose: CreateObject, GetObject, Execute, ExecuteGlobal, Eval, MsgBox, InputBox,
// GetRef and anything touching files, processes or the network. Those names are unknown
// functions here (Type mismatch when called).
#include "script/builtins.h"

#include <iterator>

namespace tablique::script {

namespace {
constexpr Builtin kBuiltins[] = {
    {"abs", 1, 1, fnAbs},
    {"array", 0, 127, fnArray},
    {"asc", 1, 1, fnAsc},
    {"ascb", 1, 1, fnAscB},
    {"ascw", 1, 1, fnAscW},
    {"atn", 1, 1, fnAtn},
    {"cbool", 1, 1, fnCBool},
    {"cbyte", 1, 1, fnCByte},
    {"ccur", 1, 1, fnCCur},
    {"cdate", 1, 1, fnCDate},
    {"cdbl", 1, 1, fnCDbl},
    {"chr", 1, 1, fnChr},
    {"chrb", 1, 1, fnChrB},
    {"chrw", 1, 1, fnChrW},
    {"cint", 1, 1, fnCInt},
    {"clng", 1, 1, fnCLng},
    {"cos", 1, 1, fnCos},
    {"csng", 1, 1, fnCSng},
    {"cstr", 1, 1, fnCStr},
    {"date", 0, 0, fnDate},
    {"dateadd", 3, 3, fnDateAdd},
    {"datediff", 3, 5, fnDateDiff},
    {"datepart", 2, 4, fnDatePart},
    {"dateserial", 3, 3, fnDateSerial},
    {"datevalue", 1, 1, fnDateValue},
    {"day", 1, 1, fnDay},
    {"escape", 1, 1, fnEscape},
    {"exp", 1, 1, fnExp},
    {"filter", 2, 4, fnFilter},
    {"fix", 1, 1, fnFix},
    {"formatcurrency", 1, 5, fnFormatCurrency},
    {"formatdatetime", 1, 2, fnFormatDateTime},
    {"formatnumber", 1, 5, fnFormatNumber},
    {"formatpercent", 1, 5, fnFormatPercent},
    {"hex", 1, 1, fnHex},
    {"hour", 1, 1, fnHour},
    {"instr", 2, 4, fnInStr},
    {"instrb", 2, 4, fnInStrB},
    {"instrrev", 2, 4, fnInStrRev},
    {"int", 1, 1, fnInt},
    {"isarray", 1, 1, fnIsArray},
    {"isdate", 1, 1, fnIsDate},
    {"isempty", 1, 1, fnIsEmpty},
    {"isnull", 1, 1, fnIsNull},
    {"isnumeric", 1, 1, fnIsNumeric},
    {"isobject", 1, 1, fnIsObject},
    {"join", 1, 2, fnJoin},
    {"lbound", 1, 2, fnLBound},
    {"lcase", 1, 1, fnLCase},
    {"left", 2, 2, fnLeft},
    {"leftb", 2, 2, fnLeftB},
    {"len", 1, 1, fnLen},
    {"lenb", 1, 1, fnLenB},
    {"log", 1, 1, fnLog},
    {"ltrim", 1, 1, fnLTrim},
    {"mid", 2, 3, fnMid},
    {"midb", 2, 3, fnMidB},
    {"minute", 1, 1, fnMinute},
    {"month", 1, 1, fnMonth},
    {"monthname", 1, 2, fnMonthName},
    {"now", 0, 0, fnNow},
    {"oct", 1, 1, fnOct},
    {"replace", 3, 6, fnReplace},
    {"rgb", 3, 3, fnRGB},
    {"right", 2, 2, fnRight},
    {"rightb", 2, 2, fnRightB},
    {"rnd", 0, 1, fnRnd},
    {"round", 1, 2, fnRound},
    {"rtrim", 1, 1, fnRTrim},
    {"scriptengine", 0, 0, fnScriptEngine},
    {"scriptenginebuildversion", 0, 0, fnScriptEngineBuildVersion},
    {"scriptenginemajorversion", 0, 0, fnScriptEngineMajorVersion},
    {"scriptengineminorversion", 0, 0, fnScriptEngineMinorVersion},
    {"second", 1, 1, fnSecond},
    {"sgn", 1, 1, fnSgn},
    {"sin", 1, 1, fnSin},
    {"space", 1, 1, fnSpace},
    {"split", 1, 4, fnSplit},
    {"sqr", 1, 1, fnSqr},
    {"strcomp", 2, 3, fnStrComp},
    {"string", 2, 2, fnString},
    {"strreverse", 1, 1, fnStrReverse},
    {"tan", 1, 1, fnTan},
    {"time", 0, 0, fnTime},
    {"timer", 0, 0, fnTimer},
    {"timeserial", 3, 3, fnTimeSerial},
    {"timevalue", 1, 1, fnTimeValue},
    {"trim", 1, 1, fnTrim},
    {"typename", 1, 1, fnTypeName},
    {"ubound", 1, 2, fnUBound},
    {"ucase", 1, 1, fnUCase},
    {"unescape", 1, 1, fnUnescape},
    {"vartype", 1, 1, fnVarType},
    {"weekday", 1, 2, fnWeekday},
    {"weekdayname", 1, 3, fnWeekdayName},
    {"year", 1, 1, fnYear},
};
}  // namespace

const Builtin* builtinTable(size_t& count) {
  count = std::size(kBuiltins);
  return kBuiltins;
}

std::vector<NamedConstant> namedConstants() {
  auto I = [](int16_t v) { return Value::integer(v); };  // the enumerations are Integer
  auto L = [](int32_t v) { return Value::longValue(v); };  // colours and vbObjectError Long
  return {
      {"vbCr", Value("\r")}, {"vbLf", Value("\n")}, {"vbCrLf", Value("\r\n")},
      {"vbNewLine", Value("\r\n")}, {"vbTab", Value("\t")}, {"vbFormFeed", Value("\f")},
      {"vbVerticalTab", Value("\v")}, {"vbNullString", Value("")},
      {"vbNullChar", Value(std::string(1, '\0'))},
      {"vbBinaryCompare", I(0)}, {"vbTextCompare", I(1)},
      {"vbUseSystemDayOfWeek", I(0)}, {"vbSunday", I(1)}, {"vbMonday", I(2)}, {"vbTuesday", I(3)},
      {"vbWednesday", I(4)}, {"vbThursday", I(5)}, {"vbFriday", I(6)}, {"vbSaturday", I(7)},
      {"vbUseSystem", I(0)}, {"vbFirstJan1", I(1)}, {"vbFirstFourDays", I(2)}, {"vbFirstFullWeek", I(3)},
      {"vbGeneralDate", I(0)}, {"vbLongDate", I(1)}, {"vbShortDate", I(2)}, {"vbLongTime", I(3)},
      {"vbShortTime", I(4)},
      {"vbTrue", I(-1)}, {"vbFalse", I(0)}, {"vbUseDefault", I(-2)},
      {"vbEmpty", I(0)}, {"vbNull", I(1)}, {"vbInteger", I(2)}, {"vbLong", I(3)}, {"vbSingle", I(4)},
      {"vbDouble", I(5)}, {"vbCurrency", I(6)}, {"vbDate", I(7)}, {"vbString", I(8)}, {"vbObject", I(9)},
      {"vbError", I(10)}, {"vbBoolean", I(11)}, {"vbVariant", I(12)}, {"vbDataObject", I(13)},
      {"vbDecimal", I(14)}, {"vbByte", I(17)}, {"vbArray", I(8192)},
      {"vbObjectError", L(-2147221504)},
      {"vbBlack", L(0)}, {"vbRed", L(255)}, {"vbGreen", L(65280)}, {"vbYellow", L(65535)},
      {"vbBlue", L(16711680)}, {"vbMagenta", L(16711935)}, {"vbCyan", L(16776960)},
      {"vbWhite", L(16777215)},
  };
}

int compareMode(const Value* a, int n, int i) {
  if (!has(a, n, i)) return 0;
  int32_t m = lng(a[i]);
  if (m < 0 || m > 2) raise(err::InvalidCall);
  return m ? 1 : 0;
}

int64_t countArg(const Value& v) {
  int32_t k = lng(v);
  if (k < 0) raise(err::InvalidCall);
  return k;
}

}  // namespace tablique::script
