// Explains why a formula does not compile: see renderCompile.h.
//
// The engine reports only success or failure, so the stages are run again
// one by one.  The lexer reads left to right and fails on the character it
// is looking at, so the shortest prefix of the formula that it refuses ends
// at that character; the prefix is found by halving.  (Its only look-ahead
// that can turn a good formula bad when cut is a point before a digit.)
#include "tools/renderCompile.h"

#include <cstdio>
#include <cstring>

#include "formula/tokens.h"

namespace {

// Returns 1 when the lexer refuses the first length bytes of formula.  A cut
// between a point and the digit after it would make the point begin no
// number, a failure that the whole formula does not have: the digit is then
// kept with the prefix.
int lexerRefusesPrefix(const char *formula, size_t length) {
    if (formula[length - 1] == '.' && formula[length] >= '0' && formula[length] <= '9') length++;
    std::string prefix(formula, length);
    return tokenizeFormula(prefix.c_str()) != 0;
}

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
        size_t low = 1, high = std::strlen(formula); // the whole formula fails
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            if (lexerRefusesPrefix(formula, middle))
                high = middle;
            else
                low = middle + 1;
        }
        return "the lexer refused the formula at position " + std::to_string(low) + ": " +
               lexerReason(formula + low - 1) + formulaWithCaret(formula, low - 1);
    }
    if (convertToPostfix(tokenArray, tokenArray) != 0)
        return "the postfix conversion refused the formula: its parentheses do not match";
    if (validateProgram(tokenArray) != 0)
        return "the validator refused the formula: an operator or function lacks an operand, "
               "or values are left over without an operator between them";
    return std::string();
}
