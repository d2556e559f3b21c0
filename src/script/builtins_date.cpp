// Date built-ins: Date DateAdd DateDiff DatePart DateSerial DateValue Day Hour Minute Month
// MonthName Now Second Time Timer TimeSerial TimeValue Weekday WeekdayName Year.
#include <chrono>
#include <cmath>
#include <ctime>

#include "script/builtins.h"
#include "script/dates.h"

namespace tablique::script {

namespace {
struct Clock {
  double day;   // serial of today
  double time;  // fraction of the day
  double seconds;
};

Clock now() {
  auto tp = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(tp);
  std::tm local{};
  localtime_r(&t, &local);
  double millis = double(std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000);
  double secs = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  return {daySerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday), secs / 86400.0, secs + millis / 1000.0};
}

Value checkedDate(double serial) {
  if (!std::isfinite(serial) || !dateInRange(serial)) raise(err::InvalidCall);
  return Value::date(serial);
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval interval(const Value& v) {
  std::string s = text(v);
  for (auto& c : s) c = asciiLower(c);
  if (s == "yyyy") return Interval::Year;
  if (s == "q") return Interval::Quarter;
  if (s == "m") return Interval::Month;
  if (s == "y") return Interval::DayOfYear;
  if (s == "d") return Interval::Day;
  if (s == "w") return Interval::Weekday;
  if (s == "ww") return Interval::Week;
  if (s == "h") return Interval::Hour;
  if (s == "n") return Interval::Minute;
  if (s == "s") return Interval::Second;
  raise(err::InvalidCall);
}

// Day number of the date part and seconds of the time part.
long long dayNumber(const DateParts& p) { return (long long)daySerial(p.year, p.month, p.day); }
long long absoluteSeconds(const DateParts& p) {
  return dayNumber(p) * 86400 + p.hour * 3600 + p.minute * 60 + p.second;
}
double fromAbsoluteSeconds(long long s) {
  long long day = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  long long rest = s - day * 86400;
  return combineDateTime(double(day), double(rest) / 86400.0);
}

int firstDay(const Value* a, int n, int i) {
  int d = has(a, n, i) ? lng(a[i]) : 1;
  if (d < 0 || d > 7) raise(err::InvalidCall);
  return d == 0 ? 1 : d;
}

int weekdayFrom(const DateParts& p, int first) { return (p.weekday - first + 7) % 7 + 1; }

long long floorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int weekOfYear(const DateParts& p, int first, int rule) {
  auto weekOneStart = [&](int year) {
    DateParts jan1 = splitDate(daySerial(year, 1, 1));
    long long j = dayNumber(jan1);
    int w = (jan1.weekday - first + 7) % 7;
    if (rule == 2) return w <= 3 ? j - w : j - w + 7;
    if (rule == 3) return w == 0 ? j : j - w + 7;
    return j - w;
  };
  long long dn = dayNumber(p);
  long long start = weekOneStart(p.year);
  if (dn < start) start = weekOneStart(p.year - 1);
  else if (rule != 1 && dn >= weekOneStart(p.year + 1)) start = weekOneStart(p.year + 1);
  return int((dn - start) / 7 + 1);
}

Value datePartOf(const Value& v, int (*pick)(const DateParts&)) {
  if (v.isNull()) return v;
  return Value::integer(int16_t(pick(splitDate(toDate(v)))));
}
}  // namespace

TQ_BUILTIN(fnDate) { return Value::date(now().day); }
TQ_BUILTIN(fnNow) {
  Clock c = now();
  return Value::date(c.day + c.time);
}
TQ_BUILTIN(fnTime) { return Value::date(now().time); }
TQ_BUILTIN(fnTimer) { return Value::single(float(std::floor(now().seconds * 100) / 100)); }

// DateAdd(interval, number, date)
TQ_BUILTIN(fnDateAdd) {
  Interval iv = interval(a[0]);
  if (a[2].isNull()) return a[2];
  double k = std::trunc(num(a[1]));
  DateParts p = splitDate(toDate(a[2]));
  if (std::fabs(k) > 1e7 * (iv >= Interval::Hour ? 86400.0 : 1.0)) raise(err::InvalidCall);
  long long kk = (long long)k;
  switch (iv) {
    case Interval::Year: case Interval::Quarter: case Interval::Month: {
      long long months = iv == Interval::Year ? kk * 12 : iv == Interval::Quarter ? kk * 3 : kk;
      long long total = p.year * 12LL + (p.month - 1) + months;
      long long y = floorDiv(total, 12), m = total - y * 12 + 1;
      if (y < 100 || y > 9999) raise(err::InvalidCall);
      int dim = int(daySerial(y, m + 1, 1) - daySerial(y, m, 1));
      int d = std::min(p.day, dim);
      double t = (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
      return checkedDate(combineDateTime(daySerial(y, m, d), t));
    }
    case Interval::DayOfYear: case Interval::Day: case Interval::Weekday:
      return checkedDate(fromAbsoluteSeconds(absoluteSeconds(p) + kk * 86400));
    case Interval::Week: return checkedDate(fromAbsoluteSeconds(absoluteSeconds(p) + kk * 7 * 86400));
    case Interval::Hour: return checkedDate(fromAbsoluteSeconds(absoluteSeconds(p) + kk * 3600));
    case Interval::Minute: return checkedDate(fromAbsoluteSeconds(absoluteSeconds(p) + kk * 60));
    default: return checkedDate(fromAbsoluteSeconds(absoluteSeconds(p) + kk));
  }
}

// DateDiff(interval, date1, date2 [, firstdayofweek [, firstweekofyear]])
TQ_BUILTIN(fnDateDiff) {
  Interval iv = interval(a[0]);
  int first = firstDay(a, n, 3);
  if (a[1].isNull() || a[2].isNull()) return Value::null();
  DateParts p = splitDate(toDate(a[1])), q = splitDate(toDate(a[2]));
  long long r;
  switch (iv) {
    case Interval::Year: r = q.year - p.year; break;
    case Interval::Quarter: r = (q.year * 4LL + (q.month - 1) / 3) - (p.year * 4LL + (p.month - 1) / 3); break;
    case Interval::Month: r = (q.year * 12LL + q.month) - (p.year * 12LL + p.month); break;
    case Interval::DayOfYear: case Interval::Day: r = dayNumber(q) - dayNumber(p); break;
    case Interval::Weekday: r = (dayNumber(q) - dayNumber(p)) / 7; break;
    case Interval::Week: {
      // count of week starts (firstdayofweek) crossed
      // day number `first` is a day of that weekday (day 1, 12/31/1899, was a Sunday)
      r = floorDiv(dayNumber(q) - first, 7) - floorDiv(dayNumber(p) - first, 7);
      break;
    }
    case Interval::Hour: r = floorDiv(absoluteSeconds(q), 3600) - floorDiv(absoluteSeconds(p), 3600); break;
    case Interval::Minute: r = floorDiv(absoluteSeconds(q), 60) - floorDiv(absoluteSeconds(p), 60); break;
    default: r = absoluteSeconds(q) - absoluteSeconds(p); break;
  }
  if (r > INT32_MAX || r < INT32_MIN) raise(err::Overflow);
  return Value::longValue(int32_t(r));
}

// DatePart(interval, date [, firstdayofweek [, firstweekofyear]])
TQ_BUILTIN(fnDatePart) {
  Interval iv = interval(a[0]);
  int first = firstDay(a, n, 2);
  int rule = has(a, n, 3) ? lng(a[3]) : 1;
  if (rule < 0 || rule > 3) raise(err::InvalidCall);
  if (rule == 0) rule = 1;
  if (a[1].isNull()) return a[1];
  DateParts p = splitDate(toDate(a[1]));
  int r;
  switch (iv) {
    case Interval::Year: r = p.year; break;
    case Interval::Quarter: r = (p.month - 1) / 3 + 1; break;
    case Interval::Month: r = p.month; break;
    case Interval::DayOfYear: r = int(dayNumber(p) - (long long)daySerial(p.year, 1, 1)) + 1; break;
    case Interval::Day: r = p.day; break;
    case Interval::Weekday: r = weekdayFrom(p, first); break;
    case Interval::Week: r = weekOfYear(p, first, rule); break;
    case Interval::Hour: r = p.hour; break;
    case Interval::Minute: r = p.minute; break;
    default: r = p.second; break;
  }
  return Value::integer(int16_t(r));
}

// DateSerial(year, month, day): months and days carry over; years 0-29 are 2000-2029 and
// 30-99 are 1930-1999.
TQ_BUILTIN(fnDateSerial) {
  for (int i = 0; i < 3; ++i)
    if (a[i].isNull()) raise(err::InvalidUseOfNull);
  long long y = toInteger(a[0]), m = toInteger(a[1]), d = toInteger(a[2]);
  if (y >= 0 && y < 30) y += 2000;
  else if (y >= 30 && y < 100) y += 1900;
  return checkedDate(daySerial(y, m, d));
}

TQ_BUILTIN(fnTimeSerial) {
  for (int i = 0; i < 3; ++i)
    if (a[i].isNull()) raise(err::InvalidUseOfNull);
  long long s = toInteger(a[0]) * 3600LL + toInteger(a[1]) * 60LL + toInteger(a[2]);
  return checkedDate(double(s) / 86400.0);
}

TQ_BUILTIN(fnDateValue) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  return Value::date(std::trunc(toDate(a[0])));
}

TQ_BUILTIN(fnTimeValue) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  double d = toDate(a[0]);
  return Value::date(std::fabs(d - std::trunc(d)));
}

TQ_BUILTIN(fnDay) { return datePartOf(a[0], [](const DateParts& p) { return p.day; }); }
TQ_BUILTIN(fnMonth) { return datePartOf(a[0], [](const DateParts& p) { return p.month; }); }
TQ_BUILTIN(fnYear) { return datePartOf(a[0], [](const DateParts& p) { return p.year; }); }
TQ_BUILTIN(fnHour) { return datePartOf(a[0], [](const DateParts& p) { return p.hour; }); }
TQ_BUILTIN(fnMinute) { return datePartOf(a[0], [](const DateParts& p) { return p.minute; }); }
TQ_BUILTIN(fnSecond) { return datePartOf(a[0], [](const DateParts& p) { return p.second; }); }

TQ_BUILTIN(fnWeekday) {
  int first = firstDay(a, n, 1);
  if (a[0].isNull()) return a[0];
  return Value::integer(int16_t(weekdayFrom(splitDate(toDate(a[0])), first)));
}

TQ_BUILTIN(fnMonthName) {
  int32_t m = lng(a[0]);
  if (m < 1 || m > 12) raise(err::InvalidCall);
  bool abbreviate = has(a, n, 1) && toBoolean(a[1]);
  return makeString(std::string(monthName(m, abbreviate)));
}

TQ_BUILTIN(fnWeekdayName) {
  int32_t w = lng(a[0]);
  if (w < 1 || w > 7) raise(err::InvalidCall);
  bool abbreviate = has(a, n, 1) && toBoolean(a[1]);
  int first = firstDay(a, n, 2);
  int day = (w - 1 + first - 1) % 7 + 1;
  return makeString(std::string(weekdayName(day, abbreviate)));
}

}  // namespace tablique::script
