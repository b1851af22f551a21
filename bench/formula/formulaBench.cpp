// Time per sample of the formula engine, called as the sample generator
// calls it (read t, evaluate, set t to the value read plus one sample
// period), in its machine code and in its interpreter, beside the same
// formula as native code and in muparser, for the default formula, the
// builder's composed formulas and two long ones.
//
// Each benchmark iteration is one sample; the counter xRealTime is the
// multiple of real time (132300 samples per second). The summary at the end
// gives ns per sample, multiples of real time, the engine's ratios to native
// code and to muparser, from a measurement of its own, and the time of one
// compileFormula with and without machine code.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <muParser.h>

#include "bench/benchFormulas.h"
#include "bench/summaries.h"
#include "formula/engine.h"
#include "formula/formula.h"
#include "formula/machineCode.h"

namespace {

using namespace benchFormulas;

constexpr double SampleRate = 132300.0;
constexpr double SamplePeriod = 1.0 / SampleRate;

void setRealTimeCounter(benchmark::State &state) {
    state.counters["xRealTime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / SampleRate, benchmark::Counter::kIsRate);
}

// The engine as the generator calls it, in machine code (1) or in the
// interpreter (0).
void runEngine(benchmark::State &state, int machineCode) {
    const BenchFormula &f = formulas[state.range(0)];
    setMachineCodeEnabled(machineCode);
    if (compileFormula(f.text) != 0) {
        state.SkipWithError("does not compile");
        return;
    }
    setVariable(VariableT, 0.0);
    for (auto _ : state) {
        const double t = getVariable(VariableT);
        benchmark::DoNotOptimize(evaluateFormula());
        setVariable(VariableT, t + SamplePeriod);
    }
    setMachineCodeEnabled(1);
    setRealTimeCounter(state);
}

void BM_MachineCode(benchmark::State &state) { runEngine(state, 1); }
void BM_Interpreter(benchmark::State &state) { runEngine(state, 0); }

// The token-by-token definition, for comparison with the derived form.
void BM_TokenWalk(benchmark::State &state) {
    const BenchFormula &f = formulas[state.range(0)];
    if (compileFormula(f.text) != 0) {
        state.SkipWithError("does not compile");
        return;
    }
    setVariable(VariableT, 0.0);
    for (auto _ : state) {
        const double t = getVariable(VariableT);
        double v = 0.0;
        benchmark::DoNotOptimize(runProgram(tokenArray, &v));
        benchmark::DoNotOptimize(v);
        setVariable(VariableT, t + SamplePeriod);
    }
    setRealTimeCounter(state);
}

void BM_Native(benchmark::State &state) {
    double (*const native)(double) = formulas[state.range(0)].native;
    double t = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(native(t));
        t = t + SamplePeriod;
        benchmark::ClobberMemory();
    }
    setRealTimeCounter(state);
}

void BM_Muparser(benchmark::State &state) {
    double t = 0.0;
    mu::Parser parser;
    try {
        parser.DefineVar("t", &t);
        parser.DefineFun("floor", muFloor);
        parser.DefineOprt("%", muFmod, mu::prMUL_DIV);
        parser.SetExpr(formulas[state.range(0)].text);
        parser.Eval();
    } catch (const mu::Parser::exception_type &e) {
        state.SkipWithError(e.GetMsg().c_str());
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.Eval());
        t = t + SamplePeriod;
        benchmark::ClobberMemory();
    }
    setRealTimeCounter(state);
}

} // namespace

BENCHMARK(BM_MachineCode)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Interpreter)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Native)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Muparser)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_TokenWalk)->DenseRange(0, FormulaCount - 1);

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    printFormulaSummary();
    benchmark::Shutdown();
    return 0;
}
