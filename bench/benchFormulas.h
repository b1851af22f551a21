// The formulas that the benchmarks measure, each with the same formula
// written as native code: the default formula, the builder's composed
// formulas, a long one and one of about 200 tokens.
#ifndef TONALIX_BENCH_BENCHFORMULAS_H
#define TONALIX_BENCH_BENCHFORMULAS_H

#include <cmath>
#include <string>

namespace benchFormulas {

inline double nativeDefault(double t) { return std::sin(440 * 6.2831853071795865 * t); }
inline double nativeSine(double t) { return 1.00 * ((1.00 * std::sin(2 * 3.1415926535 * 1000 * t))); }
inline double nativeMix(double t) {
    return 0.80 * ((0.50 * std::sin(2 * 3.1415926535 * 440 * t - 0.25 / 440)) +
                   (0.20 * (110 * (std::fmod(t, 1 / 110.0)))) + (0.10));
}
inline double nativeSquare(double t) {
    return 1.00 * ((1.00 * (2 * (std::floor(((std::fmod(1000 * t, 1)) - 0.5) - (0.50 / 1000)) + 0.999)) - 1));
}
inline double nativeSineSquare(double t) {
    return 0.60 * ((0.40 * std::sin(2 * 3.1415926535 * 440 * t)) +
                   (0.30 * (2 * (std::floor(((std::fmod(220 * t, 1)) - 0.5)) + 0.999)) - 1));
}
inline double nativeOffset(double) { return 1.00 * ((0.50)); }
inline double nativeLong(double t) {
    return std::pow(std::sqrt(std::fabs(std::cos(t * 3))), 2) / (1 + std::pow(t, 2)) -
           std::pow(std::fabs(t), 0.5) * std::cos(2 * t) / (2 + std::cos(t)) + std::pow(t / 3, 3);
}

inline double nativeLong200(double t) {
    return 0.30 * std::sin(2 * 3.1415926535 * 440 * t) + 0.20 * std::sin(2 * 3.1415926535 * 660 * t + 0.5) +
           0.10 * std::cos(2 * 3.1415926535 * 880 * t) * std::exp(-t) +
           0.15 * (2 * (std::floor(((std::fmod(220 * t, 1)) - 0.5)) + 0.999) - 1) +
           0.05 * (110 * (std::fmod(t, 1 / 110.0))) +
           0.10 * std::sqrt(std::fabs(std::sin(3 * t))) * std::tanh(t * 2 - 1) + 0.02 * std::log(1 + t * t) -
           0.03 * std::pow(t / 3, 3) + std::atan(t * 5) / 10 - 0.20 * std::pow(std::cos(t * 7), 2) +
           0.04 * (1 - 2 * std::fabs(std::fmod(330 * t, 1) - 0.5)) * (1 + 0.5 * std::sin(2 * 3.1415926535 * 2 * t)) +
           0.05 * std::pow(t * 0.25 + 1, -1) * std::sinh(0.1 * t) / std::cosh(0.1 * t);
}

// What muparser is given for "%" and floor, which it does not have.
inline double muFmod(double a, double b) { return std::fmod(a, b); }
inline double muFloor(double a) { return std::floor(a); }

struct BenchFormula {
    const char *name;
    const char *text;
    double (*native)(double);
};

inline const BenchFormula formulas[] = {
    {"default", "sin(440*6.2831853071795865*t)", nativeDefault},
    {"sine", "1.00*((1.00*sin(2*3.1415926535*1000*t)))", nativeSine},
    {"mix", "0.80*((0.50*sin(2*3.1415926535*440*t-0.25/440))+(0.20*(110*(t%(1/110))))+(0.10))", nativeMix},
    {"square", "1.00*((1.00*(2*(floor((((1000*t)%1)-0.5)-(0.50/1000))+0.999))-1))", nativeSquare},
    {"sine+square", "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))",
     nativeSineSquare},
    {"offset", "1.00*((0.50))", nativeOffset},
    {"long", "sqrt(abs(cos(t*3)))^2/(1+t^2)-abs(t)^0.5*cos(2*t)/(2+cos(t))+(t/3)^3", nativeLong},
    // about 200 tokens
    {"long200",
     "0.30*sin(2*3.1415926535*440*t)+0.20*sin(2*3.1415926535*660*t+0.5)+0.10*cos(2*3.1415926535*880*t)*exp(-t)"
     "+0.15*(2*(floor((((220*t)%1)-0.5))+0.999)-1)+0.05*(110*(t%(1/110)))+0.10*sqrt(abs(sin(3*t)))*tanh(t*2-1)"
     "+0.02*log(1+t*t)-0.03*(t/3)^3+atan(t*5)/10-0.20*cos(t*7)^2+0.04*(1-2*abs(((330*t)%1)-0.5))"
     "*(1+0.5*sin(2*3.1415926535*2*t))+0.05*(t*0.25+1)^(-1)*sinh(0.1*t)/cosh(0.1*t)",
     nativeLong200},
};
inline constexpr int FormulaCount = sizeof formulas / sizeof formulas[0];

// Returns the longest formula of the suite, the one the soak and the
// underrun benchmarks play.
inline const BenchFormula &longestFormula() {
    const BenchFormula *longest = &formulas[0];
    for (const BenchFormula &f : formulas)
        if (std::char_traits<char>::length(f.text) > std::char_traits<char>::length(longest->text)) longest = &f;
    return *longest;
}

} // namespace benchFormulas

#endif
