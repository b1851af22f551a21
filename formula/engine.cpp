// The engine's public operations and its process-wide state.
#include "formula/engine.h"

#include <cerrno>

#include "formula/compiled.h"
#include "formula/library.h"

Token tokenArray[TokenSlots];
VariableTable variableTable;
int formulaStatus = FormulaReady;

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
        } else if (c >= TK_ADD && c <= TK_POW) {
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

namespace {

CompileStop compileStop; // where the last compilation stopped

} // namespace

int recordCompileStop(int stage, unsigned offset, unsigned position) {
    compileStop = CompileStop{stage, offset, position};
    return stage != 0 ? 1 : 0;
}

const CompileStop &lastCompileStop() { return compileStop; }

int compileFormula(const char *text) {
    formulaStatus = FormulaReady;
    discardCompiledProgram();
    if (text == nullptr) {
        tokenArray[0].code = TK_END;
        recordCompileStop(0, 0, 0);
        return 0;
    }
    int failed = tokenizeFormula(text) != 0;
    if (!failed) failed = convertToPostfix(tokenArray, tokenArray, tokenOffset, tokenOffset) != 0;
    if (!failed) failed = validateProgram(tokenArray, tokenOffset, leftoverOffset);
    if (failed) {
        formulaStatus = FormulaCompileFailed;
        return 1;
    }
    buildCompiledProgram(tokenArray);
    return 0;
}

// evaluateFormula lives beside the evaluation form, in interpreter.cpp.

void setVariable(unsigned index, double value) {
    if (index >= VariableCount) return;
    variableTable.value[index] = value;
    // Tested first: an unconditional read-modify-write of the status word per
    // sample would chain every sample's call to the previous one's.
    if (formulaStatus & FormulaEvalFailed) formulaStatus &= ~FormulaEvalFailed;
}

double getVariable(unsigned index) { return index < VariableCount ? variableTable.value[index] : 0.0; }
