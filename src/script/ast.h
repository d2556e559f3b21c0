// The compiled form of expressions and statements: flat arrays of nodes addressed by index, so
// that a fresh Eval allocates nothing once its arena has grown.
#pragma once

#include <tablique/script.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablique::script {

enum class Op : uint8_t {
  Imp, Eqv, Xor, Or, And, Not,
  Eq, Ne, Lt, Gt, Le, Ge, Is,
  Concat, Add, Sub, Mod, IntDiv, Mul, Div, Pow,
  Neg, Plus,
};

enum class NodeKind : uint8_t {
  Literal,  // a = constant index
  Name,     // a = name index
  Call,     // a = name index, b = first argument (in args), c = argument count
  Index,    // a = callee node, b = first argument, c = argument count: f(1)(2)
  Unary,    // op, a = operand
  Binary,   // op, a = left, b = right
  Member,   // a = object node, b = name index: always fails, no objects exist
};

enum NodeFlags : uint8_t {
  kParenthesized = 1,   // written in parentheses: passed by value
  kNumericLiteral = 2,  // a numeric constant: a string compared with it compares as a number
  kStringLiteral = 4,   // a string constant: a number compared with it compares as its text
  kLiteral = kNumericLiteral | kStringLiteral,
};

struct Node {
  Node(NodeKind k = NodeKind::Literal, Op o = Op::Add) : kind(k), op(o) {}
  NodeKind kind;
  Op op = Op::Add;
  uint8_t flags = 0;
  int32_t a = -1, b = -1, c = 0;
  int32_t slot = 0;  // Name/Call inside a procedure: local slot + 1, 0 = look up by name
};

struct Code {
  std::vector<Node> nodes;
  std::vector<int32_t> args;
  std::vector<Value> consts;
  std::vector<std::string_view> names;  // views into the source text

  void clear() {
    nodes.clear();
    args.clear();
    consts.clear();
    names.clear();
  }
};

enum class StmtKind : uint8_t {
  Assign, Set, CallSub, Dim, ReDim, Const, If, Select, For, ForEach, Do, Exit,
  OnErrorResumeNext, OnErrorGoto0, Randomize, Erase,
};

enum class LoopTest : uint8_t { None, PreWhile, PreUntil, PostWhile, PostUntil };
enum class ExitKind : uint8_t { None, Do, For, Function, Sub };

struct CaseItem {
  int32_t from = -1, to = -1;  // a value, or a range from To to
  Op compare = Op::Eq;         // Case Is < x: compare with from
  bool isRelational = false;
};

struct CaseClause {
  std::vector<CaseItem> items;  // empty: Case Else
  std::vector<int32_t> body;
};

struct DimItem {
  int32_t name = -1;
  std::vector<int32_t> bounds;  // expression nodes; empty: a scalar; -1 entries: Dim a()
  bool dynamic = false;         // Dim a()
};

struct Stmt {
  explicit Stmt(StmtKind k) : kind(k) {}
  StmtKind kind;
  int line = 0;
  int32_t target = -1;  // Assign/Set target node; For/ForEach: variable name node; CallSub: call node
  int32_t expr = -1;    // value, condition, selector, For start, collection
  int32_t expr2 = -1;   // For end
  int32_t expr3 = -1;   // For step
  LoopTest test = LoopTest::None;
  ExitKind exit = ExitKind::None;
  bool preserve = false;
  std::vector<int32_t> body, elseBody;
  std::vector<CaseClause> cases;
  std::vector<DimItem> dims;
};

struct Program;

struct Param {
  std::string_view name;
  bool byRef = true;
};

struct Function {
  std::string_view name;
  bool isSub = false;
  std::vector<Param> params;
  std::vector<int32_t> body;
  // Local slots: 0 the result, then the parameters, then declared names, then names only
  // assigned (bound to a global of that name when one exists at the call).
  std::vector<std::string_view> locals;
  size_t declaredCount = 0;
  Program* program = nullptr;
};

struct Program {
  std::string source;
  Code code;
  std::vector<Stmt> stmts;
  std::vector<int32_t> topLevel;
  std::vector<std::unique_ptr<Function>> functions;
};

// Parses one expression into `code` (cleared first); returns the root node. Throws ScriptError.
int32_t parseExpression(std::string_view text, Code& code);
// Parses a program (Function/Sub definitions and top-level statements). Throws ScriptError.
std::unique_ptr<Program> parseProgram(std::string source);
// A readable form of an expression tree, for test failure messages.
std::string printTree(const Code& code, int32_t node);

}  // namespace tablique::script
