// Date serials, their parts, their text and the parsing of date text (US English forms).
#include "script/dates.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "script/value_ops.h"

namespace tablique::script {

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + (long long)doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int((long long)yoe + era * 400 + (m <= 2));
}

constexpr long long kEpochOffset = 25569;  // 12/30/1899 is 25569 days before 1/1/1970

constexpr std::string_view kMonths[] = {"January", "February", "March", "April", "May", "June",
                                        "July", "August", "September", "October", "November",
                                        "December"};
constexpr std::string_view kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};

int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return days[m - 1];
}
}  // namespace

double daySerial(long long year, long long month, long long day) {
  long long m0 = month - 1;
  year += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
  m0 = ((m0 % 12) + 12) % 12;
  return double(daysFromCivil(year, unsigned(m0 + 1), 1) + kEpochOffset + (day - 1));
}

double combineDateTime(double day, double time) { return day < 0 ? day - time : day + time; }

bool dateInRange(double serial) { return serial >= kMinDate - 1 + 1e-9 && serial < 2958466.0; }

DateParts splitDate(double serial) {
  DateParts p;
  double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  long long seconds = std::llround(frac * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += serial < 0 ? -1 : 1;
  }
  long long days = (long long)whole - kEpochOffset;
  civilFromDays(days, p.year, p.month, p.day);
  p.hour = int(seconds / 3600);
  p.minute = int(seconds / 60 % 60);
  p.second = int(seconds % 60);
  // 1/1/1970 was a Thursday (5)
  p.weekday = int(((days % 7) + 7 + 4) % 7) + 1;
  return p;
}

std::string shortDateText(const DateParts& p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d/%04d", p.month, p.day, p.year);
  return buf;
}

std::string longTimeText(const DateParts& p) {
  char buf[32];
  int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, p.minute, p.second,
                p.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string dateText(double serial) {
  DateParts p = splitDate(serial);
  double whole = std::trunc(serial);
  bool hasTime = p.hour || p.minute || p.second;
  if (whole == 0 && std::fabs(serial) < 1) return longTimeText(p);
  if (!hasTime) return shortDateText(p);
  return shortDateText(p) + " " + longTimeText(p);
}

std::string_view monthName(int month, bool abbreviate) {
  std::string_view n = kMonths[month - 1];
  return abbreviate ? n.substr(0, 3) : n;
}

std::string_view weekdayName(int weekday, bool abbreviate) {
  std::string_view n = kWeekdays[weekday - 1];
  return abbreviate ? n.substr(0, 3) : n;
}

// ---- parsing --------------------------------------------------------------------------------

namespace {
struct Token {
  enum Kind { Number, Word, Colon, Sep } kind;
  std::string_view text;
  long long value = 0;
  int digits = 0;
};

int monthFromWord(std::string_view w) {
  if (w.size() < 3) return 0;
  for (int i = 0; i < 12; ++i) {
    std::string_view full = kMonths[i];
    if (w.size() <= full.size() && equalsNoCase(full.substr(0, w.size()), w)) return i + 1;
  }
  if (equalsNoCase(w, "sept")) return 9;
  return 0;
}

bool isWeekdayWord(std::string_view w) {
  for (auto d : kWeekdays)
    if (equalsNoCase(d, w) || (w.size() == 3 && equalsNoCase(d.substr(0, 3), w))) return true;
  return false;
}

long long expandYear(const Token& t) {
  if (t.digits <= 2) return t.value < 30 ? 2000 + t.value : 1900 + t.value;
  return t.value;
}
}  // namespace

bool parseDate(std::string_view text, double& out) {
  std::vector<Token> toks;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      size_t j = i;
      long long v = 0;
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
        if (v < 100000) v = v * 10 + (text[j] - '0');
        ++j;
      }
      toks.push_back({Token::Number, text.substr(i, j - i), v, int(j - i)});
      i = j;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      size_t j = i;
      while (j < text.size() && ((text[j] >= 'a' && text[j] <= 'z') || (text[j] >= 'A' && text[j] <= 'Z'))) ++j;
      toks.push_back({Token::Word, text.substr(i, j - i)});
      i = j;
    } else if (c == ':') {
      toks.push_back({Token::Colon, text.substr(i, 1)});
      ++i;
    } else if (c == '/' || c == '-' || c == ',' || c == '.') {
      toks.push_back({Token::Sep, text.substr(i, 1)});
      ++i;
    } else if (c == ' ' || c == '\t') {
      ++i;
    } else {
      return false;
    }
  }
  if (toks.size() > 16) return false;
  // time: N ':' N [':' N] [AM|PM]  or  N AM|PM
  bool hasTime = false;
  long long hh = 0, mm = 0, ss = 0;
  std::vector<Token> rest;
  for (size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    bool clock = t.kind == Token::Number && i + 2 < toks.size() && toks[i + 1].kind == Token::Colon &&
                 toks[i + 2].kind == Token::Number;
    bool bareHour = t.kind == Token::Number && i + 1 < toks.size() && toks[i + 1].kind == Token::Word &&
                    (equalsNoCase(toks[i + 1].text, "am") || equalsNoCase(toks[i + 1].text, "pm") ||
                     equalsNoCase(toks[i + 1].text, "a") || equalsNoCase(toks[i + 1].text, "p"));
    if (!hasTime && (clock || bareHour)) {
      hasTime = true;
      hh = t.value;
      size_t j = i + 1;
      if (clock) {
        mm = toks[i + 2].value;
        j = i + 3;
        if (j + 1 < toks.size() && toks[j].kind == Token::Colon && toks[j + 1].kind == Token::Number) {
          ss = toks[j + 1].value;
          j += 2;
        }
      }
      if (j < toks.size() && toks[j].kind == Token::Word) {
        std::string_view w = toks[j].text;
        bool am = equalsNoCase(w, "am") || equalsNoCase(w, "a");
        bool pm = equalsNoCase(w, "pm") || equalsNoCase(w, "p");
        if (am || pm) {
          if (hh < 1 || hh > 12) return false;
          if (am && hh == 12) hh = 0;
          if (pm && hh != 12) hh += 12;
          ++j;
        }
      }
      if (hh > 23 || mm > 59 || ss > 59) return false;
      i = j - 1;
      continue;
    }
    rest.push_back(t);
  }
  // date: numbers and at most one month name; weekday names are ignored
  std::vector<Token> nums;
  int monthWord = 0;
  int monthWordPos = -1;
  for (const Token& t : rest) {
    if (t.kind == Token::Number) nums.push_back(t);
    else if (t.kind == Token::Word) {
      int m = monthFromWord(t.text);
      if (m && !monthWord) { monthWord = m; monthWordPos = int(nums.size()); }
      else if (!isWeekdayWord(t.text)) return false;
    }
  }
  double timePart = double(hh * 3600 + mm * 60 + ss) / 86400.0;
  if (nums.empty() && !monthWord) {
    if (!hasTime) return false;
    out = timePart;
    return true;
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  long long currentYear = local.tm_year + 1900;
  long long y = 0, m = 0, d = 0;
  if (monthWord) {
    m = monthWord;
    if (nums.size() == 2) {
      if (monthWordPos == 0) { d = nums[0].value; y = expandYear(nums[1]); }      // Jan 2, 2000
      else if (monthWordPos == 1) { d = nums[0].value; y = expandYear(nums[1]); } // 2 Jan 2000
      else {
        if (nums[0].digits > 2) { y = nums[0].value; d = nums[1].value; } else return false;
      }
    } else if (nums.size() == 1) {
      if (nums[0].digits > 2 || nums[0].value > 31) { y = expandYear(nums[0]); d = 1; }
      else { d = nums[0].value; y = currentYear; }
    } else {
      return false;
    }
  } else if (nums.size() == 3) {
    if (nums[0].digits > 2 || nums[0].value > 31) {
      y = nums[0].value; m = nums[1].value; d = nums[2].value;
    } else {
      m = nums[0].value; d = nums[1].value; y = expandYear(nums[2]);
      if (m > 12 && d <= 12) std::swap(m, d);
    }
  } else if (nums.size() == 2) {
    if (nums[1].digits > 2 || nums[1].value > 31) { m = nums[0].value; d = 1; y = expandYear(nums[1]); }
    else if (nums[0].digits > 2) { y = nums[0].value; m = nums[1].value; d = 1; }
    else {
      m = nums[0].value; d = nums[1].value; y = currentYear;
      if (m > 12 && d <= 12) std::swap(m, d);
    }
  } else {
    return false;
  }
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(int(y), int(m))) return false;
  out = combineDateTime(daySerial(y, m, d), timePart);
  return true;
}

}  // namespace tablique::script
