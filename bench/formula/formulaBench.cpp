// Time per sample of the formula engine, called as the sample generator
// calls it (read t, evaluate, set t to the value read plus one sample
// period), beside the same formula as native code and in muparser, for the
// default formula, the builder's composed formulas and a long one.
//
// Each benchmark iteration is one sample. The summary at the end gives ns
// per sample, multiples of real time (132300 samples per second) and the
// engine's ratios to native code and to muparser.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
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

// Passes every run on to the console and keeps its time per iteration, for
// the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nsPerSample;  // "Engine/0" -> ns
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred)
        nsPerSample[r.run_name.str()] = r.GetAdjustedRealTime();  // time unit: ns
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void printSummary(const SummaryReporter &reporter) {
  auto get = [&](const char *kind, int i) {
    auto it = reporter.nsPerSample.find(std::string(kind) + "/" + std::to_string(i));
    return it == reporter.nsPerSample.end() ? NAN : it->second;
  };
  std::printf("\n%-12s %9s %9s %9s %9s %9s %9s %9s\n", "formula", "engine ns", "x real", "native ns",
              "muparser", "walk ns", "/native", "/muparser");
  for (int i = 0; i < FormulaCount; ++i) {
    const double engine = get("BM_Engine", i), native = get("BM_Native", i);
    const double mu = get("BM_Muparser", i), walk = get("BM_TokenWalk", i);
    std::printf("%-12s %9.2f %9.0f %9.2f %9.2f %9.2f %9.2f %9.2f\n", formulas[i].name, engine,
                1e9 / (engine * SampleRate), native, mu, walk, engine / native, engine / mu);
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
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
