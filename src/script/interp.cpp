// The evaluator and the statement executor.
//
// Eval:    text -> parseExpression (into a reused arena) -> ev(root) -> Value
// AddCode: text -> parseProgram -> procedures entered into the symbol table -> top-level
//          statements run -> globals stay for later Evals.
// Name lookup: a procedure's local slot (resolved at compile time), else the symbol table
// (global variable, user procedure, built-in, named constant), else Empty.
#include "script/interp.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "script/operators.h"
#include "script/text.h"

namespace tablique::script {

// ---- symbol table ---------------------------------------------------------------------------

uint64_t SymbolTable::hash(std::string_view name) {
  uint64_t h = 1469598103934665603ull;
  for (char c : name) {
    h ^= uint8_t(asciiLower(c));
    h *= 1099511628211ull;
  }
  return h;
}

Symbol SymbolTable::find(std::string_view name) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash(name) & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.key.empty()) return {};
    if (equalsNoCase(s.key, name)) return s.sym;
  }
}

void SymbolTable::set(std::string_view name, Symbol sym) {
  if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    used_ = 0;
    for (auto& s : old)
      if (!s.key.empty()) set(s.key, s.sym);
  }
  size_t mask = slots_.size() - 1;
  for (size_t i = hash(name) & mask;; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (s.key.empty()) {
      s.key.resize(name.size());
      std::transform(name.begin(), name.end(), s.key.begin(), asciiLower);
      s.sym = sym;
      ++used_;
      return;
    }
    if (equalsNoCase(s.key, name)) {
      s.sym = sym;
      return;
    }
  }
}

// ---- set-up ---------------------------------------------------------------------------------

Interp::Interp() {
  size_t count = 0;
  builtins_ = builtinTable(count);
  for (size_t i = 0; i < count; ++i) symbols_.set(builtins_[i].name, {Symbol::BuiltinFn, int32_t(i)});
  for (auto& c : namedConstants()) {
    constants_.push_back(c.value);
    symbols_.set(c.name, {Symbol::Constant, int32_t(constants_.size() - 1)});
  }
}

Interp::DepthGuard::DepthGuard(Interp& in, int weight) : in_(in), weight_(weight) {
  in_.depth_ += weight;
  if (in_.depth_ > kMaxDepth) {
    in_.depth_ -= weight;
    weight_ = 0;
    in_.limit(err::OutOfStackSpace);
  }
}

void Interp::limit(int number) {
  limitHit_ = true;
  raise(number);
}

void Interp::step() {
  if (++steps_ > kMaxSteps) limit(err::CantPerform);
}

namespace {
constexpr size_t kBytesPerStep = 32;
constexpr size_t kElementsPerStep = 4;

size_t textBytes(const Value& v) { return v.isString() ? v.str().size() : 0; }
}  // namespace

void Interp::charge(size_t bytes, size_t elements) {
  if ((bytes | elements) == 0) return;
  work_ += bytes + elements * (kBytesPerStep / kElementsPerStep);
  steps_ += work_ / kBytesPerStep;
  work_ %= kBytesPerStep;
  if (steps_ > kMaxSteps) limit(err::CantPerform);
}

detail::Heap& Interp::ownArray(Value& v) {
  const detail::Heap* before = ValueAccess::heap(v);
  detail::Heap& array = ValueAccess::mutableArray(v);
  if (&array != before) charge(0, array.items.size());  // the shared array was copied
  return array;
}

namespace {
// Restores the evaluation context when a procedure returns or throws.
struct ContextSwap {
  ContextSwap(const Code*& code, Frame*& frame, const Program*& program, const Code* c, Frame* f, const Program* p)
      : code_(code), frame_(frame), program_(program), oldCode_(code), oldFrame_(frame), oldProgram_(program) {
    code_ = c;
    frame_ = f;
    program_ = p;
  }
  ~ContextSwap() {
    code_ = oldCode_;
    frame_ = oldFrame_;
    program_ = oldProgram_;
  }
  const Code*& code_;
  Frame*& frame_;
  const Program*& program_;
  const Code* oldCode_;
  Frame* oldFrame_;
  const Program* oldProgram_;
};
}  // namespace

namespace {
// Strings and arrays made while an evaluation runs are held to kMemoryBudget.
struct Metered {
  Metered() : old_(detail::metered) { detail::metered = true; }
  ~Metered() { detail::metered = old_; }
  bool old_;
};

// A string leaves the engine as valid UTF-8: a lone surrogate becomes U+FFFD.
Value leaving(Value v) {
  if (v.isString() && !isAscii(v.str())) {
    std::string valid = validText(v.str());
    if (valid != v.str()) return makeString(std::move(valid));
  }
  return v;
}

// The parse arena keeps a small capacity for the next Eval and gives back what a large text took.
void release(Code& code) {
  constexpr size_t kKeepNodes = 4096;
  code.consts.clear();
  if (code.nodes.capacity() > kKeepNodes) code = Code();
}
}  // namespace

void Interp::start() {
  steps_ = 0;
  work_ = 0;
  depth_ = 0;
  limitHit_ = false;
  chain_.clear();
}

Value Interp::eval(std::string_view text) {
  start();
  Metered metered;
  struct Release {
    ~Release() { release(code); }
    Code& code;
  } releaseAfter{scratch_};
  try {
    int32_t root = parseExpression(text, scratch_);
    ContextSwap ctx(code_, frame_, program_, &scratch_, nullptr, nullptr);
    return leaving(ev(root));
  } catch (const std::bad_alloc&) {
    limit(err::OutOfMemory);
  }
}

void Interp::addCode(std::string_view text) {
  start();
  Metered metered;
  try {
    std::unique_ptr<Program> program = parseProgram(std::string(text));
    for (auto& fn : program->functions) {
      Symbol s = symbols_.find(fn->name);
      if (s.kind == Symbol::Variable) raise(err::NameRedefined);
      procedures_.push_back(fn.get());
      symbols_.set(fn->name, {Symbol::Procedure, int32_t(procedures_.size() - 1)});
    }
    programs_.push_back(std::move(program));
    const Program& p = *programs_.back();
    ContextSwap ctx(code_, frame_, program_, &p.code, nullptr, &p);
    topResumeNext_ = false;
    execBlock(p.topLevel);
  } catch (const std::bad_alloc&) {
    limit(err::OutOfMemory);
  }
}

// ---- expressions ----------------------------------------------------------------------------

Value Interp::ev(int32_t idx) {
  const Node& n = code_->nodes[size_t(idx)];
  switch (n.kind) {
    case NodeKind::Literal:
      return code_->consts[size_t(n.a)];
    case NodeKind::Binary:
      return evChain(idx);
    case NodeKind::Unary: {
      DepthGuard guard(*this);
      Value a = ev(n.a);
      charge(textBytes(a));
      return unaryOp(n.op, a);
    }
    case NodeKind::Name:
      return readName(n);
    case NodeKind::Call:
      return call(n);
    case NodeKind::Index: {
      DepthGuard guard(*this);
      Value callee = ev(n.a);
      return indexValue(callee, n.b, n.c);
    }
    case NodeKind::Member:
      raise(err::ObjectRequired);
  }
  raise(err::Syntax);
}

// A binary node and its chain of left operands (a + b - c ...: ((a + b) - c)) are evaluated in a
// loop, left to right, so a long flat formula needs no nesting; a right operand nests.
Value Interp::evChain(int32_t idx) {
  DepthGuard guard(*this);
  const std::vector<Node>& nodes = code_->nodes;
  const size_t base = chain_.size();
  int32_t left = idx;
  for (; nodes[size_t(left)].kind == NodeKind::Binary; left = nodes[size_t(left)].a) chain_.push_back(left);
  const size_t top = chain_.size();
  Value acc = ev(left);
  for (size_t i = top; i-- > base;) {
    const Node& n = nodes[size_t(chain_[i])];
    Value b = ev(n.b);
    unsigned lit = ((nodes[size_t(n.a)].flags & kLiteral) ? 1u : 0u) |
                   ((nodes[size_t(n.b)].flags & kLiteral) ? 2u : 0u);
    charge(textBytes(acc) + textBytes(b));
    acc = binaryOp(n.op, acc, b, lit);
  }
  chain_.resize(base);
  return acc;
}

Value* Interp::variable(const Node& n) {
  if (n.slot) return frame_->slots[size_t(n.slot - 1)];
  Symbol s = symbols_.find(code_->names[size_t(n.a)]);
  return s.kind == Symbol::Variable ? &globals_[size_t(s.index)] : nullptr;
}

Value Interp::readName(const Node& n) {
  if (n.slot) return *frame_->slots[size_t(n.slot - 1)];
  Symbol s = symbols_.find(code_->names[size_t(n.a)]);
  switch (s.kind) {
    case Symbol::Variable: return globals_[size_t(s.index)];
    case Symbol::Constant: return constants_[size_t(s.index)];
    case Symbol::Procedure: return callProcedure(*procedures_[size_t(s.index)], 0, 0);
    case Symbol::BuiltinFn: return callBuiltin(builtins_[s.index], 0, 0);
    default: return Value();  // an unknown name reads as Empty
  }
}

Value Interp::call(const Node& n) {
  if (n.slot) return indexValue(*frame_->slots[size_t(n.slot - 1)], n.b, n.c);
  Symbol s = symbols_.find(code_->names[size_t(n.a)]);
  switch (s.kind) {
    case Symbol::Variable: return indexValue(globals_[size_t(s.index)], n.b, n.c);
    case Symbol::Procedure: return callProcedure(*procedures_[size_t(s.index)], n.b, n.c);
    case Symbol::BuiltinFn: return callBuiltin(builtins_[s.index], n.b, n.c);
    default: raise(err::TypeMismatch);  // constants and unknown names cannot be called
  }
}

Value Interp::callBuiltin(const Builtin& b, int32_t first, int32_t count) {
  if (count < b.minArgs || count > b.maxArgs) raise(err::WrongArguments);
  step();
  DepthGuard guard(*this);
  constexpr int kInline = 6;
  Value inlineArgs[kInline];
  std::vector<Value> moreArgs(count > kInline ? size_t(count) : 0);
  Value* args = count > kInline ? moreArgs.data() : inlineArgs;
  size_t bytes = 0;
  for (int32_t i = 0; i < count; ++i) {
    args[i] = ev(code_->args[size_t(first + i)]);
    bytes += textBytes(args[i]);
  }
  charge(bytes);  // a built-in reads its text arguments once at least
  Value result = b.fn(*this, args, count);
  charge(textBytes(result));
  return result;
}

Value Interp::callProcedure(const Function& fn, int32_t first, int32_t count) {
  if (size_t(count) != fn.params.size()) raise(err::WrongArguments);
  step();
  DepthGuard guard(*this, 4);
  Frame frame;
  frame.fn = &fn;
  frame.storage.resize(fn.locals.size());
  frame.slots.resize(fn.locals.size());
  for (size_t i = 0; i < fn.locals.size(); ++i) frame.slots[i] = &frame.storage[i];
  for (int32_t i = 0; i < count; ++i) {
    int32_t argNode = code_->args[size_t(first + i)];
    const Node& an = code_->nodes[size_t(argNode)];
    if (fn.params[size_t(i)].byRef && an.kind == NodeKind::Name && !(an.flags & kParenthesized)) {
      if (Value* p = variable(an)) {
        frame.slots[size_t(i) + 1] = p;
        continue;
      }
    }
    frame.storage[size_t(i) + 1] = ev(argNode);
  }
  for (size_t k = fn.declaredCount; k < fn.locals.size(); ++k) {
    Symbol s = symbols_.find(fn.locals[k]);
    if (s.kind == Symbol::Variable) frame.slots[k] = &globals_[size_t(s.index)];
  }
  {
    ContextSwap ctx(code_, frame_, program_, &fn.program->code, &frame, fn.program);
    execBlock(fn.body);
  }
  if (fn.isSub) return Value();
  return std::move(frame.storage[0]);
}

size_t Interp::flatIndex(const Value& array, int32_t first, int32_t count) {
  const std::vector<int32_t>& upper = array.upperBounds();
  if (size_t(count) != upper.size()) raise(err::SubscriptOutOfRange);
  size_t flat = 0;
  for (int32_t i = 0; i < count; ++i) {
    int32_t k = toLong(ev(code_->args[size_t(first + i)]));
    if (k < 0 || k > upper[size_t(i)]) raise(err::SubscriptOutOfRange);
    flat = flat * size_t(upper[size_t(i)] + 1) + size_t(k);
  }
  return flat;
}

Value Interp::indexValue(const Value& v, int32_t first, int32_t count) {
  if (!v.isArray()) raise(err::TypeMismatch);
  Value keep = v;  // the element stays valid while the indexes are evaluated
  return keep.items()[flatIndex(keep, first, count)];
}

// ---- assignment -----------------------------------------------------------------------------

Value* Interp::writableVariable(const Node& n) {
  if (n.slot) return frame_->slots[size_t(n.slot - 1)];
  std::string_view name = code_->names[size_t(n.a)];
  Symbol s = symbols_.find(name);
  switch (s.kind) {
    case Symbol::Variable:
      if (globalConst_[size_t(s.index)]) raise(err::IllegalAssignment);
      return &globals_[size_t(s.index)];
    case Symbol::None:
    case Symbol::BuiltinFn:  // a global of a built-in's name hides it
      globals_.emplace_back();
      globalConst_.push_back(false);
      symbols_.set(name, {Symbol::Variable, int32_t(globals_.size() - 1)});
      return &globals_.back();
    default:
      raise(err::IllegalAssignment);
  }
}

void Interp::assign(int32_t target, Value v, bool isSet) {
  if (isSet && !v.isObject()) raise(err::ObjectRequired);
  const Node& t = code_->nodes[size_t(target)];
  if (t.kind == NodeKind::Name) {
    *writableVariable(t) = std::move(v);
    return;
  }
  if (t.kind == NodeKind::Call) {
    Value* p = t.slot ? frame_->slots[size_t(t.slot - 1)] : variable(t);
    if (!p || !p->isArray()) {
      Symbol s = symbols_.find(code_->names[size_t(t.a)]);
      raise(s.kind == Symbol::None || s.kind == Symbol::Variable || t.slot ? err::TypeMismatch : err::IllegalAssignment);
    }
    size_t k = flatIndex(*p, t.b, t.c);
    detail::Heap& array = ownArray(*p);
    if (array.strings) {  // a String() array keeps String elements
      if (v.isNull()) raise(err::InvalidUseOfNull);
      v = makeString(v.toString());
    }
    array.items[k] = std::move(v);
    return;
  }
  if (t.kind == NodeKind::Member) raise(err::ObjectRequired);
  raise(err::IllegalAssignment);
}

bool Interp::condition(int32_t node) {
  Value v = ev(node);
  if (v.isNull()) return false;
  return toBoolean(v);
}

// ---- statements -----------------------------------------------------------------------------

Interp::Flow Interp::execBlock(const std::vector<int32_t>& block) {
  DepthGuard guard(*this);
  for (int32_t idx : block) {
    const Stmt& s = program_->stmts[size_t(idx)];
    bool resume = frame_ ? frame_->resumeNext : topResumeNext_;
    if (!resume) {
      Flow f = exec(s);
      if (f != Flow::Normal) return f;
      continue;
    }
    try {
      Flow f = exec(s);
      if (f != Flow::Normal) return f;
    } catch (const ScriptError&) {
      if (limitHit_) throw;  // limits cannot be resumed past
    }
  }
  return Flow::Normal;
}

Interp::Flow Interp::exec(const Stmt& s) {
  step();
  switch (s.kind) {
    case StmtKind::Assign: case StmtKind::Set: {
      Value v = ev(s.expr);
      assign(s.target, std::move(v), s.kind == StmtKind::Set);
      return Flow::Normal;
    }
    case StmtKind::CallSub: {
      const Node& n = code_->nodes[size_t(s.target)];
      if (n.kind == NodeKind::Name) {
        Symbol sym = n.slot ? Symbol{} : symbols_.find(code_->names[size_t(n.a)]);
        if (sym.kind == Symbol::None && !n.slot) raise(err::TypeMismatch);
      }
      ev(s.target);
      return Flow::Normal;
    }
    case StmtKind::Dim: case StmtKind::ReDim:
      execDim(s);
      return Flow::Normal;
    case StmtKind::Const: {
      Value v = ev(s.expr);
      const Node& t = code_->nodes[size_t(s.target)];
      *writableVariable(t) = std::move(v);
      if (!t.slot) {
        Symbol sym = symbols_.find(code_->names[size_t(t.a)]);
        globalConst_[size_t(sym.index)] = true;
      }
      return Flow::Normal;
    }
    case StmtKind::If:
      return execBlock(condition(s.expr) ? s.body : s.elseBody);
    case StmtKind::Select: return execSelect(s);
    case StmtKind::For: return execFor(s);
    case StmtKind::ForEach: return execForEach(s);
    case StmtKind::Do: return execDo(s);
    case StmtKind::Exit:
      switch (s.exit) {
        case ExitKind::Do: return Flow::ExitDo;
        case ExitKind::For: return Flow::ExitFor;
        default: return Flow::ExitProc;
      }
    case StmtKind::OnErrorResumeNext:
      (frame_ ? frame_->resumeNext : topResumeNext_) = true;
      return Flow::Normal;
    case StmtKind::OnErrorGoto0:
      (frame_ ? frame_->resumeNext : topResumeNext_) = false;
      return Flow::Normal;
    case StmtKind::Randomize:
      if (s.expr >= 0) randomize(toNumber(ev(s.expr)));
      else randomize(double(std::chrono::steady_clock::now().time_since_epoch().count() % 86400000) / 1000.0);
      return Flow::Normal;
    case StmtKind::Erase: {
      Value* p = writableVariable(code_->nodes[size_t(s.target)]);
      if (!p->isArray()) raise(err::TypeMismatch);
      detail::Heap& array = ownArray(*p);
      charge(0, array.items.size());
      for (auto& item : array.items) item = array.strings ? makeString("") : Value();
      return Flow::Normal;
    }
  }
  return Flow::Normal;
}

void Interp::execDim(const Stmt& s) {
  for (const DimItem& item : s.dims) {
    Node n{NodeKind::Name};
    n.a = item.name;
    // resolve the slot the way the parser did for names of this procedure
    if (frame_) {
      for (size_t k = 0; k < frame_->fn->locals.size(); ++k)
        if (equalsNoCase(frame_->fn->locals[k], code_->names[size_t(item.name)])) n.slot = int32_t(k + 1);
    }
    Value* p = writableVariable(n);
    if (item.bounds.empty()) {
      if (item.dynamic) *p = ValueAccess::array({}, {-1});
      else if (s.kind == StmtKind::Dim && !p->isArray()) *p = Value();
      continue;
    }
    std::vector<int32_t> upper;
    size_t total = 1;
    for (int32_t b : item.bounds) {
      int32_t u = toLong(ev(b));
      if (u < -1) raise(err::SubscriptOutOfRange);
      upper.push_back(u);
      total *= size_t(u + 1);
      if (total > kMaxArrayElements) limit(err::OutOfMemory);
    }
    charge(0, total);
    std::vector<Value> items(total);
    if (s.preserve && p->isArray()) {
      const std::vector<int32_t>& old = p->upperBounds();
      if (old.size() != upper.size()) raise(err::SubscriptOutOfRange);
      for (size_t d = 0; d + 1 < old.size(); ++d)
        if (old[d] != upper[d]) raise(err::SubscriptOutOfRange);
      size_t oldLast = size_t(old.back() + 1), newLast = size_t(upper.back() + 1);
      size_t rows = oldLast ? p->items().size() / oldLast : 0;
      for (size_t r = 0; r < rows; ++r)
        for (size_t c = 0; c < std::min(oldLast, newLast); ++c) items[r * newLast + c] = p->items()[r * oldLast + c];
    }
    *p = ValueAccess::array(std::move(items), std::move(upper));
  }
}

Interp::Flow Interp::execFor(const Stmt& s) {
  auto number = [&](int32_t node) {
    Value v = ev(node);
    if (v.isNull()) raise(err::InvalidUseOfNull);
    if (v.isString() || v.isEmpty()) return Value(toNumber(v));
    if (!v.isNumber() && v.type() != Type::Boolean && v.type() != Type::Date) raise(err::TypeMismatch);
    return v;
  };
  Value start = number(s.expr), end = number(s.expr2);
  Value stepBy = s.expr3 >= 0 ? number(s.expr3) : Value::integer(1);
  bool down = numericValue(stepBy) < 0;
  double last = numericValue(end);
  const Node& var = code_->nodes[size_t(s.target)];
  *writableVariable(var) = start;
  for (;;) {
    step();
    double current = toNumber(*writableVariable(var));
    if (down ? current < last : current > last) return Flow::Normal;
    Flow f = execBlock(s.body);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
    Value* p = writableVariable(var);
    *p = binaryOp(Op::Add, *p, stepBy);
  }
}

Interp::Flow Interp::execForEach(const Stmt& s) {
  Value collection = ev(s.expr);
  if (!collection.isArray()) raise(451);
  const Node& var = code_->nodes[size_t(s.target)];
  for (const Value& item : collection.items()) {
    step();
    *writableVariable(var) = item;
    Flow f = execBlock(s.body);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
  }
  return Flow::Normal;
}

Interp::Flow Interp::execDo(const Stmt& s) {
  for (;;) {
    step();
    if (s.test == LoopTest::PreWhile && !condition(s.expr)) return Flow::Normal;
    if (s.test == LoopTest::PreUntil && condition(s.expr)) return Flow::Normal;
    Flow f = execBlock(s.body);
    if (f == Flow::ExitDo) return Flow::Normal;
    if (f != Flow::Normal) return f;
    if (s.test == LoopTest::PostWhile && !condition(s.expr)) return Flow::Normal;
    if (s.test == LoopTest::PostUntil && condition(s.expr)) return Flow::Normal;
  }
}

Interp::Flow Interp::execSelect(const Stmt& s) {
  Value v = ev(s.expr);
  bool vLit = code_->nodes[size_t(s.expr)].flags & kLiteral;
  for (const CaseClause& clause : s.cases) {
    bool match = clause.items.empty();
    for (const CaseItem& item : clause.items) {
      if (match) break;
      Value from = ev(item.from);
      bool fLit = code_->nodes[size_t(item.from)].flags & kLiteral;
      if (item.to >= 0) {
        Value to = ev(item.to);
        bool tLit = code_->nodes[size_t(item.to)].flags & kLiteral;
        int a = compareValues(v, from, vLit, fLit), b = compareValues(v, to, vLit, tLit);
        match = a != 2 && b != 2 && a >= 0 && b <= 0;
      } else {
        int c = compareValues(v, from, vLit, fLit);
        if (c == 2) continue;
        switch (item.compare) {
          case Op::Ne: match = c != 0; break;
          case Op::Lt: match = c < 0; break;
          case Op::Gt: match = c > 0; break;
          case Op::Le: match = c <= 0; break;
          case Op::Ge: match = c >= 0; break;
          default: match = c == 0; break;
        }
      }
    }
    if (match) return execBlock(clause.body);
  }
  return Flow::Normal;
}

// ---- Rnd: the engine's 24-bit linear congruential generator --------------------------------

float Interp::nextRandom(const Value* arg) {
  if (arg) {
    double d = toNumber(*arg);
    if (d == 0) return lastRnd_;
    if (d < 0) {
      float f = float(d);
      uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      rndState_ = (bits + (bits >> 24)) & 0xFFFFFF;
    }
  }
  rndState_ = (rndState_ * 1140671485u + 12820163u) & 0xFFFFFF;
  lastRnd_ = float(rndState_) / 16777216.0f;
  return lastRnd_;
}

void Interp::randomize(double seed) {
  uint64_t bits;
  std::memcpy(&bits, &seed, sizeof bits);
  uint32_t hi = uint32_t(bits >> 32);
  hi ^= hi >> 16;
  rndState_ = (rndState_ & 0xFF) | ((hi & 0xFFFF) << 8);
}

// ---- Engine ---------------------------------------------------------------------------------

struct Engine::Impl {
  Interp interp;
};

Engine::Engine() : impl_(std::make_unique<Impl>()) {}
Engine::~Engine() = default;

void Engine::AddCode(std::string_view code) { impl_->interp.addCode(code); }
Value Engine::Eval(std::string_view expression) { return impl_->interp.eval(expression); }

}  // namespace tablique::script
