// The formula engine's summary: per-sample time of its machine code and its
// interpreter beside native code (and muparser where the build has it),
// measured in interleaved batches, and the time of one compileFormula.
#include <chrono>
#include <cmath>
#include <cstdio>

#ifdef TONALIX_BENCH_MUPARSER
#include <muParser.h>
#endif

#include "bench/benchFormulas.h"
#include "bench/keep.h"
#include "bench/summaries.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

using namespace benchFormulas;

constexpr double SampleRate = 132300.0;
constexpr double SamplePeriod = 1.0 / SampleRate;
#ifdef TONALIX_BENCH_MUPARSER
constexpr bool haveMuparser = true;
#else
constexpr bool haveMuparser = false;
#endif

// The summary's own measurement. On a shared machine the runs above can be
// disturbed unevenly, so for the ratios the three ways of computing a formula
// take turns in short batches, and each keeps its fastest batch.
constexpr int SummaryRounds = 300;
constexpr int SummaryBatch = 2000; // samples per batch

template <class Step> double fastestBatch(Step &step, double *best) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < SummaryBatch; ++i)
        step();
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    if (ns < *best) *best = ns;
    return ns;
}

// Returns the microseconds of one compileFormula of `text`, the fastest of
// several, with machine code or without.
double compileMicroseconds(const char *text, int machineCode) {
    setMachineCodeEnabled(machineCode);
    double best = INFINITY;
    for (int round = 0; round < 200; ++round) {
        const auto start = std::chrono::steady_clock::now();
        compileFormula(text);
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if (us < best) best = us;
    }
    setMachineCodeEnabled(1);
    return best;
}

} // namespace

void printFormulaSummary() {
    std::printf("\nInterleaved batches of %d samples, fastest of %d each (ns per sample; compile in us):\n",
                SummaryBatch, SummaryRounds);
    std::printf("%-12s %8s %8s %8s %8s %8s %8s %8s %8s %8s %8s\n", "formula", "machine", "x real", "interp", "native",
                "muparser", "m/native", "m/mupars", "i/native", "compile m", "compile i");
    for (int f = 0; f < FormulaCount; ++f) {
        const double compileMachine = compileMicroseconds(formulas[f].text, 1);
        const double compileInterpreter = compileMicroseconds(formulas[f].text, 0);
        auto engine = [] {
            const double t = getVariable(VariableT);
            benchKeep::keep(evaluateFormula());
            setVariable(VariableT, t + SamplePeriod);
        };
        double nativeT = 0.0;
        double (*const nativeFunction)(double) = formulas[f].native;
        auto native = [&] {
            benchKeep::keep(nativeFunction(nativeT));
            nativeT = nativeT + SamplePeriod;
            benchKeep::clobber();
        };
#ifdef TONALIX_BENCH_MUPARSER
        double muT = 0.0;
        mu::Parser parser;
        parser.DefineVar("t", &muT);
        parser.DefineFun("floor", muFloor);
        parser.DefineOprt("%", muFmod, mu::prMUL_DIV);
        parser.SetExpr(formulas[f].text);
        auto muparser = [&] {
            benchKeep::keep(parser.Eval());
            muT = muT + SamplePeriod;
            benchKeep::clobber();
        };
#else
        auto muparser = [] {}; // its column stays empty
#endif
        // The machine code and the interpreter each have their own compilation;
        // both run from the same t.
        double bestMachine = INFINITY, bestInterpreter = INFINITY, bestNative = INFINITY, bestMu = INFINITY;
        for (int round = 0; round < SummaryRounds; ++round) {
            const double t = getVariable(VariableT);
            setMachineCodeEnabled(round % 2);
            if (compileFormula(formulas[f].text) != 0) break;
            setVariable(VariableT, round == 0 ? 0.0 : t);
            fastestBatch(engine, round % 2 ? &bestMachine : &bestInterpreter);
            fastestBatch(native, &bestNative);
            fastestBatch(muparser, &bestMu);
        }
        setMachineCodeEnabled(1);
        const double m = bestMachine / SummaryBatch, i = bestInterpreter / SummaryBatch, n = bestNative / SummaryBatch,
                     u = haveMuparser ? bestMu / SummaryBatch : NAN;
        std::printf("%-12s %8.2f %8.0f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f\n", formulas[f].name, m,
                    1e9 / (m * SampleRate), i, n, u, m / n, m / u, i / n, compileMachine, compileInterpreter);
    }
}
