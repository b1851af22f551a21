// The formula engine's public face.
//
// A formula is compiled once with compileFormula and then evaluated once per
// output sample with evaluateFormula against the 26 variables a to z (index 0
// to 25; t, the time in seconds, is index 19). The variables are never reset:
// a value keeps across evaluations, compilations and playbacks.
//
// Compilation follows the engine's convention, 0 for success and 1 for
// failure; runSampleLoop says whether it ran the buffer (1) or left it to
// its caller (0).
#ifndef TONALIX_FORMULA_FORMULA_H
#define TONALIX_FORMULA_FORMULA_H

#include <cstdint>

constexpr unsigned VariableCount = 26; // a to z
constexpr unsigned VariableT = 19;     // index of t, the time in seconds

// Values of formulaStatus. FormulaEvalFailed is bit 1 of the word, which is
// the only bit setVariable clears.
enum FormulaStatusValue : int {
    FormulaReady = 0,         // the program can be evaluated
    FormulaCompileFailed = 1, // the last compilation failed
    FormulaEvalFailed = 2,    // an evaluation failed since the variables last changed
};

// The engine's status word: 0 (FormulaReady) at program start.
extern int formulaStatus;

// Compiles `text` (NUL-terminated, or null for the empty program) into the
// engine's one program. Returns 0 on success and 1 on failure; either way the
// previous program is gone. Sets formulaStatus to FormulaReady, or to
// FormulaCompileFailed on failure. Touches no variable.
int compileFormula(const char *text);

// The stages of a compilation, in order.
enum CompileStage : int {
    CompileLexer = 1,     // text to tokens
    CompilePostfix = 2,   // infix to postfix: the parentheses
    CompileValidator = 3, // the postfix program's operands
};

// Where the last compilation stopped, when it failed.
struct CompileStop {
    int stage;         // the CompileStage that refused the formula; 0 after a success
    unsigned offset;   // the byte of the text where it stopped, from 0: the character the lexer
                       // refused, the parenthesis without a partner, the operator or function
                       // that lacks an operand, or the first value left over
    unsigned position; // CompileValidator: the slot of the postfix program it refused
};

// Returns where the last compileFormula (or tokenizeFormula and
// validateProgram run by hand) stopped.  Changes nothing.
const CompileStop &lastCompileStop();

// Evaluates the program against the variables. Returns its value, or 0.0
// when the status is not FormulaReady, the program is empty, or the
// evaluation fails (which sets FormulaEvalFailed). Assignments in the
// formula change the variables.
double evaluateFormula();

// Stores `value` in variable `index` and clears FormulaEvalFailed; an index
// of 26 or more is ignored and changes nothing.
void setVariable(unsigned index, double value);

// Returns variable `index`, or 0.0 for an index of 26 or more.
double getVariable(unsigned index);

// One buffer of the sample generator's work, run in one call.
struct SampleRun {
    unsigned char *out; // count 16-bit little-endian samples are written here
    int64_t count;      // samples, 1 or more
    double period;      // the sample period added to t after each sample
    double lastTime;    // out: the t at which the last sample was evaluated
};

// Runs, for each of run->count samples: read t, evaluate the formula (a
// failure gives 0.0), set t to period plus the t read, limit the value to
// -1..1 (not-a-number to -1), scale it by 32767, truncate and store it.
// Every sample, t, lastTime, the variables and the status come out exactly
// as from getVariable, evaluateFormula and setVariable per sample. Returns
// 1, or 0 without doing anything when the program has no machine code or the
// status is not FormulaReady; the caller then runs the steps itself (the
// vector registers' upper halves are then clean, which the interpreter's
// speed needs).
int runSampleLoop(SampleRun *run);

// Kept programs: copies of compiled programs, each with its own machine
// code, that can be made the engine's program again without compiling.  A
// stream of several channels runs one per channel.  They live for the run.
constexpr unsigned KeptProgramSlots = 8;

// Keeps a copy of the engine's program (its evaluation form and machine
// code) in slot, replacing what the slot held; the engine's program is
// unchanged.  Also notes the variables the program reads and assigns (from
// the token array, which holds the last compilation's program).  Returns 1,
// or 0 for a slot of KeptProgramSlots or more, or when the last compilation
// failed (then nothing changes).
int keepProgram(unsigned slot);

// Makes the program kept in slot the engine's program: evaluateFormula and
// runSampleLoop run it from then on, until the next compilation or
// useProgram.  The token array is left alone.  Sets formulaStatus to
// FormulaReady.  Returns 1, or 0 for an empty slot (then nothing changes).
int useProgram(unsigned slot);

// Returns the variables the program kept in slot reads (variablesRead) or
// assigns (variablesAssigned), as bits 1 << index; 0 for an empty slot.
uint32_t variablesRead(unsigned slot);
uint32_t variablesAssigned(unsigned slot);

#endif
