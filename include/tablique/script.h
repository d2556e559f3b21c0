// tablique::script: the formula language engine (a VBScript expression engine).
//
//   Engine engine;
//   engine.AddCode("Function Twice(x)\r\nTwice = 2 * x\r\nEnd Function");
//   Value v = engine.Eval("Twice(21) & \"!\"");   // "42!", a String
//   v.toString();                                 // the text CStr gives
//
// Every failure (syntax, run time, limits) is a ScriptError carrying VBScript's error number
// and its standard English description.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tablique::script {

// The variant subtypes, numbered as VarType reports them.
enum class Type : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Object = 9,  // only Nothing exists: the engine has no objects
  Boolean = 11,
  Byte = 17,
  Array = 8204,  // an array of variants (vbArray + vbVariant)
};

namespace detail {
struct Heap;  // the out-of-line part of a String or an Array
}

class Value {
public:
  Value() noexcept : type_(Type::Empty) { num_.i = 0; }
  Value(double d) noexcept : type_(Type::Double) { num_.d = d; }
  Value(int32_t i) noexcept : type_(Type::Long) { num_.i = i; }
  Value(bool b) noexcept : type_(Type::Boolean) { num_.i = b ? -1 : 0; }
  Value(std::string s);
  Value(std::string_view s);
  Value(const char* s);

  static Value null() noexcept { Value v; v.type_ = Type::Null; return v; }
  static Value nothing() noexcept { Value v; v.type_ = Type::Object; return v; }
  static Value byte(uint8_t b) noexcept { return integral(Type::Byte, b); }
  static Value integer(int16_t i) noexcept { return integral(Type::Integer, i); }
  static Value longValue(int32_t i) noexcept { return integral(Type::Long, i); }
  static Value boolean(bool b) noexcept { return Value(b); }
  static Value single(float f) noexcept { Value v; v.type_ = Type::Single; v.num_.d = f; return v; }
  static Value date(double serial) noexcept { Value v; v.type_ = Type::Date; v.num_.d = serial; return v; }
  // Currency is a count of ten-thousandths.
  static Value currency(int64_t scaled) noexcept { return integral(Type::Currency, scaled); }
  // A one-dimensional array with lower bound 0.
  static Value array(std::vector<Value> items);

  Type type() const noexcept { return type_; }
  bool isEmpty() const noexcept { return type_ == Type::Empty; }
  bool isNull() const noexcept { return type_ == Type::Null; }
  bool isString() const noexcept { return type_ == Type::String; }
  bool isArray() const noexcept { return type_ == Type::Array; }
  bool isObject() const noexcept { return type_ == Type::Object; }
  // A numeric subtype: Byte, Integer, Long, Single, Double, Currency (not Boolean, Date, Empty).
  bool isNumber() const noexcept;
  // What IsNumeric answers: numbers, Boolean, Empty, and strings that parseNumber accepts.
  bool isNumeric() const;

  // Raw payloads; each is meaningful only for the subtypes named.
  int64_t integral() const noexcept { return num_.i; }  // Boolean, Byte, Integer, Long, Currency
  double real() const noexcept { return num_.d; }       // Single, Double, Date
  const std::string& str() const;                      // String ("" for any other subtype)
  const std::vector<Value>& items() const;             // Array (all elements, row-major)
  const std::vector<int32_t>& upperBounds() const;     // Array (one per dimension)

  // VBScript's coercion to a number (CDbl): Empty is 0, True is -1, strings must be numeric.
  // Throws ScriptError 13 for a non-numeric value, 94 for Null.
  double toDouble() const;
  // CStr: the text VBScript writes for this value. Throws 94 for Null, 13 for an array.
  std::string toString() const;
  std::string typeName() const;  // TypeName
  int varType() const noexcept { return static_cast<int>(type_); }

private:
  static Value integral(Type t, int64_t i) noexcept { Value v; v.type_ = t; v.num_.i = i; return v; }
  friend struct ValueAccess;

  Type type_;
  union {
    int64_t i;
    double d;
  } num_;
  std::shared_ptr<detail::Heap> heap_;
};

class ScriptError : public std::runtime_error {
public:
  ScriptError(int number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

private:
  int number_;
  std::string description_;
};

class Engine {
public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Compiles Function/Sub definitions into the engine and runs the top-level statements.
  void AddCode(std::string_view code);
  // Parses and evaluates one expression. Throws ScriptError.
  Value Eval(std::string_view expression);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// CStr of a Double: at most 15 significant digits, "." as decimal point, trailing zeros
// dropped; the exponent form (E+15, E-12) only where VBScript uses it. The number text of
// the whole core.
std::string numberText(double d);
// The same text written into a buffer (no allocation); valid while the buffer lives.
struct NumberBuffer {
  char chars[40];
};
std::string_view numberText(double d, NumberBuffer& buf);
// VBScript's number text (what IsNumeric and CDbl accept, except the "," grouping of the whole
// part they also allow): surrounding blanks, a sign, digits with a decimal point, an exponent,
// or &H / &O literals. Empty text is not numeric. Returns true and sets out when the text is
// numeric.
bool parseNumber(std::string_view text, double& out);

}  // namespace tablique::script
