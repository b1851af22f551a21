// Explains why a formula does not compile: see renderCompile.h.
//
// The engine reports only success or failure, so the stages are run again
// one by one.  The lexer reads left to right and fails on the character it
// is looking at, so the shortest prefix of the formula that it refuses ends
// at that character; the prefix is found by halving.
#include "tools/renderCompile.h"

#include <cstdio>
#include <cstring>

#include "formula/tokens.h"

namespace {

// Returns 1 when the lexer refuses the first length bytes of formula.
int lexerRefusesPrefix(const char *formula, size_t length) {
    std::string prefix(formula, length);
    return tokenizeFormula(prefix.c_str()) != 0;
}

// Returns why the lexer stopped at character c.
std::string lexerReason(char c) {
    if (c == '=')
        return "'=' must follow a variable";
    if (std::strchr("0123456789.+-*/%^(),abcdefghijklmnopqrstuvwxyz ", c) && c != '\0')
        return "the formula has too many tokens";
    unsigned char byte = (unsigned char)c;
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("'") + c + "' is not part of the formula language";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", byte);
    return std::string("the byte ") + code + " is not part of the formula language";
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
        std::string message = "the lexer refused the formula at position " + std::to_string(low) + ": " +
                              lexerReason(formula[low - 1]) + "\n  " + formula + "\n  " +
                              std::string(low - 1, ' ') + "^";
        return message;
    }
    if (convertToPostfix(tokenArray, tokenArray) != 0)
        return "the postfix conversion refused the formula: its parentheses do not match";
    if (validateProgram(tokenArray) != 0)
        return "the validator refused the formula: an operator or function lacks an operand, "
               "or values are left over without an operator between them";
    return std::string();
}
