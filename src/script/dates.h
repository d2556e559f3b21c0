// Dates as VBScript keeps them: a Double counting days from 12/30/1899, the fraction the time
// of day (for dates before 1899 the fraction still counts forward from midnight).
#pragma once

#include <string>
#include <string_view>

namespace tablique::script {

inline constexpr double kMinDate = -657434.0;          // 1/1/100
inline constexpr double kMaxDate = 2958465.99999999;   // 12/31/9999 23:59:59

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 = Sunday .. 7 = Saturday
};

// The serial day number of a civil date; month and day may lie outside their range and carry
// over (DateSerial). No range check.
double daySerial(long long year, long long month, long long day);
// Combines a day serial and a time of day (fraction of a day, 0 <= t < 1).
double combineDateTime(double day, double time);
// Splits a serial into its parts (time rounded to the second).
DateParts splitDate(double serial);
bool dateInRange(double serial);
// CStr of a Date: m/d/yyyy, h:mm:ss AM/PM, or both.
std::string dateText(double serial);
std::string shortDateText(const DateParts& p);
std::string longTimeText(const DateParts& p);
// Date text as CDate, DateValue, IsDate and #...# accept it (US English forms).
bool parseDate(std::string_view text, double& out);
// Month and weekday names (1-based), full or abbreviated.
std::string_view monthName(int month, bool abbreviate);
std::string_view weekdayName(int weekday, bool abbreviate);

}  // namespace tablique::script
