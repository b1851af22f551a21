// Explains why a formula does not compile: see compileReport.h.
//
// The formula is compiled again; every stage records the byte of the text
// where it stopped (lastCompileStop), under which the caret goes.
#include "tools/render/cli/compileReport.h"

#include <cstdio>
#include <cstring>

#include "formula/formula.h"
#include "formula/functions.h"
#include "formula/tokens.h"

namespace {

// Returns why the lexer stopped at the character at.
std::string lexerReason(const char *at) {
    char c = *at;
    if (c == '=') return "'=' must follow a variable";
    // A point with no digit after it begins no number (a digit before it
    // would have been read with it).
    if (c == '.' && !(at[1] >= '0' && at[1] <= '9')) return "the '.' begins no number (write 0.5 or .5)";
    if (std::strchr("0123456789.+-*/%^(),abcdefghijklmnopqrstuvwxyz ", c) && c != '\0')
        return "the formula has too many tokens";
    unsigned char byte = (unsigned char)c;
    if (byte >= 0x20 && byte < 0x7F) return std::string("'") + c + "' is not part of the formula language";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", byte);
    return std::string("the byte ") + code + " is not part of the formula language";
}

// Returns the formula as two lines, itself and a caret under the byte at
// position (counted from 0), each indented by two blanks.  Control bytes show
// as '?' so that the caret stays in its column, and a long formula shows only
// the stretch around the position, with "..." for what is left out.
std::string formulaWithCaret(const char *formula, size_t position) {
    const size_t context = 36; // bytes shown on either side
    size_t length = std::strlen(formula);
    size_t begin = position > context ? position - context : 0;
    size_t end = length - position > context + 1 ? position + context + 1 : length;
    std::string shown = begin > 0 ? "..." : "";
    size_t caret = shown.size() + position - begin;
    for (size_t i = begin; i < end; i++) {
        unsigned char byte = (unsigned char)formula[i];
        shown += byte < 0x20 || byte == 0x7F ? '?' : (char)byte;
    }
    if (end < length) shown += "...";
    return "\n  " + shown + "\n  " + std::string(caret, ' ') + "^";
}

// Returns the operator a refused unary minus at `at` follows: the nearest
// byte before it that is neither a blank nor a unary plus.
char operatorBeforeMinus(const char *formula, const char *at) {
    while (at > formula && (at[-1] == ' ' || at[-1] == '+'))
        --at;
    return at > formula ? at[-1] : '?';
}

// Returns why the validator refused the token in program slot `position`:
// an operator or function short of an operand, or (at the end) a value left
// over.
std::string validatorReason(const char *formula, const CompileStop &stop) {
    const uint32_t code = tokenArray[stop.position].code;
    if (code == TK_END) return "a value is left over without an operator before it";
    if (isFunction(code))
        return std::string("the function ") + functionRows[tokenArgument(code)].name + ") lacks its argument";
    if (isAssignment(code)) return std::string("'") + formula[stop.offset] + "=' lacks a value to assign";
    return std::string("'") + formula[stop.offset] + "' lacks an operand";
}

} // namespace

std::string describeCompileFailure(const char *formula) {
    if (compileFormula(formula) == 0) return std::string();
    const CompileStop stop = lastCompileStop();
    const size_t at = stop.offset;
    std::string reason;
    switch (stop.stage) {
    case CompileLexer:
        if (formula[at] == '-') {
            const std::string op(1, operatorBeforeMinus(formula, formula + at));
            reason = "a minus sign may not follow '" + op + "' directly (write 2" + op + "(-3), not 2" + op + "-3)";
        } else {
            reason = lexerReason(formula + at);
        }
        return "the lexer refused the formula at position " + std::to_string(at + 1) + ": " + reason +
               formulaWithCaret(formula, at);
    case CompilePostfix:
        reason = formula[at] == ')' ? "this ')' has no '('" : "this '(' is never closed";
        return "the postfix conversion refused the formula at position " + std::to_string(at + 1) +
               ": its parentheses do not match: " + reason + formulaWithCaret(formula, at);
    default:
        return "the validator refused the formula at position " + std::to_string(at + 1) + ": " +
               validatorReason(formula, stop) + formulaWithCaret(formula, at);
    }
}
