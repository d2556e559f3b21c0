// The tokens of the language: literals, names, operators, keywords and statement ends.
#pragma once

#include <tablique/script.h>

#include <cstdint>
#include <string_view>

namespace tablique::script {

enum class Tok : uint8_t {
  End, Newline,  // Newline: a line break or ':'
  Number, String, Date, Ident,
  LParen, RParen, Comma, Dot,
  Plus, Minus, Star, Slash, Backslash, Caret, Amp, Eq, Ne, Lt, Gt, Le, Ge,
  // keywords
  And, ByRef, ByVal, Call, Case, Class, Const, Dim, Do, Each, Else, ElseIf, Empty, End_, Eqv,
  Exit, False, For, Function, Goto, If, Imp, In, Is, Let, Loop, Mod, New, Next, Not, Nothing,
  Null, On, Option, Or, Private, Public, ReDim, Select, Set, Step, Stop, Sub, Then, To, True,
  Until, Wend, While, With, Xor,
};

struct Token {
  Tok kind = Tok::End;
  std::string_view text;
  Value value;  // Number, String, Date
  size_t pos = 0;
};

class Lexer {
public:
  explicit Lexer(std::string_view src) : src_(src) {}
  // Scans the next token. Throws ScriptError for invalid characters and malformed literals.
  void next(Token& t);
  size_t position() const { return pos_; }
  void seek(size_t pos) { pos_ = pos; }
  int line() const;

private:
  void number(Token& t);
  void radix(Token& t);
  void string(Token& t);
  void date(Token& t);
  std::string_view src_;
  size_t pos_ = 0;
};

}  // namespace tablique::script
