// The evaluation form: a register-and-stack code derived from the postfix
// program once per compilation.
//
// The postfix program is rebuilt into an expression tree, and the code is
// emitted from the tree with three savings over walking the tokens:
//
// - The top value lives in a local (the accumulator); an operator whose
//   operand is a number or a variable takes it straight from the instruction
//   instead of from the stack, and a comma costs nothing.
// - A subtree with no variable and no assignment is evaluated once, here, and
//   becomes a number, provided its evaluation reports no error. A subtree
//   whose evaluation fails is left as it is, so it fails at every
//   evaluation, as the program says.
// - errno is cleared and tested only around calls that can set it, through
//   an address taken once per evaluation. "+", "-", "*" and unary minus never
//   set it; division checks its divisor itself, and by a non-zero number
//   needs no check at all.
//
// Operands are still evaluated in program order wherever that can be seen:
// an operator takes its left variable after its right subtree only when that
// subtree assigns no such variable.
#include "formula/compiled.h"

#include <cerrno>
#include <cmath>

#include "formula/engine.h"
#include "formula/library.h"

namespace {

// Instructions. "acc" is the accumulator; K is the instruction's number, V
// its variable, S the value popped from the stack. R-forms take the
// instruction's operand as the left operand of the operator.
enum OpCode : uint16_t {
  OpEnd,     // the result is acc
  OpFail,    // the evaluation fails
  OpLoadK,   // acc = K
  OpLoadV,   // acc = V
  OpPushK,   // push acc; acc = K
  OpPushV,   // push acc; acc = V
  OpNeg,     // acc = -acc
  OpAssign,  // V = acc
  OpFunc,    // acc = function(acc), errno tested
  OpFuncQuiet,  // acc = function(acc), for functions that never set errno
  OpFloor,   // acc = floor(acc)
  // one row per operator: acc op K, acc op V, S op acc, K op acc, V op acc
  OpAddK, OpAddV, OpAddS,
  OpSubK, OpSubV, OpSubS, OpRSubK, OpRSubV,
  OpMulK, OpMulV, OpMulS,
  OpDivK, OpDivV, OpDivS, OpRDivK, OpRDivV,
  OpModK, OpModV, OpModS, OpRModK, OpRModV,
  OpPowK, OpPowV, OpPowS, OpRPowK, OpRPowV,
  // acc = V op K: a variable loaded and combined with a number at once
  OpLoadVAddK, OpLoadVSubK, OpLoadVMulK,
};

struct Instruction {
  uint16_t op;
  uint16_t index;  // variable or function index
  double k;        // number operand
};

// One node of the expression tree. Leaves are numbers and variables.
struct Node {
  uint32_t code;      // token code; a folded subtree becomes TK_NUMBER
  int left, right;    // child indices; a one-operand node uses `left`
  double value;       // TK_NUMBER
  bool constant;      // no variable, no assignment, evaluates without error
  uint32_t assigns;   // bit i: the subtree assigns variable i
};

Node nodes[TokenSlots];
// One instruction per token at most, and OpEnd. Zero-filled, it is the empty
// program.
Instruction code[TokenSlots + 1];
bool codeUsesErrno = false;        // some instruction clears and tests errno
unsigned codeLength = 0;

// The evaluation stack. The engine is not re-entrant, so one process-wide
// stack serves every evaluation and spares each call a 4 KB frame.
double evaluationStack[TokenSlots];

bool isLeaf(const Node &n) { return n.code == TK_NUMBER || isVariable(n.code); }

// Functions that report no error for any argument.
bool isQuietFunction(unsigned f) {
  return f == 0 || f == 1 || f == 2;  // ceil, floor, abs
}

// Evaluates a node whose children are numbers, as the evaluator would.
// Returns 0 and stores the value, or returns 1 if the evaluation reports an
// error (the node must then be left to fail at run time).
int foldNode(const Node &n, double *value) {
  const uint32_t c = n.code;
  if (c == TK_NEG) {
    *value = -nodes[n.left].value;
    return 0;
  }
  if (c == TK_COMMA) {
    *value = nodes[n.right].value;
    return 0;
  }
  errno = 0;
  if (isFunction(c)) {
    *value = functionTable[tokenArgument(c)](nodes[n.left].value);
  } else {
    *value = operatorTable[tokenArgument(c)](nodes[n.left].value, nodes[n.right].value);
  }
  return errno != 0 ? 1 : 0;
}

// Builds the tree of `program` into `nodes`, folding constant subtrees.
// Returns the root's index.
int buildTree(const Token *program) {
  int stack[TokenSlots];
  unsigned depth = 0;
  unsigned count = 0;
  for (const Token *t = program; t->code != TK_END; ++t) {
    const uint32_t c = t->code;
    Node &n = nodes[count];
    n = Node{c, -1, -1, 0.0, false, 0};
    if (c == TK_NUMBER) {
      n.value = t->value;
      n.constant = true;
    } else if (isVariable(c)) {
      // a leaf, never constant
    } else if (isFunction(c) || c == TK_NEG || isAssignment(c)) {
      n.left = stack[depth - 1];
      --depth;
      n.assigns = nodes[n.left].assigns | (isAssignment(c) ? 1u << (c - TK_ASSIGN) : 0u);
      n.constant = !isAssignment(c) && nodes[n.left].constant;
    } else {  // a binary operator or a comma
      n.right = stack[depth - 1];
      n.left = stack[depth - 2];
      depth -= 2;
      n.assigns = nodes[n.left].assigns | nodes[n.right].assigns;
      n.constant = nodes[n.left].constant && nodes[n.right].constant;
    }
    if (n.constant && c != TK_NUMBER) {
      double v;
      if (foldNode(n, &v) == 0) {
        n = Node{TK_NUMBER, -1, -1, v, true, 0};
      } else {
        n.constant = false;  // fails at every evaluation; so does every parent
      }
    }
    stack[depth++] = static_cast<int>(count++);
  }
  return stack[0];
}

void emit(uint16_t op, uint16_t index = 0, double k = 0.0) { code[codeLength++] = Instruction{op, index, k}; }

// Emits a leaf into acc, pushing the live accumulator first if `live`.
void emitLoad(const Node &n, bool live) {
  if (n.code == TK_NUMBER) {
    emit(live ? OpPushK : OpLoadK, 0, n.value);
  } else {
    emit(live ? OpPushV : OpLoadV, static_cast<uint16_t>(n.code - TK_VAR));
  }
}

// The first instruction of each operator's row, and the offsets in the row.
uint16_t operatorRow(uint32_t c) {
  switch (c) {
    case TK_ADD: return OpAddK;
    case TK_SUB: return OpSubK;
    case TK_MUL: return OpMulK;
    case TK_DIV: return OpDivK;
    case TK_MOD: return OpModK;
    default: return OpPowK;
  }
}
constexpr uint16_t WithK = 0, WithV = 1, WithS = 2, WithRK = 3, WithRV = 4;

// Emits the instruction that combines acc with a leaf operand.
void emitLeafOperand(uint32_t c, const Node &leaf, bool leafIsLeft) {
  const bool commutative = c == TK_ADD || c == TK_MUL;
  const bool number = leaf.code == TK_NUMBER;
  if (c == TK_DIV && number && !leafIsLeft && !(leaf.value < 0.0 || leaf.value > 0.0)) {
    emit(OpFail);  // a division by a zero or not-a-number constant
    return;
  }
  uint16_t form = number ? WithK : WithV;
  if (leafIsLeft && !commutative) form = number ? WithRK : WithRV;
  emit(static_cast<uint16_t>(operatorRow(c) + form), number ? 0 : static_cast<uint16_t>(leaf.code - TK_VAR),
       number ? leaf.value : 0.0);
}

// Emits code leaving the value of node `i` in acc; `live` says whether acc
// holds a value that must be kept (pushed) first.
void emitNode(int i, bool live) {
  const Node &n = nodes[i];
  const uint32_t c = n.code;
  if (isLeaf(n)) {
    emitLoad(n, live);
  } else if (isFunction(c)) {
    emitNode(n.left, live);
    const unsigned f = tokenArgument(c);
    if (f == 1) {
      emit(OpFloor);
    } else {
      emit(isQuietFunction(f) ? OpFuncQuiet : OpFunc, static_cast<uint16_t>(f));
    }
  } else if (c == TK_NEG) {
    emitNode(n.left, live);
    emit(OpNeg);
  } else if (isAssignment(c)) {
    emitNode(n.left, live);
    emit(OpAssign, static_cast<uint16_t>(c - TK_ASSIGN));
  } else if (c == TK_COMMA) {
    emitNode(n.left, live);
    emitNode(n.right, false);  // the left value is discarded
  } else {
    const Node &l = nodes[n.left];
    const Node &r = nodes[n.right];
    // A variable on the left may be read after the right subtree only if
    // that subtree does not assign it.
    const bool leftDeferrable =
        l.code == TK_NUMBER || (isVariable(l.code) && !(r.assigns & (1u << (l.code - TK_VAR))));
    if (isLeaf(r)) {
      if (!live && isVariable(l.code) && r.code == TK_NUMBER && (c == TK_ADD || c == TK_SUB || c == TK_MUL)) {
        const uint16_t op = c == TK_ADD ? OpLoadVAddK : c == TK_SUB ? OpLoadVSubK : OpLoadVMulK;
        emit(op, static_cast<uint16_t>(l.code - TK_VAR), r.value);
        return;
      }
      emitNode(n.left, live);
      emitLeafOperand(c, r, false);
    } else if (leftDeferrable && isLeaf(l)) {
      emitNode(n.right, live);
      emitLeafOperand(c, l, true);
    } else {
      emitNode(n.left, live);
      emitNode(n.right, true);
      emit(static_cast<uint16_t>(operatorRow(c) + WithS));
    }
  }
}

// Runs the code once against variableTable. Stores the value in *result and
// returns 0, or returns 1 on a failure.
int runCode(double *result);

}  // namespace

void buildCompiledProgram(const Token *program) {
  codeLength = 0;
  codeUsesErrno = false;
  if (program[0].code != TK_END) emitNode(buildTree(program), false);
  emit(OpEnd);  // the empty program is just this: its value is 0.0
  for (unsigned i = 0; i < codeLength; ++i) {
    const uint16_t op = code[i].op;
    if (op == OpFunc || (op >= OpModK && op <= OpRPowV)) codeUsesErrno = true;
  }
}

void discardCompiledProgram() {
  code[0].op = OpEnd;
  codeUsesErrno = false;
}

double evaluateFormula() {
  if (formulaStatus != FormulaReady) return 0.0;
  double value;
  if (runCode(&value) != 0) {
    formulaStatus = FormulaEvalFailed;
    return 0.0;
  }
  return value;
}

namespace {

// errno's address for this thread: reading errno costs a library call each
// time, this costs a load.
thread_local int *errnoAddress = nullptr;

int runCode(double *result) {
  double *const stack = evaluationStack;
  unsigned sp = 0;
  double acc = 0.0;  // also the value of the empty program
  double *const v = variableTable.value;
  int *err = nullptr;  // errno, for a program that tests it
  if (codeUsesErrno) {
    if (errnoAddress == nullptr) errnoAddress = &errno;
    err = errnoAddress;
  }
  for (const Instruction *ip = code;; ++ip) {
    switch (ip->op) {
      case OpEnd: *result = acc; return 0;
      case OpFail: errno = EDOM; return 1;
      case OpLoadK: acc = ip->k; break;
      case OpLoadV: acc = v[ip->index]; break;
      case OpPushK: stack[sp++] = acc; acc = ip->k; break;
      case OpPushV: stack[sp++] = acc; acc = v[ip->index]; break;
      case OpNeg: acc = -acc; break;
      case OpAssign: v[ip->index] = acc; break;
      case OpFunc:
        // Always through the table, never a direct call: g++'s built-in
        // knowledge holds sin, cos and tan to be functions that never set
        // errno, and it deletes the test after a direct call, though the
        // library's sin(inf) reports EDOM. A call through the table is opaque
        // to it. (fmod and pow, below, it knows to set errno.)
        *err = 0;
        acc = functionTable[ip->index](acc);
        if (*err != 0) return 1;
        break;
      case OpFuncQuiet: acc = functionTable[ip->index](acc); break;
      case OpFloor: acc = floor(acc); break;

      case OpAddK: acc = acc + ip->k; break;
      case OpAddV: acc = acc + v[ip->index]; break;
      case OpAddS: acc = stack[--sp] + acc; break;
      case OpSubK: acc = acc - ip->k; break;
      case OpSubV: acc = acc - v[ip->index]; break;
      case OpSubS: acc = stack[--sp] - acc; break;
      case OpRSubK: acc = ip->k - acc; break;
      case OpRSubV: acc = v[ip->index] - acc; break;
      case OpMulK: acc = acc * ip->k; break;
      case OpMulV: acc = acc * v[ip->index]; break;
      case OpMulS: acc = stack[--sp] * acc; break;

      // Division by a number: the emitter has already ruled out zero and NaN.
      case OpDivK: acc = acc / ip->k; break;
#define TONALIX_DIVIDE(left, right)                    \
  {                                                    \
    const double l_ = (left), r_ = (right);            \
    if (!(r_ < 0.0 || r_ > 0.0)) {                     \
      errno = EDOM;                                    \
      return 1;                                        \
    }                                                  \
    acc = l_ / r_;                                     \
  }
      case OpDivV: TONALIX_DIVIDE(acc, v[ip->index]) break;
      case OpDivS: TONALIX_DIVIDE(stack[--sp], acc) break;
      case OpRDivK: TONALIX_DIVIDE(ip->k, acc) break;
      case OpRDivV: TONALIX_DIVIDE(v[ip->index], acc) break;
#undef TONALIX_DIVIDE

#define TONALIX_CALL(function, left, right) \
  {                                         \
    const double l_ = (left), r_ = (right); \
    *err = 0;                               \
    acc = function(l_, r_);                 \
    if (*err != 0) return 1;                \
  }
      case OpModK: TONALIX_CALL(fmod, acc, ip->k) break;
      case OpModV: TONALIX_CALL(fmod, acc, v[ip->index]) break;
      case OpModS: TONALIX_CALL(fmod, stack[--sp], acc) break;
      case OpRModK: TONALIX_CALL(fmod, ip->k, acc) break;
      case OpRModV: TONALIX_CALL(fmod, v[ip->index], acc) break;
      case OpPowK: TONALIX_CALL(pow, acc, ip->k) break;
      case OpPowV: TONALIX_CALL(pow, acc, v[ip->index]) break;
      case OpPowS: TONALIX_CALL(pow, stack[--sp], acc) break;
      case OpRPowK: TONALIX_CALL(pow, ip->k, acc) break;
      case OpRPowV: TONALIX_CALL(pow, v[ip->index], acc) break;
#undef TONALIX_CALL

      case OpLoadVAddK: acc = v[ip->index] + ip->k; break;
      case OpLoadVSubK: acc = v[ip->index] - ip->k; break;
      case OpLoadVMulK: acc = v[ip->index] * ip->k; break;
    }
  }
}

}  // namespace
