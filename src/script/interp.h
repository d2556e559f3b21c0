// The interpreter behind Engine: the symbol table, global variables, procedures, the
// expression evaluator and the statement executor.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "script/ast.h"
#include "script/value_ops.h"

namespace tablique::script {

class Interp;

// A built-in function: arguments already evaluated, count checked against min/max.
struct Builtin {
  std::string_view name;  // lower case
  int8_t minArgs, maxArgs;
  Value (*fn)(Interp& in, const Value* args, int count);
};
// All built-ins, sorted by name.
const Builtin* builtinTable(size_t& count);
// Named constants (vbCrLf, vbTextCompare, ...).
struct NamedConstant {
  std::string_view name;
  Value value;
};
std::vector<NamedConstant> namedConstants();

struct Symbol {
  enum Kind : uint8_t { None, Variable, Procedure, BuiltinFn, Constant } kind = None;
  int32_t index = -1;
};

// Case-insensitive open-addressing hash table from names to symbols.
class SymbolTable {
public:
  SymbolTable() : slots_(256) {}
  Symbol find(std::string_view name) const;
  void set(std::string_view name, Symbol s);

private:
  struct Slot {
    std::string key;  // lower case; empty: free
    Symbol sym;
  };
  static uint64_t hash(std::string_view name);
  std::vector<Slot> slots_;
  size_t used_ = 0;
};

struct Frame {
  const Function* fn = nullptr;
  std::vector<Value> storage;
  std::vector<Value*> slots;
  bool resumeNext = false;
};

class Interp {
public:
  Interp();
  void addCode(std::string_view code);
  Value eval(std::string_view text);

  // used by built-ins
  void step();
  // Work in proportion to the bytes a built-in scans or produces and the elements it builds.
  void charge(size_t bytes, size_t elements = 0);
  // The array's heap for writing; a copy of a shared array is charged per element.
  detail::Heap& ownArray(Value& v);
  float nextRandom(const Value* arg);
  void randomize(double seed);

private:
  enum class Flow { Normal, ExitDo, ExitFor, ExitProc };
  struct DepthGuard {
    explicit DepthGuard(Interp& in, int weight = 1);
    ~DepthGuard() { in_.depth_ -= weight_; }
    Interp& in_;
    int weight_;
  };

  Value ev(int32_t node);
  Value evChain(int32_t node);
  Value readName(const Node& n);
  Value call(const Node& n);
  Value callBuiltin(const Builtin& b, int32_t firstArg, int32_t count);
  Value callProcedure(const Function& fn, int32_t firstArg, int32_t count);
  Value indexValue(const Value& v, int32_t firstArg, int32_t count);
  size_t flatIndex(const Value& array, int32_t firstArg, int32_t count);
  Value* variable(const Node& n);
  Value* writableVariable(const Node& n);
  void assign(int32_t target, Value v, bool isSet);
  bool condition(int32_t node);

  Flow execBlock(const std::vector<int32_t>& block);
  Flow exec(const Stmt& s);
  Flow execFor(const Stmt& s);
  Flow execForEach(const Stmt& s);
  Flow execDo(const Stmt& s);
  Flow execSelect(const Stmt& s);
  void execDim(const Stmt& s);
  [[noreturn]] void limit(int number);
  void start();  // fresh bounds for one Eval or AddCode

  SymbolTable symbols_;
  std::deque<Value> globals_;
  std::vector<bool> globalConst_;
  std::vector<Value> constants_;
  std::vector<std::unique_ptr<Program>> programs_;
  std::vector<const Function*> procedures_;
  const Builtin* builtins_ = nullptr;
  Code scratch_;
  const Code* code_ = nullptr;
  const Program* program_ = nullptr;
  Frame* frame_ = nullptr;
  bool topResumeNext_ = false;
  bool limitHit_ = false;
  uint64_t steps_ = 0;
  size_t work_ = 0;             // bytes charged and not yet counted as steps
  std::vector<int32_t> chain_;  // left operands of the binary chains being evaluated
  int depth_ = 0;
  uint32_t rndState_ = 327680;
  float lastRnd_ = 0;
};

}  // namespace tablique::script
