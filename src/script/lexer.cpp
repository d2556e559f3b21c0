#include "script/lexer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>

#include "script/dates.h"
#include "script/value_ops.h"

namespace tablique::script {

namespace {
struct Keyword {
  std::string_view text;
  Tok tok;
};
// Sorted case-insensitively.
constexpr Keyword kKeywords[] = {
    {"and", Tok::And}, {"byref", Tok::ByRef}, {"byval", Tok::ByVal}, {"call", Tok::Call},
    {"case", Tok::Case}, {"class", Tok::Class}, {"const", Tok::Const}, {"dim", Tok::Dim},
    {"do", Tok::Do}, {"each", Tok::Each}, {"else", Tok::Else}, {"elseif", Tok::ElseIf},
    {"empty", Tok::Empty}, {"end", Tok::End_}, {"eqv", Tok::Eqv}, {"exit", Tok::Exit},
    {"false", Tok::False}, {"for", Tok::For}, {"function", Tok::Function}, {"goto", Tok::Goto},
    {"if", Tok::If}, {"imp", Tok::Imp}, {"in", Tok::In}, {"is", Tok::Is}, {"let", Tok::Let},
    {"loop", Tok::Loop}, {"mod", Tok::Mod}, {"new", Tok::New}, {"next", Tok::Next},
    {"not", Tok::Not}, {"nothing", Tok::Nothing}, {"null", Tok::Null}, {"on", Tok::On},
    {"option", Tok::Option}, {"or", Tok::Or}, {"private", Tok::Private}, {"public", Tok::Public},
    {"redim", Tok::ReDim}, {"select", Tok::Select}, {"set", Tok::Set}, {"step", Tok::Step},
    {"stop", Tok::Stop}, {"sub", Tok::Sub}, {"then", Tok::Then}, {"to", Tok::To},
    {"true", Tok::True}, {"until", Tok::Until}, {"wend", Tok::Wend}, {"while", Tok::While},
    {"with", Tok::With}, {"xor", Tok::Xor},
};

Tok keywordOrIdent(std::string_view w) {
  if (w.size() < 2 || w.size() > 8) return Tok::Ident;
  auto it = std::lower_bound(std::begin(kKeywords), std::end(kKeywords), w,
                             [](const Keyword& k, std::string_view s) { return compareNoCase(k.text, s) < 0; });
  if (it != std::end(kKeywords) && equalsNoCase(it->text, w)) return it->tok;
  return Tok::Ident;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }
}  // namespace

int Lexer::line() const {
  return 1 + int(std::count(src_.begin(), src_.begin() + std::min(pos_, src_.size()), '\n'));
}

void Lexer::next(Token& t) {
  for (;;) {
    while (pos_ < src_.size() && (src_[pos_] == ' ' || src_[pos_] == '\t')) ++pos_;
    if (pos_ >= src_.size()) {
      t.kind = Tok::End;
      t.pos = pos_;
      t.text = {};
      return;
    }
    char c = src_[pos_];
    // line continuation: " _" at the end of a line
    if (c == '_' && (pos_ + 1 >= src_.size() || !isIdentChar(src_[pos_ + 1]))) {
      size_t p = pos_ + 1;
      while (p < src_.size() && (src_[p] == ' ' || src_[p] == '\t')) ++p;
      if (p < src_.size() && (src_[p] == '\r' || src_[p] == '\n')) {
        if (src_[p] == '\r' && p + 1 < src_.size() && src_[p + 1] == '\n') ++p;
        pos_ = p + 1;
        continue;
      }
      raise(err::InvalidCharacter);
    }
    if (c == '\'') {  // comment to the end of the line
      while (pos_ < src_.size() && src_[pos_] != '\n' && src_[pos_] != '\r') ++pos_;
      continue;
    }
    break;
  }
  t.pos = pos_;
  const char c = src_[pos_];
  auto single = [&](Tok k, size_t n = 1) {
    t.kind = k;
    t.text = src_.substr(pos_, n);
    pos_ += n;
  };
  if (isLetter(c)) {
    size_t p = pos_ + 1;
    while (p < src_.size() && isIdentChar(src_[p])) ++p;
    std::string_view w = src_.substr(pos_, p - pos_);
    if (w.size() == 3 && equalsNoCase(w, "rem") && (p >= src_.size() || src_[p] == ' ' || src_[p] == '\t' || src_[p] == '\r' || src_[p] == '\n')) {
      while (p < src_.size() && src_[p] != '\n' && src_[p] != '\r') ++p;
      pos_ = p;
      next(t);
      return;
    }
    t.kind = keywordOrIdent(w);
    t.text = w;
    pos_ = p;
    return;
  }
  if (isDigit(c) || (c == '.' && pos_ + 1 < src_.size() && isDigit(src_[pos_ + 1]))) return number(t);
  switch (c) {
    case '\r':
      single(Tok::Newline, pos_ + 1 < src_.size() && src_[pos_ + 1] == '\n' ? 2 : 1);
      return;
    case '\n': case ':': single(Tok::Newline); return;
    case '(': single(Tok::LParen); return;
    case ')': single(Tok::RParen); return;
    case ',': single(Tok::Comma); return;
    case '.': single(Tok::Dot); return;
    case '+': single(Tok::Plus); return;
    case '-': single(Tok::Minus); return;
    case '*': single(Tok::Star); return;
    case '/': single(Tok::Slash); return;
    case '\\': single(Tok::Backslash); return;
    case '^': single(Tok::Caret); return;
    case '=':  // => and =< are >= and <=
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '>') return single(Tok::Ge, 2);
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '<') return single(Tok::Le, 2);
      return single(Tok::Eq);
    case '[': {  // [any name]: an identifier that may hold any character but ] and line ends
      const size_t close = src_.find_first_of("]\r\n", pos_ + 1);
      if (close == std::string_view::npos || src_[close] != ']') raise(err::ExpectedRBracket);
      t.kind = Tok::Ident;
      t.text = src_.substr(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
      return;
    }
    case '"': return string(t);
    case '#': return date(t);
    case '&': {
      char n = pos_ + 1 < src_.size() ? src_[pos_ + 1] : '\0';
      if (n == 'h' || n == 'H' || n == 'o' || n == 'O' || (n >= '0' && n <= '7')) {
        char n2 = pos_ + 2 < src_.size() ? src_[pos_ + 2] : '\0';
        bool hex = (n == 'h' || n == 'H') && std::isxdigit((unsigned char)n2);
        bool oct = ((n == 'o' || n == 'O') && n2 >= '0' && n2 <= '7') || (n >= '0' && n <= '7');
        if (hex || oct) return radix(t);
      }
      single(Tok::Amp);
      return;
    }
    case '<':
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '>') return single(Tok::Ne, 2);
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '=') return single(Tok::Le, 2);
      return single(Tok::Lt);
    case '>':
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '=') return single(Tok::Ge, 2);
      if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '<') return single(Tok::Ne, 2);
      return single(Tok::Gt);
    default:
      raise(err::InvalidCharacter);
  }
}

// Integer literals are Integer up to 32767, Long up to 2147483647, Double beyond; a decimal
// point or an exponent makes a Double.
void Lexer::number(Token& t) {
  size_t start = pos_, p = pos_;
  uint64_t iv = 0;
  bool integral = true, big = false;
  while (p < src_.size() && isDigit(src_[p])) {
    if (iv < 100000000000ull) iv = iv * 10 + uint64_t(src_[p] - '0');
    else big = true;
    ++p;
  }
  if (p < src_.size() && src_[p] == '.') {
    integral = false;
    ++p;
    while (p < src_.size() && isDigit(src_[p])) ++p;
  }
  if (p < src_.size() && (src_[p] == 'e' || src_[p] == 'E')) {
    size_t q = p + 1;
    if (q < src_.size() && (src_[q] == '+' || src_[q] == '-')) ++q;
    if (q < src_.size() && isDigit(src_[q])) {
      integral = false;
      while (q < src_.size() && isDigit(src_[q])) ++q;
      p = q;
    } else {
      raise(err::InvalidNumber);
    }
  }
  t.kind = Tok::Number;
  t.text = src_.substr(start, p - start);
  pos_ = p;
  if (integral && !big) {
    if (iv <= 32767) t.value = Value::integer(int16_t(iv));
    else if (iv <= 2147483647) t.value = Value::longValue(int32_t(iv));
    else t.value = Value(double(iv));
    return;
  }
  double d = 0;
  auto res = std::from_chars(t.text.data(), t.text.data() + t.text.size(), d);
  if (res.ec == std::errc::result_out_of_range) {
    // tiny values read as 0, huge ones overflow
    size_t e = t.text.find_first_of("eE");
    if (e == std::string_view::npos || t.text.find('-', e) == std::string_view::npos) raise(err::Overflow);
    d = 0;
  } else if (res.ec != std::errc()) {
    raise(err::InvalidNumber);
  }
  t.value = Value(d);
}

// &Hhex and &Ooctal (or &octal); an optional trailing & makes a Long. Up to 16 bits give an
// Integer (&HFFFF is -1), up to 32 bits a Long.
void Lexer::radix(Token& t) {
  size_t start = pos_, p = pos_ + 1;
  int base = 8;
  if (src_[p] == 'h' || src_[p] == 'H') { base = 16; ++p; }
  else if (src_[p] == 'o' || src_[p] == 'O') ++p;
  uint64_t v = 0;
  while (p < src_.size()) {
    char c = src_[p];
    int digit;
    if (isDigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit((unsigned char)c)) digit = (c | 0x20) - 'a' + 10;
    else break;
    if (digit >= base) break;
    v = v * uint64_t(base) + uint64_t(digit);
    if (v > 0xFFFFFFFFull) raise(err::Overflow);
    ++p;
  }
  bool forceLong = p < src_.size() && src_[p] == '&';
  if (forceLong) ++p;
  t.kind = Tok::Number;
  t.text = src_.substr(start, p - start);
  pos_ = p;
  if (v <= 0xFFFF && !forceLong) t.value = Value::integer(int16_t(uint16_t(v)));
  else if (v <= 0xFFFF) t.value = Value::longValue(int32_t(v));
  else t.value = Value::longValue(int32_t(uint32_t(v)));
}

void Lexer::string(Token& t) {
  size_t p = pos_ + 1;
  std::string s;
  for (;;) {
    if (p >= src_.size() || src_[p] == '\n' || src_[p] == '\r') raise(err::UnterminatedString);
    if (src_[p] == '"') {
      if (p + 1 < src_.size() && src_[p + 1] == '"') {
        s += '"';
        p += 2;
        continue;
      }
      ++p;
      break;
    }
    s += src_[p++];
  }
  t.kind = Tok::String;
  t.text = src_.substr(pos_, p - pos_);
  t.value = makeString(std::move(s));
  pos_ = p;
}

void Lexer::date(Token& t) {
  size_t p = src_.find('#', pos_ + 1);
  size_t nl = src_.find_first_of("\r\n", pos_ + 1);
  if (p == std::string_view::npos || (nl != std::string_view::npos && nl < p)) raise(err::Syntax);
  std::string_view inner = src_.substr(pos_ + 1, p - pos_ - 1);
  double serial;
  if (!parseDate(inner, serial)) raise(err::Syntax);
  t.kind = Tok::Date;
  t.text = src_.substr(pos_, p + 1 - pos_);
  t.value = Value::date(serial);
  pos_ = p + 1;
}

}  // namespace tablique::script
