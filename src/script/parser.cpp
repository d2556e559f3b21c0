// Recursive-descent parser for expressions (Eval) and programs (AddCode).
//
// Operator ladder, loosest first (one table, binaryOperator below):
//   Imp < Eqv < Xor < Or < And < Not < comparisons (= <> < > <= >= Is, chained left to right)
//   < & < + - < Mod < \ < * / < ^ < unary - +
// Unary minus binds tighter than ^ (-3^2 is 9) and ^ is left-associative (2^3^2 is 64), as
// the engine really applies them.
#include <algorithm>

#include "script/ast.h"
#include "script/lexer.h"
#include "script/value_ops.h"

namespace tablique::script {

namespace {

constexpr int kNotPrecedence = 6;
constexpr int kComparePrecedence = 7;

struct BinaryOperator {
  Op op;
  int prec;  // 0: not a binary operator
};

BinaryOperator binaryOperator(Tok t) {
  switch (t) {
    case Tok::Imp: return {Op::Imp, 1};
    case Tok::Eqv: return {Op::Eqv, 2};
    case Tok::Xor: return {Op::Xor, 3};
    case Tok::Or: return {Op::Or, 4};
    case Tok::And: return {Op::And, 5};
    case Tok::Eq: return {Op::Eq, kComparePrecedence};
    case Tok::Ne: return {Op::Ne, kComparePrecedence};
    case Tok::Lt: return {Op::Lt, kComparePrecedence};
    case Tok::Gt: return {Op::Gt, kComparePrecedence};
    case Tok::Le: return {Op::Le, kComparePrecedence};
    case Tok::Ge: return {Op::Ge, kComparePrecedence};
    case Tok::Is: return {Op::Is, kComparePrecedence};
    case Tok::Amp: return {Op::Concat, 8};
    case Tok::Plus: return {Op::Add, 9};
    case Tok::Minus: return {Op::Sub, 9};
    case Tok::Mod: return {Op::Mod, 10};
    case Tok::Backslash: return {Op::IntDiv, 11};
    case Tok::Star: return {Op::Mul, 12};
    case Tok::Slash: return {Op::Div, 12};
    case Tok::Caret: return {Op::Pow, 14};
    default: return {Op::Add, 0};
  }
}

bool isLineBreak(const Token& t) { return t.kind == Tok::Newline && t.text != ":"; }

class Parser {
public:
  Parser(std::string_view src, Code& code) : lex_(src), code_(code) { advance(); }

  // expression := expr(1) End
  int32_t wholeExpression() {
    int32_t root = expression(1);
    if (tok_.kind == Tok::RParen) raise(err::ExpectedEndOfStatement);
    if (tok_.kind != Tok::End) raise(err::ExpectedEndOfStatement);
    return root;
  }

  // program := { [statement] (NewLine | End) }
  void program(Program& p) {
    program_ = &p;
    p.topLevel = block({});
    if (tok_.kind != Tok::End) unexpectedEnder();
  }

private:
  // ---- expressions ----------------------------------------------------------------------------

  void advance() { lex_.next(tok_); }
  void expect(Tok k, int error) {
    if (tok_.kind != k) raise(error);
    advance();
  }
  int32_t add(const Node& n) {
    if (code_.nodes.size() >= kMaxNodes) raise(err::OutOfMemory);
    code_.nodes.push_back(n);
    return int32_t(code_.nodes.size() - 1);
  }
  int32_t name(std::string_view text) {
    code_.names.push_back(text);
    return int32_t(code_.names.size() - 1);
  }
  int32_t literal(Value v, uint8_t flags) {
    code_.consts.push_back(std::move(v));
    Node n{NodeKind::Literal};
    n.a = int32_t(code_.consts.size() - 1);
    n.flags = flags;
    return add(n);
  }

  struct DepthGuard {
    explicit DepthGuard(int& d) : d_(d) {
      if (++d_ > kMaxParseDepth) raise(err::OutOfStackSpace);
    }
    ~DepthGuard() { --d_; }
    int& d_;
  };

  // expr(p) := ( 'Not' expr(Not) | unary ) { binop(q >= p) expr(q + 1) }
  // Not may also open the right operand of a comparison: 1 <> Not 0 = 0 is 1 <> Not (0 = 0).
  int32_t expression(int minPrec) {
    DepthGuard guard(depth_);
    int32_t lhs;
    if (tok_.kind == Tok::Not) {
      if (minPrec > kComparePrecedence + 1) raise(err::Syntax);
      advance();
      int32_t operand = expression(kNotPrecedence);
      Node n{NodeKind::Unary, Op::Not};
      n.a = operand;
      lhs = add(n);
    } else {
      lhs = unary();
    }
    for (;;) {
      BinaryOperator bin = binaryOperator(tok_.kind);
      if (bin.prec == 0 || bin.prec < minPrec) break;
      advance();
      int32_t rhs = expression(bin.prec + 1);
      Node n{NodeKind::Binary, bin.op};
      n.a = lhs;
      n.b = rhs;
      lhs = add(n);
    }
    return lhs;
  }

  // unary := ('-' | '+') unary | postfix
  int32_t unary() {
    if (tok_.kind == Tok::Minus || tok_.kind == Tok::Plus) {
      DepthGuard guard(depth_);
      Op op = tok_.kind == Tok::Minus ? Op::Neg : Op::Plus;
      advance();
      int32_t operand = unary();
      Node n{NodeKind::Unary, op};
      n.a = operand;
      n.flags = code_.nodes[size_t(operand)].flags & kLiteral;
      return add(n);
    }
    return postfix(primary());
  }

  // postfix := primary { '(' arguments ')' | '.' name }
  int32_t postfix(int32_t node) {
    for (;;) {
      if (tok_.kind == Tok::LParen) {
        Node n{NodeKind::Index};
        n.a = node;
        arguments(n);
        node = add(n);
      } else if (tok_.kind == Tok::Dot) {
        advance();
        if (tok_.kind != Tok::Ident && tok_.kind < Tok::And) raise(err::ExpectedIdentifier);
        Node n{NodeKind::Member};
        n.a = node;
        n.b = name(tok_.text);
        advance();
        node = add(n);
      } else {
        return node;
      }
    }
  }

  // arguments := '(' [ [expr] { ',' [expr] } ] ')'   an argument left out is passed as missing
  void arguments(Node& n) {
    advance();  // (
    std::vector<int32_t> list;
    if (tok_.kind != Tok::RParen) {
      for (;;) {
        const bool leftOut = tok_.kind == Tok::Comma || tok_.kind == Tok::RParen;
        list.push_back(leftOut ? literal(ValueAccess::missing(), 0) : expression(1));
        if (tok_.kind != Tok::Comma) break;
        advance();
      }
    }
    expect(Tok::RParen, err::ExpectedRParen);
    n.b = int32_t(code_.args.size());
    n.c = int32_t(list.size());
    code_.args.insert(code_.args.end(), list.begin(), list.end());
  }

  // primary := number | string | date | True | False | Empty | Null | Nothing
  //          | name [ arguments ] | '(' expr ')'
  int32_t primary() {
    switch (tok_.kind) {
      case Tok::Number: {
        int32_t n = literal(std::move(tok_.value), kNumericLiteral);
        advance();
        return n;
      }
      case Tok::String: case Tok::Date: {
        int32_t n = literal(std::move(tok_.value), tok_.kind == Tok::String ? kStringLiteral : 0);
        advance();
        return n;
      }
      case Tok::True: advance(); return literal(Value(true), 0);
      case Tok::False: advance(); return literal(Value(false), 0);
      case Tok::Empty: advance(); return literal(Value(), 0);
      case Tok::Null: advance(); return literal(Value::null(), 0);
      case Tok::Nothing: advance(); return literal(Value::nothing(), 0);
      case Tok::Ident: {
        int32_t nm = name(tok_.text);
        advance();
        if (tok_.kind == Tok::LParen) {
          Node n{NodeKind::Call};
          n.a = nm;
          arguments(n);
          return add(n);
        }
        Node n{NodeKind::Name};
        n.a = nm;
        return add(n);
      }
      case Tok::LParen: {
        advance();
        int32_t inner = expression(1);
        expect(Tok::RParen, err::ExpectedRParen);
        code_.nodes[size_t(inner)].flags |= kParenthesized;
        return inner;
      }
      default:
        raise(err::Syntax);
    }
  }

  // ---- statements -----------------------------------------------------------------------------

  int32_t addStmt(Stmt s) {
    program_->stmts.push_back(std::move(s));
    return int32_t(program_->stmts.size() - 1);
  }

  [[noreturn]] void unexpectedEnder() {
    switch (tok_.kind) {
      case Tok::Next: raise(1055);
      case Tok::Loop: raise(1038);
      default: raise(err::ExpectedStatement);
    }
  }

  bool isEnder(std::initializer_list<Tok> enders) const {
    return std::find(enders.begin(), enders.end(), tok_.kind) != enders.end();
  }

  void endOfStatement() {
    if (tok_.kind == Tok::Newline) advance();
    else if (tok_.kind != Tok::End) raise(err::ExpectedEndOfStatement);
  }

  // block := { [statement] NewLine } up to one of the enders (or the end of the text)
  std::vector<int32_t> block(std::initializer_list<Tok> enders) {
    DepthGuard guard(depth_);
    std::vector<int32_t> out;
    for (;;) {
      while (tok_.kind == Tok::Newline) advance();
      if (tok_.kind == Tok::End || isEnder(enders)) return out;
      statement(out);
      endOfStatement();
    }
  }

  std::string_view identifier() {
    if (tok_.kind != Tok::Ident) raise(err::ExpectedIdentifier);
    std::string_view t = tok_.text;
    advance();
    return t;
  }

  int32_t nameNode(std::string_view text) {
    Node n{NodeKind::Name};
    n.a = name(text);
    return add(n);
  }

  void statement(std::vector<int32_t>& out) {
    switch (tok_.kind) {
      case Tok::Function: case Tok::Sub: procedure(); return;
      case Tok::Private: case Tok::Public:
        advance();
        if (tok_.kind == Tok::Function || tok_.kind == Tok::Sub) return procedure();
        out.push_back(dim(StmtKind::Dim, false));
        return;
      case Tok::Dim: advance(); out.push_back(dim(StmtKind::Dim, false)); return;
      case Tok::ReDim: {
        advance();
        bool preserve = false;
        if (tok_.kind == Tok::Ident && equalsNoCase(tok_.text, "preserve")) { preserve = true; advance(); }
        out.push_back(dim(StmtKind::ReDim, preserve));
        return;
      }
      case Tok::Const: constant(out); return;
      case Tok::If: ifStatement(out); return;
      case Tok::Select: out.push_back(selectCase()); return;
      case Tok::For: out.push_back(forStatement()); return;
      case Tok::Do: out.push_back(doLoop()); return;
      case Tok::While: out.push_back(whileWend()); return;
      case Tok::Exit: out.push_back(exitStatement()); return;
      case Tok::Call: {
        advance();
        std::string_view nm = identifier();
        Node n{NodeKind::Call};
        n.a = name(nm);
        if (tok_.kind == Tok::LParen) arguments(n);
        else { n.b = int32_t(code_.args.size()); n.c = 0; }
        Stmt s{StmtKind::CallSub};
        s.target = add(n);
        out.push_back(addStmt(std::move(s)));
        return;
      }
      case Tok::Set: case Tok::Let: {
        bool isSet = tok_.kind == Tok::Set;
        advance();
        if (tok_.kind != Tok::Ident) raise(err::ExpectedIdentifier);
        Stmt s{isSet ? StmtKind::Set : StmtKind::Assign};
        assigned(tok_.text);
        s.target = assignTarget();
        expect(Tok::Eq, err::ExpectedEquals);
        s.expr = expression(1);
        out.push_back(addStmt(std::move(s)));
        return;
      }
      case Tok::On: {
        advance();
        if (!(tok_.kind == Tok::Ident && equalsNoCase(tok_.text, "error"))) raise(err::Syntax);
        advance();
        if (tok_.kind == Tok::Ident && equalsNoCase(tok_.text, "resume")) {
          advance();
          if (tok_.kind != Tok::Next) raise(err::ExpectedNext);
          advance();
          out.push_back(addStmt(Stmt{StmtKind::OnErrorResumeNext}));
          return;
        }
        expect(Tok::Goto, err::Syntax);
        if (!(tok_.kind == Tok::Number && tok_.text == "0")) raise(err::Syntax);
        advance();
        out.push_back(addStmt(Stmt{StmtKind::OnErrorGoto0}));
        return;
      }
      case Tok::Option:  // Option Explicit: accepted; undeclared names stay allowed
        advance();
        if (!(tok_.kind == Tok::Ident && equalsNoCase(tok_.text, "explicit"))) raise(err::Syntax);
        advance();
        return;
      case Tok::Stop: advance(); return;
      case Tok::Ident: identStatement(out); return;
      case Tok::Class: case Tok::With: raise(err::Syntax);
      default: unexpectedEnder();
    }
  }

  // target := name [ arguments ]
  int32_t assignTarget() {
    std::string_view nm = identifier();
    if (tok_.kind == Tok::LParen) {
      Node n{NodeKind::Call};
      n.a = name(nm);
      arguments(n);
      return postfix(add(n));
    }
    return postfix(nameNode(nm));
  }

  // name '=' expr | name [ arguments ] '=' expr | name [args...] (a call) | name '(' arg ')'
  void identStatement(std::vector<int32_t>& out) {
    std::string_view nm = tok_.text;
    if (equalsNoCase(nm, "randomize")) {
      advance();
      Stmt s{StmtKind::Randomize};
      if (tok_.kind != Tok::Newline && tok_.kind != Tok::End && tok_.kind != Tok::Else) s.expr = expression(1);
      out.push_back(addStmt(std::move(s)));
      return;
    }
    if (equalsNoCase(nm, "erase")) {
      advance();
      Stmt s{StmtKind::Erase};
      s.target = nameNode(identifier());
      out.push_back(addStmt(std::move(s)));
      return;
    }
    size_t afterName = 0;
    advance();
    afterName = lex_.position();
    Token saved = tok_;
    int32_t target;
    if (tok_.kind == Tok::LParen || tok_.kind == Tok::Dot) {
      size_t nodesBefore = code_.nodes.size(), argsBefore = code_.args.size();
      size_t namesBefore = code_.names.size(), constsBefore = code_.consts.size();
      int32_t nm0 = name(nm);
      int32_t head;
      if (tok_.kind == Tok::LParen) {
        Node n{NodeKind::Call};
        n.a = nm0;
        arguments(n);
        head = add(n);
      } else {
        Node n{NodeKind::Name};
        n.a = nm0;
        head = add(n);
      }
      target = postfix(head);
      if (tok_.kind == Tok::Eq) {
        advance();
        Stmt s{StmtKind::Assign};
        s.target = target;
        assigned(nm);
        s.expr = expression(1);
        out.push_back(addStmt(std::move(s)));
        return;
      }
      if (atStatementEnd()) {
        const Node& n = code_.nodes[size_t(target)];
        if (n.kind == NodeKind::Call && n.c > 1) raise(1044);
        if (n.kind == NodeKind::Call && n.c == 1) code_.nodes[size_t(code_.args[size_t(n.b)])].flags |= kParenthesized;
        Stmt s{StmtKind::CallSub};
        s.target = target;
        out.push_back(addStmt(std::move(s)));
        return;
      }
      // name (a) + 1, b: the parenthesis opened the first argument
      code_.nodes.resize(nodesBefore);
      code_.args.resize(argsBefore);
      code_.names.resize(namesBefore);
      code_.consts.resize(constsBefore);
      lex_.seek(afterName);
      tok_ = saved;
    } else if (tok_.kind == Tok::Eq) {
      advance();
      Stmt s{StmtKind::Assign};
      s.target = nameNode(nm);
      assigned(nm);
      s.expr = expression(1);
      out.push_back(addStmt(std::move(s)));
      return;
    }
    // a Sub call without parentheses: name [ expr { ',' expr } ]
    std::vector<int32_t> list;
    if (!atStatementEnd()) {
      for (;;) {
        list.push_back(expression(1));
        if (tok_.kind != Tok::Comma) break;
        advance();
      }
    }
    Node n{NodeKind::Call};
    n.a = name(nm);
    n.b = int32_t(code_.args.size());
    n.c = int32_t(list.size());
    code_.args.insert(code_.args.end(), list.begin(), list.end());
    Stmt s{StmtKind::CallSub};
    s.target = add(n);
    out.push_back(addStmt(std::move(s)));
  }

  bool atStatementEnd() const {
    return tok_.kind == Tok::Newline || tok_.kind == Tok::End || (singleLineIf_ > 0 && tok_.kind == Tok::Else);
  }

  // dim := name [ '(' [ expr { ',' expr } ] ')' ] { ',' ... }
  int32_t dim(StmtKind kind, bool preserve) {
    Stmt s{kind};
    s.preserve = preserve;
    for (;;) {
      DimItem item;
      std::string_view nm = identifier();
      item.name = name(nm);
      declare(nm);
      if (tok_.kind == Tok::LParen) {
        advance();
        if (tok_.kind == Tok::RParen) item.dynamic = true;
        else {
          for (;;) {
            item.bounds.push_back(expression(1));
            if (tok_.kind != Tok::Comma) break;
            advance();
          }
        }
        expect(Tok::RParen, err::ExpectedRParen);
      } else if (kind == StmtKind::ReDim) {
        raise(err::ExpectedLParen);
      }
      s.dims.push_back(std::move(item));
      if (tok_.kind != Tok::Comma) break;
      advance();
    }
    return addStmt(std::move(s));
  }

  // const := 'Const' name '=' expr { ',' name '=' expr }
  void constant(std::vector<int32_t>& out) {
    advance();
    for (;;) {
      std::string_view nm = identifier();
      declare(nm);
      expect(Tok::Eq, err::ExpectedEquals);
      Stmt s{StmtKind::Const};
      s.target = nameNode(nm);
      s.expr = expression(1);
      out.push_back(addStmt(std::move(s)));
      if (tok_.kind != Tok::Comma) break;
      advance();
    }
  }

  // if := 'If' expr 'Then' ( NewLine block { 'ElseIf' ... } [ 'Else' block ] 'End' 'If'
  //                        | statements [ 'Else' statements ] )
  void ifStatement(std::vector<int32_t>& out) {
    advance();
    Stmt s{StmtKind::If};
    s.expr = expression(1);
    expect(Tok::Then, err::ExpectedThen);
    if (tok_.kind != Tok::End && !isLineBreak(tok_) && !(tok_.kind == Tok::Newline)) {
      // single-line form
      ++singleLineIf_;
      s.body = inlineStatements();
      if (tok_.kind == Tok::Else) {
        advance();
        s.elseBody = inlineStatements();
      }
      --singleLineIf_;
      out.push_back(addStmt(std::move(s)));
      return;
    }
    s.body = block({Tok::ElseIf, Tok::Else, Tok::End_});
    int32_t self = addStmt(std::move(s));
    out.push_back(self);
    int32_t tail = self;
    for (;;) {
      if (tok_.kind == Tok::ElseIf) {
        advance();
        Stmt e{StmtKind::If};
        e.expr = expression(1);
        expect(Tok::Then, err::ExpectedThen);
        e.body = block({Tok::ElseIf, Tok::Else, Tok::End_});
        int32_t idx = addStmt(std::move(e));
        program_->stmts[size_t(tail)].elseBody = {idx};
        tail = idx;
      } else if (tok_.kind == Tok::Else) {
        advance();
        program_->stmts[size_t(tail)].elseBody = block({Tok::End_});
      } else if (tok_.kind == Tok::End_) {
        advance();
        expect(Tok::If, err::ExpectedIf);
        return;
      } else {
        raise(err::ExpectedEnd);
      }
    }
  }

  // statements of a single-line If, separated by ':', up to Else or the line break
  std::vector<int32_t> inlineStatements() {
    std::vector<int32_t> out;
    for (;;) {
      if (tok_.kind == Tok::End || isLineBreak(tok_) || tok_.kind == Tok::Else) return out;
      if (tok_.kind == Tok::Newline) { advance(); continue; }  // ':'
      statement(out);
      if (!(tok_.kind == Tok::Newline || tok_.kind == Tok::End || tok_.kind == Tok::Else))
        raise(err::ExpectedEndOfStatement);
    }
  }

  // select := 'Select' 'Case' expr NewLine { 'Case' items NewLine block } [ 'Case' 'Else' ... ]
  //           'End' 'Select'
  int32_t selectCase() {
    advance();
    expect(Tok::Case, err::ExpectedCase);
    Stmt s{StmtKind::Select};
    s.expr = expression(1);
    endOfStatement();
    while (tok_.kind == Tok::Newline) advance();
    while (tok_.kind == Tok::Case) {
      advance();
      CaseClause clause;
      if (tok_.kind == Tok::Else) {
        advance();
      } else {
        for (;;) {
          CaseItem item;
          if (tok_.kind == Tok::Is) {
            advance();
            BinaryOperator bin = binaryOperator(tok_.kind);
            if (bin.prec != 7 || bin.op == Op::Is) raise(err::Syntax);
            advance();
            item.isRelational = true;
            item.compare = bin.op;
            item.from = expression(1);
          } else {
            item.from = expression(1);
            if (tok_.kind == Tok::To) {
              advance();
              item.to = expression(1);
            }
          }
          clause.items.push_back(item);
          if (tok_.kind != Tok::Comma) break;
          advance();
        }
      }
      clause.body = block({Tok::Case, Tok::End_});
      s.cases.push_back(std::move(clause));
    }
    expect(Tok::End_, err::ExpectedEnd);
    expect(Tok::Select, err::ExpectedSelect);
    return addStmt(std::move(s));
  }

  // for := 'For' name '=' expr 'To' expr [ 'Step' expr ] NewLine block 'Next' [ name ]
  //      | 'For' 'Each' name 'In' expr NewLine block 'Next' [ name ]
  int32_t forStatement() {
    advance();
    Stmt s{StmtKind::For};
    if (tok_.kind == Tok::Each) {
      advance();
      s.kind = StmtKind::ForEach;
      std::string_view nm = identifier();
      assigned(nm);
      s.target = nameNode(nm);
      expect(Tok::In, err::ExpectedIn);
      s.expr = expression(1);
    } else {
      std::string_view nm = identifier();
      assigned(nm);
      s.target = nameNode(nm);
      expect(Tok::Eq, err::ExpectedEquals);
      s.expr = expression(1);
      expect(Tok::To, err::ExpectedTo);
      s.expr2 = expression(1);
      if (tok_.kind == Tok::Step) {
        advance();
        s.expr3 = expression(1);
      }
    }
    endOfStatement();
    ++forDepth_;
    s.body = block({Tok::Next});
    --forDepth_;
    expect(Tok::Next, err::ExpectedNext);
    if (tok_.kind == Tok::Ident) advance();
    return addStmt(std::move(s));
  }

  // do := 'Do' [ ('While' | 'Until') expr ] NewLine block 'Loop' [ ('While' | 'Until') expr ]
  int32_t doLoop() {
    advance();
    Stmt s{StmtKind::Do};
    if (tok_.kind == Tok::While || tok_.kind == Tok::Until) {
      s.test = tok_.kind == Tok::While ? LoopTest::PreWhile : LoopTest::PreUntil;
      advance();
      s.expr = expression(1);
    }
    endOfStatement();
    ++doDepth_;
    s.body = block({Tok::Loop});
    --doDepth_;
    expect(Tok::Loop, err::ExpectedLoop);
    if (tok_.kind == Tok::While || tok_.kind == Tok::Until) {
      if (s.test != LoopTest::None) raise(err::ExpectedEndOfStatement);
      s.test = tok_.kind == Tok::While ? LoopTest::PostWhile : LoopTest::PostUntil;
      advance();
      s.expr = expression(1);
    }
    return addStmt(std::move(s));
  }

  // while := 'While' expr NewLine block 'Wend'
  int32_t whileWend() {
    advance();
    Stmt s{StmtKind::Do};
    s.test = LoopTest::PreWhile;
    s.expr = expression(1);
    endOfStatement();
    s.body = block({Tok::Wend});
    expect(Tok::Wend, err::ExpectedWend);
    return addStmt(std::move(s));
  }

  // exit := 'Exit' ( 'Do' | 'For' | 'Function' | 'Sub' )
  int32_t exitStatement() {
    advance();
    Stmt s{StmtKind::Exit};
    switch (tok_.kind) {
      case Tok::Do: if (!doDepth_) raise(err::InvalidExit); s.exit = ExitKind::Do; break;
      case Tok::For: if (!forDepth_) raise(err::InvalidExit); s.exit = ExitKind::For; break;
      case Tok::Function:
        if (!function_ || function_->isSub) raise(err::InvalidExit);
        s.exit = ExitKind::Function;
        break;
      case Tok::Sub:
        if (!function_ || !function_->isSub) raise(err::InvalidExit);
        s.exit = ExitKind::Sub;
        break;
      default: raise(err::InvalidExit);
    }
    advance();
    return addStmt(std::move(s));
  }

  // procedure := ('Function' | 'Sub') name [ '(' [ param { ',' param } ] ')' ] NewLine block
  //              'End' ('Function' | 'Sub');  param := [ 'ByVal' | 'ByRef' ] name [ '(' ')' ]
  void procedure() {
    if (function_) raise(err::Syntax);
    bool isSub = tok_.kind == Tok::Sub;
    advance();
    auto fn = std::make_unique<Function>();
    fn->isSub = isSub;
    fn->name = identifier();
    fn->program = program_;
    fn->locals.push_back(fn->name);
    if (tok_.kind == Tok::LParen) {
      advance();
      if (tok_.kind != Tok::RParen) {
        for (;;) {
          Param p;
          if (tok_.kind == Tok::ByVal) { p.byRef = false; advance(); }
          else if (tok_.kind == Tok::ByRef) advance();
          p.name = identifier();
          if (tok_.kind == Tok::LParen) {
            advance();
            expect(Tok::RParen, err::ExpectedRParen);
          }
          for (auto& q : fn->params)
            if (equalsNoCase(q.name, p.name)) raise(err::NameRedefined);
          fn->params.push_back(p);
          fn->locals.push_back(p.name);
          if (tok_.kind != Tok::Comma) break;
          advance();
        }
      }
      expect(Tok::RParen, err::ExpectedRParen);
    }
    endOfStatement();
    function_ = fn.get();
    size_t firstNode = code_.nodes.size();
    int savedFor = forDepth_, savedDo = doDepth_;
    forDepth_ = doDepth_ = 0;
    fn->body = block({Tok::End_});
    forDepth_ = savedFor;
    doDepth_ = savedDo;
    expect(Tok::End_, err::ExpectedEnd);
    expect(isSub ? Tok::Sub : Tok::Function, isSub ? err::ExpectedSub : err::ExpectedFunction);
    fn->declaredCount = fn->locals.size();
    for (auto nm : implicit_) {
      bool known = false;
      for (auto l : fn->locals) known = known || equalsNoCase(l, nm);
      if (!known) fn->locals.push_back(nm);
    }
    implicit_.clear();
    resolveLocals(*fn, firstNode);
    function_ = nullptr;
    program_->functions.push_back(std::move(fn));
  }

  void declare(std::string_view nm) {
    if (!function_) return;
    for (auto l : function_->locals)
      if (equalsNoCase(l, nm)) return;
    function_->locals.push_back(nm);
  }

  void assigned(std::string_view nm) {
    if (function_) implicit_.push_back(nm);
  }

  // Binds the names of a procedure's body to its local slots.
  void resolveLocals(Function& fn, size_t firstNode) {
    for (size_t i = firstNode; i < code_.nodes.size(); ++i) {
      Node& n = code_.nodes[i];
      if (n.kind != NodeKind::Name && n.kind != NodeKind::Call) continue;
      std::string_view nm = code_.names[size_t(n.a)];
      for (size_t k = 0; k < fn.locals.size(); ++k) {
        if (!equalsNoCase(fn.locals[k], nm)) continue;
        if (k == 0 && n.kind == NodeKind::Call) break;  // a recursive call, not the result
        n.slot = int32_t(k + 1);
        break;
      }
    }
  }

  Lexer lex_;
  Token tok_;
  Code& code_;
  Program* program_ = nullptr;
  Function* function_ = nullptr;
  std::vector<std::string_view> implicit_;
  int depth_ = 0;
  int forDepth_ = 0, doDepth_ = 0;
  int singleLineIf_ = 0;
};

}  // namespace

int32_t parseExpression(std::string_view text, Code& code) {
  code.clear();
  Parser p(text, code);
  return p.wholeExpression();
}

std::unique_ptr<Program> parseProgram(std::string source) {
  auto program = std::make_unique<Program>();
  program->source = std::move(source);
  Parser p(program->source, program->code);
  p.program(*program);
  return program;
}

namespace {
const char* opText(Op op) {
  static const char* texts[] = {"Imp", "Eqv", "Xor", "Or", "And", "Not", "=", "<>", "<", ">", "<=", ">=",
                                "Is", "&", "+", "-", "Mod", "\\", "*", "/", "^", "-", "+"};
  return texts[int(op)];
}
}  // namespace

std::string printTree(const Code& code, int32_t node) {
  const Node& n = code.nodes[size_t(node)];
  auto list = [&](int32_t first, int32_t count) {
    std::string s;
    for (int32_t i = 0; i < count; ++i) {
      if (i) s += ", ";
      s += printTree(code, code.args[size_t(first + i)]);
    }
    return s;
  };
  switch (n.kind) {
    case NodeKind::Literal: {
      const Value& v = code.consts[size_t(n.a)];
      if (v.isString()) return "\"" + v.str() + "\"";
      if (v.isNull()) return "Null";
      if (v.isObject()) return "Nothing";
      return v.typeName() == "Empty" ? "Empty" : v.toString();
    }
    case NodeKind::Name: return std::string(code.names[size_t(n.a)]);
    case NodeKind::Call: return std::string(code.names[size_t(n.a)]) + "(" + list(n.b, n.c) + ")";
    case NodeKind::Index: return printTree(code, n.a) + "(" + list(n.b, n.c) + ")";
    case NodeKind::Unary: return std::string("(") + opText(n.op) + (n.op == Op::Not ? " " : "") + printTree(code, n.a) + ")";
    case NodeKind::Binary:
      return "(" + printTree(code, n.a) + " " + opText(n.op) + " " + printTree(code, n.b) + ")";
    case NodeKind::Member: return printTree(code, n.a) + "." + std::string(code.names[size_t(n.b)]);
  }
  return "?";
}

}  // namespace tablique::script
