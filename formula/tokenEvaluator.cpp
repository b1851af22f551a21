// The token-by-token evaluator: the program walked as it stands, one token
// at a time, with a stack of values.  It defines what a formula computes;
// the interpreter and the machine code are checked against it.
#include <cerrno>

#include "formula/engine.h"
#include "formula/library.h"

int runProgram(const Token *program, double *result) {
    if (program[0].code == TK_END) { // the empty program: 0.0, and no failure
        *result = 0.0;
        return 0;
    }
    double stack[TokenSlots]; // a validated program never stacks more values than it has tokens
    unsigned depth = 0;
    for (const Token *t = program; t->code != TK_END; ++t) {
        const uint32_t c = t->code;
        if (c == TK_NUMBER) {
            stack[depth++] = t->value;
        } else if (isVariable(c)) {
            stack[depth++] = variableTable.value[c - TK_VAR];
        } else if (isFunction(c)) {
            errno = 0;
            stack[depth - 1] = functionRows[tokenArgument(c)].call(stack[depth - 1]);
            if (errno != 0) return 1;
        } else if (c == TK_NEG) {
            stack[depth - 1] = -stack[depth - 1];
        } else if (isBinaryOperator(c)) {
            errno = 0;
            const double right = stack[--depth];
            stack[depth - 1] = operatorTable[tokenArgument(c)](stack[depth - 1], right);
            if (errno != 0) return 1;
        } else if (isAssignment(c)) {
            variableTable.value[c - TK_ASSIGN] = stack[depth - 1];
        } else if (c == TK_COMMA) {
            const double right = stack[--depth];
            stack[depth - 1] = right;
        }
        // any other code is ignored
    }
    if (depth != 1) return 1;
    *result = stack[0];
    return 0;
}
