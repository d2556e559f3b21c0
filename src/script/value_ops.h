// The Value module's private side: the heap part, limits and every coercion rule.
// Operators and built-ins convert values only through these functions.
#pragma once

#include <tablique/script.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/errors.h"

namespace tablique::script {

namespace detail {
// Bytes held by the strings and arrays alive on this thread, and whether an evaluation that
// must stay within its memory budget is running.
inline thread_local size_t heapBytes = 0;
inline thread_local bool metered = false;

struct Heap {
  std::string text;              // String
  std::vector<Value> items;      // Array, row-major (last index fastest)
  std::vector<int32_t> upper;    // Array: upper bound of each dimension (lower bounds are 0)
  bool strings = false;          // a String() array (Split, Filter): elements are kept as String
  size_t charged = 0;            // bytes counted in heapBytes

  Heap() = default;
  Heap(const Heap& o) : text(o.text), items(o.items), upper(o.upper), strings(o.strings) { charge(); }
  Heap& operator=(const Heap&) = delete;
  ~Heap() { heapBytes -= charged < heapBytes ? charged : heapBytes; }  // another thread may free it
  // Counts the parts in heapBytes: error 7 when a metered evaluation passes kMemoryBudget.
  void charge();
};
}  // namespace detail

// Bounds that keep one Eval finite.
inline constexpr size_t kMaxStringLength = size_t(1) << 23;  // bytes of one string
inline constexpr size_t kMaxArrayElements = size_t(1) << 20;
inline constexpr size_t kMemoryBudget = size_t(96) << 20;  // bytes of all strings and arrays
inline constexpr size_t kMaxNodes = size_t(1) << 20;        // parsed nodes of one expression
inline constexpr int kMaxDepth = 400;           // nested evaluation (expressions and calls)
inline constexpr int kMaxParseDepth = 200;      // nested parentheses and operators
#ifndef TABLIQUE_SCRIPT_MAX_STEPS
#define TABLIQUE_SCRIPT_MAX_STEPS 2000000  // the fuzz build sets a smaller bound
#endif
inline constexpr uint64_t kMaxSteps = TABLIQUE_SCRIPT_MAX_STEPS;  // statements, loop turns and calls

struct ValueAccess {
  static Value string(std::string s);  // checks kMaxStringLength (error 14)
  static Value array(std::vector<Value> items, std::vector<int32_t> upper);
  static Value stringArray(std::vector<Value> items);  // one dimension, String elements
  static const detail::Heap* heap(const Value& v) { return v.heap_.get(); }
  // An argument left out of a call (f(a, , c)): Empty to everything but isMissing.
  static Value missing() { return Value::integral(Type::Empty, 1); }
  static bool isMissing(const Value& v) { return v.type_ == Type::Empty && v.num_.i == 1; }
  static detail::Heap* heap(Value& v) { return v.heap_.get(); }
  // The array's heap, copied first when shared (arrays have value semantics).
  static detail::Heap& mutableArray(Value& v);
};

inline Value makeString(std::string s) { return ValueAccess::string(std::move(s)); }
inline void checkLength(size_t n) {
  if (n > kMaxStringLength) raise(err::OutOfStringSpace);
}

// Banker's rounding (ties to even), the rounding of \, Mod, CInt, CLng and array indexes.
inline double roundHalfEven(double d) { return std::nearbyint(d); }

// Value of a number-like subtype as double (no string parsing; Empty 0).
double numericValue(const Value& v);
// CDbl: numbers, Boolean, Empty, Date and numeric strings; 13 otherwise, 94 for Null, 6 for
// numeric text beyond Double's range.
double toNumber(const Value& v);
// A string as the engine coerces it to a number: parseNumber's forms, also with "," grouping
// the whole part ("1,000"). 0 not numeric, 1 numeric (out set), 6 numeric but out of range.
int coerceText(std::string_view text, double& out);
// CBool.
bool toBoolean(const Value& v);
// CLng / CInt / CByte with banker's rounding: 6 when out of range.
int32_t toLong(const Value& v);
int16_t toInteger(const Value& v);
// The smallest of Byte/Integer/Long/Double that holds i, no smaller than `atLeast`.
Value fitIntegral(int64_t i, Type atLeast);
// Double result: error 6 when not finite.
Value checkedDouble(double d);
// CCur: the exact value rounded to ten-thousandths (ties to even); 6 when out of range.
int64_t toCurrencyScaled(double d);
int64_t toCurrencyScaled(const Value& v);  // strings exactly from their decimal digits
// Text of a number with `digits` significant digits (15 for Double, 7 for Single).
std::string realText(double d, int digits);
std::string currencyText(int64_t scaled);

// Case-insensitive comparison of ASCII letters (identifiers, keywords).
inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
inline bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}
int compareNoCase(std::string_view a, std::string_view b);

}  // namespace tablique::script
