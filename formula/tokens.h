// Tokens of the formula language, the engine's token array and the lexer.
#ifndef TONALIX_FORMULA_TOKENS_H
#define TONALIX_FORMULA_TOKENS_H

#include <cstdint>

#include "formula/formula.h"
#include "formula/functions.h"

// A token code packs the token's kind and the two priorities that drive the
// conversion to postfix. Only the low 16 bits are used:
//
//    31            16 15    12 11     8 7             0
//   +----------------+--------+--------+---------------+
//   |      zero      | stack  |incoming|   argument    |
//   |                |priority|priority|               |
//   +----------------+--------+--------+---------------+
//
// The argument is the index into operatorTable or functionRows, or the
// variable number. A high byte of 0x77 marks an operand (number or variable).
// Read the fields only through the accessors below.
static_assert(FunctionCount <= 0x100, "a function's index is the argument byte of its token code");
constexpr uint32_t TK_END = 0x0000;    // end of a sequence
constexpr uint32_t TK_LPAREN = 0x0F00; // "("
constexpr uint32_t TK_RPAREN = 0x1100; // ")"
constexpr uint32_t TK_COMMA = 0x2200;  // ","
constexpr uint32_t TK_ASSIGN = 0x2F00; // "x=": 0x2F00 + variable index 0..25
constexpr uint32_t TK_ADD = 0x3300;    // binary "+", operator 0
constexpr uint32_t TK_SUB = 0x3301;    // binary "-", operator 1
constexpr uint32_t TK_MUL = 0x4402;    // "*", operator 2
constexpr uint32_t TK_DIV = 0x4403;    // "/", operator 3
constexpr uint32_t TK_MOD = 0x4404;    // "%", operator 4
constexpr uint32_t TK_NEG = 0x4406;    // unary "-" (no table entry)
constexpr uint32_t TK_POW = 0x5605;    // "^", operator 5
constexpr uint32_t TK_FUNC = 0x6800;   // "name(": 0x6800 + function index (functionRows)
constexpr uint32_t TK_NUMBER = 0x7700; // a number, value in Token::value
constexpr uint32_t TK_VAR = 0x7701;    // a letter: 0x7701 (a) .. 0x771A (z)

constexpr uint32_t TK_ASSIGN_LAST = 0x2F19;                    // assignment to z
constexpr uint32_t TK_FUNC_LAST = TK_FUNC + FunctionCount - 1; // the last row of functionRows
constexpr uint32_t TK_VAR_LAST = 0x771A;                       // the variable z
constexpr uint32_t AssignFromVar = 0x4801;                     // TK_VAR code - TK_ASSIGN code of a letter

constexpr uint32_t stackPriority(uint32_t code) { return (code >> 12) & 0xF; }
constexpr uint32_t incomingPriority(uint32_t code) { return (code >> 8) & 0xF; }
constexpr uint32_t tokenArgument(uint32_t code) { return code & 0xFF; }
constexpr bool isOperand(uint32_t code) { return (code >> 8) == 0x77; }
constexpr bool isVariable(uint32_t code) { return code >= TK_VAR && code <= TK_VAR_LAST; }
constexpr bool isFunction(uint32_t code) { return code >= TK_FUNC && code <= TK_FUNC_LAST; }
constexpr bool isAssignment(uint32_t code) { return code >= TK_ASSIGN && code <= TK_ASSIGN_LAST; }
// Binary "+", "-", "*", "/", "%" and "^": the codes whose argument is a row
// of operatorTable.  TK_NEG lies between TK_ADD and TK_POW but is none of them.
constexpr bool isBinaryOperator(uint32_t code) {
    return code == TK_ADD || code == TK_SUB || code == TK_MUL || code == TK_DIV || code == TK_MOD || code == TK_POW;
}
static_assert(!isBinaryOperator(TK_NEG) && isBinaryOperator(TK_MOD), "unary minus is no row of operatorTable");

// One unit of a formula.
struct Token {
    uint32_t code; // token code, above
    double value;  // a TK_NUMBER's value; left unset in every other kind
};

constexpr unsigned TokenSlots = 512;     // slots in the token array
constexpr unsigned LexerSlotLimit = 510; // the lexer fails on reaching this slot

// The engine's one token array, zero-filled at program start. The lexer
// writes the infix sequence into it, the conversion rewrites it in place into
// the postfix program, the evaluator walks it.
extern Token tokenArray[TokenSlots];

// Beside each slot of tokenArray, the byte of the formula text its token came
// from: a function's first letter, an assignment's variable, the implicit "("
// at 0 and the implicit ")" at the end of the text.  The lexer writes it and
// the conversion moves it with its token, so that a refusal at any stage can
// say where in the text it stopped.  Token itself stays as it is.
extern unsigned tokenOffset[TokenSlots];

// The byte of the first value (a number, a letter, a function or a "(") that
// the lexer found right after another value, with no operator between them,
// as in "2 3", "2(3)" or "sin(t)7"; the length of the text when there is
// none.  Such a value is left over after evaluation, and validation refuses
// the program there.
extern unsigned leftoverOffset;

// Turns `text` into the infix token sequence in tokenArray from slot 0,
// enclosed in an implicit "(" and ")" and ended by TK_END, with each token's
// byte in tokenOffset. Returns 0 on success; on failure stores TK_END at the
// write position, records the refused byte's offset as the CompileLexer stop
// (lastCompileStop) and returns 1.  Besides bytes outside the language, it
// refuses a unary minus whose previous token is "*", "/", "%" or "^" (blanks
// and unary plus signs make no token): the conversion would let that
// operator take a wrong left operand.
int tokenizeFormula(const char *text);

// Rewrites the infix sequence in `input` as a postfix program in `output`,
// which may be the same array (the write position never reaches the read
// position), and each token's text offset from `inputOffsets` to
// `outputOffsets` alike (both null: no offsets).  Returns 0 on success; on
// unbalanced parentheses records the CompilePostfix stop at the parenthesis
// that has no partner and returns 1.
int convertToPostfix(Token *output, const Token *input, unsigned *outputOffsets = nullptr,
                     const unsigned *inputOffsets = nullptr);

// Returns 0 if `program` is well formed (evaluating it would leave exactly
// one value and never lack an operand) and 1 if not, after recording the
// CompileValidator stop: the slot it refused, and the text offset of the
// operator or function that lacks an operand (from `offsets`; null: 0) or,
// when values are left over, `leftover`.
int validateProgram(const Token *program, const unsigned *offsets = nullptr, unsigned leftover = 0);

// Records where a compilation stopped (stage 0: it did not).  Returns 1 for a
// failure, 0 for stage 0, so that a stage can return what it records.
int recordCompileStop(int stage, unsigned offset, unsigned position);

#endif
