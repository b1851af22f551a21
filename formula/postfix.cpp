// Postfix conversion (shunting yard driven by the packed priorities) and
// validation of the resulting program.
#include "formula/tokens.h"

int convertToPostfix(Token *output, const Token *input, unsigned *outputOffsets, const unsigned *inputOffsets) {
    // Every input token is pushed at most once on top of the initial "(", so
    // the stack cannot outgrow the token array.  The offsets travel beside
    // the tokens, on a stack of their own.
    Token stack[TokenSlots];
    unsigned stackOffsets[TokenSlots];
    unsigned depth = 0;
    stack[depth].code = TK_LPAREN; // stands for the lexer's "(" in slot 0
    stackOffsets[depth++] = inputOffsets ? inputOffsets[0] : 0;
    unsigned w = 0;
    unsigned lastClosed = 0; // the "(" the latest ")" dropped, where a never-closed one shows

    for (unsigned r = 1;; ++r) {
        if (r >= TokenSlots) return recordCompileStop(CompilePostfix, 0, 0); // no TK_END: not a lexer sequence
        const Token t = input[r];
        const unsigned offset = inputOffsets ? inputOffsets[r] : 0;
        if (t.code == TK_END) break;
        if (depth == 0) // the ")" that emptied the stack came before the end: it has no "("
            return recordCompileStop(CompilePostfix, inputOffsets ? inputOffsets[r - 1] : 0, 0);
        const uint32_t incoming = incomingPriority(t.code);
        while (depth > 0 && stackPriority(stack[depth - 1].code) >= incoming) {
            --depth;
            if (outputOffsets) outputOffsets[w] = stackOffsets[depth];
            output[w++] = stack[depth];
        }
        if (t.code == TK_RPAREN) {
            if (depth > 0) lastClosed = stackOffsets[--depth]; // the matching "(", the only token below 1
        } else {
            stackOffsets[depth] = offset;
            stack[depth++] = t;
        }
    }
    // A "(" was never closed: the implicit ")" at the end took the innermost
    // one that the formula left open.
    if (depth != 0) return recordCompileStop(CompilePostfix, lastClosed, 0);
    output[w].code = TK_END;
    return 0;
}

int validateProgram(const Token *program, const unsigned *offsets, unsigned leftover) {
    if (program[0].code == TK_END) return 0; // the empty program
    unsigned depth = 0;                      // values evaluation would hold
    for (unsigned i = 0; i < TokenSlots; ++i) {
        const uint32_t c = program[i].code;
        const unsigned at = offsets ? offsets[i] : 0;
        if (c == TK_END) return depth == 1 ? 0 : recordCompileStop(CompileValidator, leftover, i);
        if (i == TokenSlots - 1)
            return recordCompileStop(CompileValidator, at, i); // a token in the last slot: no room for TK_END
        if (c >= TK_NUMBER && c <= TK_VAR_LAST) {
            ++depth;
        } else if (isFunction(c) || c == TK_NEG || isAssignment(c)) {
            if (depth < 1) return recordCompileStop(CompileValidator, at, i);
        } else if (isBinaryOperator(c) || c == TK_COMMA) {
            if (depth < 2) return recordCompileStop(CompileValidator, at, i);
            --depth;
        } else {
            return recordCompileStop(CompileValidator, at, i);
        }
    }
    return recordCompileStop(CompileValidator, 0, TokenSlots - 1);
}
