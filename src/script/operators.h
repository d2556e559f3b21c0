// VBScript's operators on Values: result types, promotion on overflow, Null propagation.
#pragma once

#include "script/ast.h"

namespace tablique::script {

// Binary operator; `literalFlags` bit 0: left operand is a literal (number or string written in
// the expression), bit 1: right one.
Value binaryOp(Op op, const Value& a, const Value& b, unsigned literalFlags = 0);
Value unaryOp(Op op, const Value& a);

// Comparison as = < > apply it: -1, 0, 1, or 2 when either side is Null.
int compareValues(const Value& a, const Value& b, bool aLiteral, bool bLiteral);
// String comparison, binary (0) or text (1) mode: -1, 0, 1.
int compareText(std::string_view a, std::string_view b, int mode);

}  // namespace tablique::script
