// Renders token sequences as text, so that tests can state expected lexer
// output and postfix programs as readable strings.
#ifndef TONALIX_TESTS_FORMULA_TOKEN_TEXT_H
#define TONALIX_TESTS_FORMULA_TOKEN_TEXT_H

#include <string>

#include "formula/tokens.h"

// Returns the tokens from `tokens` up to (not including) TK_END, separated by
// single spaces: numbers in shortest round-trip form, variables as their
// letter, assignments as "x=", functions by name with their "(", "neg" for
// unary minus, the operators and parentheses as written, and any other code
// as "?" and its hex value. The whole array is read if no TK_END comes.
std::string tokenText(const Token *tokens);

#endif
