// VBScript error numbers and the one place that raises them.
#pragma once

#include <string_view>

namespace tablique::script {

namespace err {
// run time
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int OutOfStringSpace = 14;
inline constexpr int CantPerform = 17;  // the bound on evaluation steps
inline constexpr int OutOfStackSpace = 28;
inline constexpr int InvalidUseOfNull = 94;
inline constexpr int ObjectRequired = 424;
inline constexpr int WrongArguments = 450;
inline constexpr int VariableUndefined = 500;
inline constexpr int IllegalAssignment = 501;
// compile time
inline constexpr int Syntax = 1002;
inline constexpr int ExpectedLParen = 1005;
inline constexpr int ExpectedRParen = 1006;
inline constexpr int ExpectedRBracket = 1007;
inline constexpr int ExpectedIdentifier = 1010;
inline constexpr int ExpectedEquals = 1011;
inline constexpr int ExpectedIf = 1012;
inline constexpr int ExpectedTo = 1013;
inline constexpr int ExpectedEnd = 1014;
inline constexpr int ExpectedFunction = 1015;
inline constexpr int ExpectedSub = 1016;
inline constexpr int ExpectedThen = 1017;
inline constexpr int ExpectedWend = 1018;
inline constexpr int ExpectedLoop = 1019;
inline constexpr int ExpectedNext = 1020;
inline constexpr int ExpectedCase = 1021;
inline constexpr int ExpectedSelect = 1022;
inline constexpr int ExpectedExpression = 1023;
inline constexpr int ExpectedStatement = 1024;
inline constexpr int ExpectedEndOfStatement = 1025;
inline constexpr int ExpectedInteger = 1026;
inline constexpr int ExpectedWhileUntil = 1027;
inline constexpr int InvalidNumber = 1031;
inline constexpr int InvalidCharacter = 1032;
inline constexpr int UnterminatedString = 1033;
inline constexpr int InvalidExit = 1039;
inline constexpr int NameRedefined = 1041;
inline constexpr int ExpectedLiteral = 1045;
inline constexpr int ExpectedIn = 1046;
}  // namespace err

// VBScript's standard English description of an error number.
std::string_view errorDescription(int number);
// Throws ScriptError(number, its description).
[[noreturn]] void raise(int number);

}  // namespace tablique::script
