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

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <muParser.h>

#include "formula/engine.h"
#include "formula/formula.h"
#include "formula/machineCode.h"
#include "bench/benchFormulas.h"

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

double muFmod(double a, double b) { return std::fmod(a, b); }
double muFloor(double a) { return std::floor(a); }

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

// The summary's own measurement. On a shared machine the runs above can be
// disturbed unevenly, so for the ratios the three ways of computing a formula
// take turns in short batches, and each keeps its fastest batch.
constexpr int SummaryRounds = 300;
constexpr int SummaryBatch = 2000;  // samples per batch

template <class Step>
double fastestBatch(Step &step, double *best) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < SummaryBatch; ++i) step();
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

void printSummary() {
  std::printf("\nInterleaved batches of %d samples, fastest of %d each (ns per sample; compile in us):\n", SummaryBatch,
              SummaryRounds);
  std::printf("%-12s %8s %8s %8s %8s %8s %8s %8s %8s %8s %8s\n", "formula", "machine", "x real", "interp", "native",
              "muparser", "m/native", "m/mupars", "i/native", "compile m", "compile i");
  for (int f = 0; f < FormulaCount; ++f) {
    const double compileMachine = compileMicroseconds(formulas[f].text, 1);
    const double compileInterpreter = compileMicroseconds(formulas[f].text, 0);
    auto engine = [] {
      const double t = getVariable(VariableT);
      benchmark::DoNotOptimize(evaluateFormula());
      setVariable(VariableT, t + SamplePeriod);
    };
    double nativeT = 0.0;
    double (*const nativeFunction)(double) = formulas[f].native;
    auto native = [&] {
      benchmark::DoNotOptimize(nativeFunction(nativeT));
      nativeT = nativeT + SamplePeriod;
      benchmark::ClobberMemory();
    };
    double muT = 0.0;
    mu::Parser parser;
    parser.DefineVar("t", &muT);
    parser.DefineFun("floor", muFloor);
    parser.DefineOprt("%", muFmod, mu::prMUL_DIV);
    parser.SetExpr(formulas[f].text);
    auto muparser = [&] {
      benchmark::DoNotOptimize(parser.Eval());
      muT = muT + SamplePeriod;
      benchmark::ClobberMemory();
    };
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
                 u = bestMu / SummaryBatch;
    std::printf("%-12s %8.2f %8.0f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f\n", formulas[f].name, m,
                1e9 / (m * SampleRate), i, n, u, m / n, m / u, i / n, compileMachine, compileInterpreter);
  }
}

}  // namespace

BENCHMARK(BM_MachineCode)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Interpreter)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Native)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_Muparser)->DenseRange(0, FormulaCount - 1);
BENCHMARK(BM_TokenWalk)->DenseRange(0, FormulaCount - 1);

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  return 0;
}
