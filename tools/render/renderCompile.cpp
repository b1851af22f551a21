// Explains why a formula does not compile: see renderCompile.h.
//
// The stages are run again one by one; the lexer records the byte it
// stopped at (lastCompileStop), the character it was looking at.
#include "tools/render/renderCompile.h"

#include <cstdio>
#include <cstring>

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

} // namespace

std::string describeCompileFailure(const char *formula) {
    if (tokenizeFormula(formula) != 0) {
        const size_t at = lastCompileStop().offset;
        return "the lexer refused the formula at position " + std::to_string(at + 1) + ": " +
               lexerReason(formula + at) + formulaWithCaret(formula, at);
    }
    if (convertToPostfix(tokenArray, tokenArray) != 0)
        return "the postfix conversion refused the formula: its parentheses do not match";
    if (validateProgram(tokenArray) != 0)
        return "the validator refused the formula: an operator or function lacks an operand, "
               "or values are left over without an operator between them";
    return std::string();
}
