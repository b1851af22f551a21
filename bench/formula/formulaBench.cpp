// Time per sample of the formula engine, called as the sample generator
// calls it (read t, evaluate, set t to the value read plus one sample
// period), beside the same formula as native code and in muparser, for the
// default formula, the builder's composed formulas and a long one.
//
// Each benchmark iteration is one sample; the counter xRealTime is the
// multiple of real time (132300 samples per second). The summary at the end
// gives ns per sample, multiples of real time and the engine's ratios to
// native code and to muparser, from a measurement of its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <muParser.h>

#include "formula/engine.h"
#include "formula/formula.h"

namespace {

constexpr double SampleRate = 132300.0;
constexpr double SamplePeriod = 1.0 / SampleRate;

double nativeDefault(double t) { return std::sin(440 * 6.2831853071795865 * t); }
double nativeSine(double t) { return 1.00 * ((1.00 * std::sin(2 * 3.1415926535 * 1000 * t))); }
double nativeMix(double t) {
  return 0.80 * ((0.50 * std::sin(2 * 3.1415926535 * 440 * t - 0.25 / 440)) +
                 (0.20 * (110 * (std::fmod(t, 1 / 110.0)))) + (0.10));
}
double nativeSquare(double t) {
  return 1.00 * ((1.00 * (2 * (std::floor(((std::fmod(1000 * t, 1)) - 0.5) - (0.50 / 1000)) + 0.999)) - 1));
}
double nativeSineSquare(double t) {
  return 0.60 * ((0.40 * std::sin(2 * 3.1415926535 * 440 * t)) +
                 (0.30 * (2 * (std::floor(((std::fmod(220 * t, 1)) - 0.5)) + 0.999)) - 1));
}
double nativeOffset(double) { return 1.00 * ((0.50)); }
double nativeLong(double t) {
  return std::pow(std::sqrt(std::fabs(std::cos(t * 3))), 2) / (1 + std::pow(t, 2)) -
         std::pow(std::fabs(t), 0.5) * std::cos(2 * t) / (2 + std::cos(t)) + std::pow(t / 3, 3);
}

struct BenchFormula {
  const char *name;
  const char *text;
  double (*native)(double);
};

const BenchFormula formulas[] = {
    {"default", "sin(440*6.2831853071795865*t)", nativeDefault},
    {"sine", "1.00*((1.00*sin(2*3.1415926535*1000*t)))", nativeSine},
    {"mix", "0.80*((0.50*sin(2*3.1415926535*440*t-0.25/440))+(0.20*(110*(t%(1/110))))+(0.10))", nativeMix},
    {"square", "1.00*((1.00*(2*(floor((((1000*t)%1)-0.5)-(0.50/1000))+0.999))-1))", nativeSquare},
    {"sine+square", "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))",
     nativeSineSquare},
    {"offset", "1.00*((0.50))", nativeOffset},
    {"long", "sqrt(abs(cos(t*3)))^2/(1+t^2)-abs(t)^0.5*cos(2*t)/(2+cos(t))+(t/3)^3", nativeLong},
};
constexpr int FormulaCount = sizeof formulas / sizeof formulas[0];

void setRealTimeCounter(benchmark::State &state) {
  state.counters["xRealTime"] =
      benchmark::Counter(static_cast<double>(state.iterations()) / SampleRate, benchmark::Counter::kIsRate);
}

void BM_Engine(benchmark::State &state) {
  const BenchFormula &f = formulas[state.range(0)];
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
  setRealTimeCounter(state);
}

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

void printSummary() {
  std::printf("\nInterleaved batches of %d samples, fastest of %d each:\n", SummaryBatch, SummaryRounds);
  std::printf("%-12s %10s %8s %10s %10s %8s %9s\n", "formula", "engine ns", "x real", "native ns", "muparser",
              "/native", "/muparser");
  for (int f = 0; f < FormulaCount; ++f) {
    if (compileFormula(formulas[f].text) != 0) continue;
    setVariable(VariableT, 0.0);
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
    double bestEngine = INFINITY, bestNative = INFINITY, bestMu = INFINITY;
    for (int round = 0; round < SummaryRounds; ++round) {
      fastestBatch(engine, &bestEngine);
      fastestBatch(native, &bestNative);
      fastestBatch(muparser, &bestMu);
    }
    const double e = bestEngine / SummaryBatch, n = bestNative / SummaryBatch, m = bestMu / SummaryBatch;
    std::printf("%-12s %10.2f %8.0f %10.2f %10.2f %8.2f %9.2f\n", formulas[f].name, e, 1e9 / (e * SampleRate), n, m,
                e / n, e / m);
  }
}

}  // namespace

BENCHMARK(BM_Engine)->DenseRange(0, FormulaCount - 1);
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
