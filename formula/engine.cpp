// The engine's public operations and its process-wide state.
#include "formula/engine.h"

#include "formula/compiled.h"

Token tokenArray[TokenSlots];
VariableTable variableTable;
int formulaStatus = FormulaReady;

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
