// The reference evaluator: see reference.h.
//
//   sum     = product { ("+" | "-") product }
//   product = signed { ("*" | "/" | "%") operand }
//   signed  = ("-" | "+") signed | power
//   power   = primary [ "^" operand ]          right to left
//   operand = { "+" } power                    a "-" here is refused
//   primary = number | "t" | name "(" sum ")" | "(" sum ")"
#include "reference.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Parser {
    const char *p;
    double t;
    ReferenceKind refusal; // ReferenceValue while the text parses
    bool failed;           // an operation failed
};

const struct {
    const char *name;
    double (*call)(double);
    bool zeroUnderflows; // a zero from a finite argument is a range error
} functions[] = {
    {"sin", [](double x) { return std::sin(x); }, false},   {"cos", [](double x) { return std::cos(x); }, false},
    {"sqrt", [](double x) { return std::sqrt(x); }, false}, {"abs", [](double x) { return std::fabs(x); }, false},
    {"exp", [](double x) { return std::exp(x); }, true},
};

// Returns the next byte that is not a blank, after moving past the blanks.
char peek(Parser &s) {
    while (*s.p == ' ')
        ++s.p;
    return *s.p;
}

// Marks the parse refused (keeping the first reason) and returns 0.
double refuse(Parser &s, ReferenceKind why) {
    if (s.refusal == ReferenceValue) s.refusal = why;
    return 0.0;
}

// Returns whether a result y of arguments x (and z) is a failure, by the
// rule the engine's functions follow on every system: a NaN from arguments
// that are not NaN, an infinity from finite ones, or a zero that underflowed
// (zeroUnderflows: from exp of a finite argument, or from a power of a
// nonzero finite base; exp(-inf) is an exact zero).
bool failure(double y, double x, double z, bool zeroUnderflows) {
    if (std::isnan(y)) return !std::isnan(x) && !std::isnan(z);
    if (std::isinf(y)) return std::isfinite(x) && std::isfinite(z);
    return y == 0.0 && zeroUnderflows;
}

// Returns f(x), noting a failure by the rule above.
double call(Parser &s, double (*f)(double), bool zeroUnderflows, double x) {
    const double y = f(x);
    if (failure(y, x, 0.0, zeroUnderflows && std::isfinite(x))) s.failed = true;
    return y;
}

double sum(Parser &s);
double power(Parser &s);

double primary(Parser &s) {
    const char c = peek(s);
    if ((c >= '0' && c <= '9') || c == '.') { // digits, at most one point, at least one digit
        const char *begin = s.p;
        auto digits = [&s] {
            const char *from = s.p;
            while (*s.p >= '0' && *s.p <= '9')
                ++s.p;
            return s.p != from;
        };
        bool any = digits();
        if (*s.p == '.') {
            ++s.p;
            any = digits() || any;
        }
        if (!any) return refuse(s, ReferenceRefused);
        if (*s.p == 'e') { // an exponent only with a digit
            const char *q = s.p + 1 + (s.p[1] == '+' || s.p[1] == '-');
            if (*q >= '0' && *q <= '9') {
                s.p = q;
                digits();
            }
        }
        return std::strtod(std::string(begin, s.p).c_str(), nullptr);
    }
    if (c == '(') {
        ++s.p;
        const double x = sum(s);
        if (peek(s) != ')') return refuse(s, ReferenceRefused);
        ++s.p;
        return x;
    }
    for (const auto &f : functions) {
        const size_t n = std::strlen(f.name);
        if (std::strncmp(s.p, f.name, n) == 0 && s.p[n] == '(') {
            s.p += n + 1;
            const double x = sum(s);
            if (peek(s) != ')') return refuse(s, ReferenceRefused);
            ++s.p;
            return call(s, f.call, f.zeroUnderflows, x);
        }
    }
    if (c == 't') {
        ++s.p;
        return s.t;
    }
    return refuse(s, ReferenceRefused);
}

// The right operand of "*", "/", "%" or "^": unary plus signs, then a power.
double operand(Parser &s) {
    while (peek(s) == '+')
        ++s.p;
    if (peek(s) == '-') return refuse(s, ReferenceRefusedMinus);
    return power(s);
}

double power(Parser &s) {
    const double base = primary(s);
    if (peek(s) != '^') return base;
    ++s.p;
    const double exponent = operand(s);
    const double y = std::pow(base, exponent);
    const bool underflows = base != 0.0 && std::isfinite(base) && std::isfinite(exponent);
    if (failure(y, base, exponent, underflows)) s.failed = true;
    return y;
}

double signedValue(Parser &s) {
    const char c = peek(s);
    if (c == '-' || c == '+') {
        ++s.p;
        const double x = signedValue(s);
        return c == '-' ? -x : x;
    }
    return power(s);
}

double product(Parser &s) {
    double x = signedValue(s);
    for (;;) {
        const char c = peek(s);
        if (c != '*' && c != '/' && c != '%') return x;
        ++s.p;
        const double y = operand(s);
        if (c == '*') {
            x = x * y;
        } else if (c == '/') {
            if (!(y < 0.0 || y > 0.0)) s.failed = true; // zero or not a number
            x = x / y;
        } else {
            const double remainder = std::fmod(x, y);
            if (failure(remainder, x, y, false)) s.failed = true;
            x = remainder;
        }
    }
}

double sum(Parser &s) {
    double x = product(s);
    for (;;) {
        const char c = peek(s);
        if (c != '+' && c != '-') return x;
        ++s.p;
        const double y = product(s);
        x = c == '+' ? x + y : x - y;
    }
}

} // namespace

ReferenceOutcome referenceEvaluate(const char *text, double t) {
    Parser s{text, t, ReferenceValue, false};
    const double value = sum(s);
    if (peek(s) != '\0') refuse(s, ReferenceRefused);
    if (s.refusal != ReferenceValue) return {s.refusal, 0.0};
    if (s.failed) return {ReferenceFailed, 0.0};
    return {ReferenceValue, value};
}
