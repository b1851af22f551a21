// The lowering: the evaluation form, a register-and-stack code, derived from
// the postfix program once per compilation (interpreter.cpp runs it).
//
// The postfix program is rebuilt into an expression tree, and the code is
// emitted from the tree with these savings over walking the tokens:
//
// - The top value lives in a local (the accumulator); an operator whose
//   operand is a number or a variable takes it straight from the instruction
//   instead of from the stack, and a comma costs nothing.
// - A subtree with no variable and no assignment is evaluated once, here, and
//   becomes a number, provided its evaluation reports no error. A subtree
//   whose evaluation fails is left as it is, so it fails at every
//   evaluation, as the program says.
// - A multiplication or division by the number 1 is no instruction at all.
// - errno is cleared and tested only around calls that can set it, through
//   an address taken once per evaluation. "+", "-", "*" and unary minus never
//   set it; division checks its divisor itself, and by a non-zero number
//   needs no check at all.
// - A number combined with a variable by "+", "-" or "*" is one instruction,
//   and a program that is just a function of one (sin(w*t), every pure tone)
//   runs outside the instruction loop.
// - sin, cos and tan can report an error only for an infinite argument, so
//   errno is touched around them only when the argument is not finite.
//
// Operands are still evaluated in program order wherever that can be seen:
// an operator takes its left variable after its right subtree only when that
// subtree assigns no such variable.
#include "formula/compiled.h"

#include <cerrno>

#include "formula/engine.h"
#include "formula/library.h"
#include "formula/machineCode.h"

namespace {

// One node of the expression tree. Leaves are numbers and variables.
struct Node {
    uint32_t code;    // token code; a folded subtree becomes TK_NUMBER
    int left, right;  // child indices; a one-operand node uses `left`
    double value;     // TK_NUMBER
    bool constant;    // no variable, no assignment, evaluates without error
    uint32_t assigns; // bit i: the subtree assigns variable i
};

Node nodes[TokenSlots];
Instruction *const code = compiledProgram.code;

bool isLeaf(const Node &n) { return n.code == TK_NUMBER || isVariable(n.code); }

// Returns whether function f reports no error for any argument.
bool isQuietFunction(unsigned f) { return !functionHas(f, TraitMayFail); }

// Returns whether function f can report an error only for an argument that
// is infinite or not a number (sin, cos and tan: EDOM for an infinite
// argument alone; no finite argument makes them overflow or underflow).
bool isQuietForFiniteFunction(unsigned f) { return functionHas(f, TraitFailsOnlyNonFinite); }

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
        *value = functionRows[tokenArgument(c)].call(nodes[n.left].value);
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
            n.constant = !isAssignment(c) && nodes[n.left].constant &&
                         (!isFunction(c) || functionHas(tokenArgument(c), TraitPure));
        } else { // a binary operator or a comma
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
                n.constant = false; // fails at every evaluation; so does every parent
            }
        }
        stack[depth++] = static_cast<int>(count++);
    }
    return stack[0];
}

void emit(uint16_t op, uint16_t index = 0, double k = 0.0) {
    code[compiledProgram.length++] = Instruction{op, index, k};
}

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
    case TK_ADD:
        return OpAddK;
    case TK_SUB:
        return OpSubK;
    case TK_MUL:
        return OpMulK;
    case TK_DIV:
        return OpDivK;
    case TK_MOD:
        return OpModK;
    default:
        return OpPowK;
    }
}
constexpr uint16_t WithK = 0, WithV = 1, WithS = 2, WithRK = 3, WithRV = 4;

// Emits the instruction that combines acc with a leaf operand.
void emitLeafOperand(uint32_t c, const Node &leaf, bool leafIsLeft) {
    const bool commutative = c == TK_ADD || c == TK_MUL;
    const bool number = leaf.code == TK_NUMBER;
    if (c == TK_DIV && number && !leafIsLeft && !(leaf.value < 0.0 || leaf.value > 0.0)) {
        emit(OpFail); // a division by a zero or not-a-number constant
        return;
    }
    // x * 1, 1 * x and x / 1 are x itself for every x, signed zeros, infinities
    // and NaN included: the builder writes many "1.00*".
    if (number && leaf.value == 1.0 && (c == TK_MUL || (c == TK_DIV && !leafIsLeft))) return;
    // x^2, x^(-1) and x^0.5 are what formulaPow makes of them, without the call.
    if (c == TK_POW && number && !leafIsLeft && (leaf.value == 2.0 || leaf.value == -1.0 || leaf.value == 0.5)) {
        emit(leaf.value == 2.0 ? OpSquare : leaf.value == 0.5 ? OpHalfPower : OpReciprocal);
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
        if (functionRows[f].inlineForm == InlineFloor) {
            emit(OpFloor);
        } else {
            emit(isQuietFunction(f)            ? OpFuncQuiet
                 : isQuietForFiniteFunction(f) ? OpFuncFinite
                                               : OpFunc,
                 static_cast<uint16_t>(f));
        }
    } else if (c == TK_NEG) {
        emitNode(n.left, live);
        emit(OpNeg);
    } else if (isAssignment(c)) {
        emitNode(n.left, live);
        emit(OpAssign, static_cast<uint16_t>(c - TK_ASSIGN));
    } else if (c == TK_COMMA) {
        emitNode(n.left, live);
        emitNode(n.right, false); // the left value is discarded
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
            // k + v and k * v: the same fused load, since "+" and "*" give the
            // same double whichever operand comes first (w*t in every tone).
            if (!live && l.code == TK_NUMBER && isVariable(r.code) && (c == TK_ADD || c == TK_MUL)) {
                emit(c == TK_ADD ? OpLoadVAddK : OpLoadVMulK, static_cast<uint16_t>(r.code - TK_VAR), l.value);
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

} // namespace

void buildCompiledProgram(const Token *program) {
    compiledProgram.length = 0;
    compiledProgram.usesErrno = false;
    if (program[0].code != TK_END) emitNode(buildTree(program), false);
    if (compiledProgram.length > 0 && code[compiledProgram.length - 1].op == OpFunc) {
        code[compiledProgram.length - 1].op = OpFuncEnd;
    } else if (compiledProgram.length > 0 && code[compiledProgram.length - 1].op == OpFuncFinite) {
        code[compiledProgram.length - 1].op = OpFuncFiniteEnd;
    } else {
        emit(OpEnd); // the empty program is just this: its value is 0.0
    }
    for (unsigned i = 0; i < compiledProgram.length; ++i)
        if (opTraits[code[i].op].testsErrno) compiledProgram.usesErrno = true;
    compiledProgram.isConstant = compiledProgram.length == 2 && code[0].op == OpLoadK && code[1].op == OpEnd;
    compiledProgram.constantValue = code[0].k;
    compiledProgram.isScaledCall = compiledProgram.length == 2 && code[0].op == OpLoadVMulK &&
                                   (code[1].op == OpFuncEnd || code[1].op == OpFuncFiniteEnd);
    buildMachineCode(code, compiledProgram.length);
}

void discardCompiledProgram() {
    discardMachineCode();
    code[0].op = OpEnd;
    compiledProgram.usesErrno = false;
    compiledProgram.isConstant = false;
    compiledProgram.isScaledCall = false;
}
