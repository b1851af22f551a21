// Postfix conversion (shunting yard driven by the packed priorities) and
// validation of the resulting program.
#include "formula/tokens.h"

int convertToPostfix(Token *output, const Token *input) {
    // Every input token is pushed at most once on top of the initial "(", so
    // the stack cannot outgrow the token array.
    Token stack[TokenSlots];
    unsigned depth = 0;
    stack[depth++].code = TK_LPAREN; // stands for the lexer's "(" in slot 0
    unsigned w = 0;

    for (unsigned r = 1;; ++r) {
        if (r >= TokenSlots) return 1; // no TK_END: not a lexer sequence
        const Token t = input[r];
        if (t.code == TK_END) break;
        if (depth == 0) return 1; // a ")" without its "(" came before the end
        const uint32_t incoming = incomingPriority(t.code);
        while (depth > 0 && stackPriority(stack[depth - 1].code) >= incoming)
            output[w++] = stack[--depth];
        if (t.code == TK_RPAREN) {
            if (depth > 0) --depth; // drops the matching "(", the only token below 1
        } else {
            stack[depth++] = t;
        }
    }
    if (depth != 0) return 1; // a "(" was never closed
    output[w].code = TK_END;
    return 0;
}

int validateProgram(const Token *program) {
    if (program[0].code == TK_END) return 0; // the empty program
    unsigned depth = 0;                      // values evaluation would hold
    for (unsigned i = 0; i < TokenSlots; ++i) {
        const uint32_t c = program[i].code;
        if (c == TK_END) return depth == 1 ? 0 : recordCompileStop(CompileValidator, 0, i);
        if (i == TokenSlots - 1)
            return recordCompileStop(CompileValidator, 0, i); // a token in the last slot: no room for TK_END
        if (c >= TK_NUMBER && c <= TK_VAR_LAST) {
            ++depth;
        } else if (isFunction(c) || c == TK_NEG || isAssignment(c)) {
            if (depth < 1) return recordCompileStop(CompileValidator, 0, i);
        } else if ((c >= TK_ADD && c <= TK_POW) || c == TK_COMMA) {
            if (depth < 2) return recordCompileStop(CompileValidator, 0, i);
            --depth;
        } else {
            return recordCompileStop(CompileValidator, 0, i);
        }
    }
    return recordCompileStop(CompileValidator, 0, TokenSlots - 1);
}
