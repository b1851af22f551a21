// The lexer: formula text to the infix token sequence.
#include "formula/tokens.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned MaxSignificantDigits = 800;  // more than a double ever needs (767)
constexpr long long ExponentCap = 1000000000;   // |exponent| read saturates here
constexpr long long PrintedExponentCap = 99999; // far beyond a double either way

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a number at `start`: digits, optionally a point and more digits, or a
// point and digits; then optionally an exponent letter e, E, d or D with an
// optional sign and at least one digit. Stores the value in *value and
// returns the end of the number, or returns `start` when no number begins
// there.
//
// strtod alone will not do: it reads hexadecimal ("0x10"), it knows no d
// exponent, and it takes the decimal point from the C locale, which a window
// toolkit may have switched to the user's (a comma in many countries). So the
// extent is found here, and strtod is handed only a canonical text of
// significant digits and an exponent, which has no point at all. Beyond 800
// significant digits the rest are dropped, with a sticky 1 standing in for
// any non-zero one, which keeps the rounding of the full number.
const char *scanNumber(const char *start, double *value) {
    const char *p = start;
    const char *intBegin = p;
    while (isDigit(*p))
        ++p;
    const char *intEnd = p;
    const char *fracBegin = p;
    const char *fracEnd = p;
    if (*p == '.') {
        fracBegin = ++p;
        while (isDigit(*p))
            ++p;
        fracEnd = p;
    }
    if (intBegin == intEnd && fracBegin == fracEnd) return start;

    long long exponent = 0;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const char *q = p + 1;
        bool negative = false;
        if (*q == '+' || *q == '-') negative = (*q++ == '-');
        if (isDigit(*q)) {
            while (isDigit(*q)) {
                exponent = exponent * 10 + (*q++ - '0');
                if (exponent > ExponentCap) exponent = ExponentCap;
            }
            if (negative) exponent = -exponent;
            p = q;
        }
    }

    char text[MaxSignificantDigits + 32];
    unsigned kept = 0;
    long long dropped = 0; // significant digits left out
    bool droppedNonZero = false;
    auto take = [&](char c) {
        if (kept == 0 && c == '0') return; // leading zero
        if (kept < MaxSignificantDigits) {
            text[kept++] = c;
        } else {
            ++dropped;
            if (c != '0') droppedNonZero = true;
        }
    };
    for (const char *d = intBegin; d < intEnd; ++d)
        take(*d);
    for (const char *d = fracBegin; d < fracEnd; ++d)
        take(*d);
    if (kept == 0) {
        *value = 0.0;
        return p;
    }
    long long scale = exponent - static_cast<long long>(fracEnd - fracBegin) + dropped;
    if (droppedNonZero) {
        text[kept++] = '1';
        --scale;
    }
    if (scale > PrintedExponentCap) scale = PrintedExponentCap;
    if (scale < -PrintedExponentCap) scale = -PrintedExponentCap;
    std::snprintf(text + kept, sizeof text - kept, "e%lld", scale);
    *value = std::strtod(text, nullptr);
    return p;
}

} // namespace

namespace {

// Returns whether a unary minus may follow a token of code `previous`.  After
// "*", "/", "%" or "^" it may not: the minus would pop that operator before
// its right operand arrived, and where a lower operator waits with a value on
// its left the popped operator takes that value instead, so that "1+2*-3"
// would compute (1*2)-3.  Write "2*(-3)".
bool minusMayFollow(uint32_t previous) {
    return previous != TK_MUL && previous != TK_DIV && previous != TK_MOD && previous != TK_POW;
}

} // namespace

unsigned tokenOffset[TokenSlots];
unsigned leftoverOffset;

int tokenizeFormula(const char *text) {
    Token *const out = tokenArray;
    out[0].code = TK_LPAREN; // the implicit "(" around the whole formula
    tokenOffset[0] = 0;
    unsigned w = 1; // write position; the previous token is out[w - 1]
    const char *p = text;
    recordCompileStop(0, 0, 0);
    const unsigned noLeftover = static_cast<unsigned>(std::strlen(text));
    leftoverOffset = noLeftover;
    // Records in leftoverOffset the first value that begins at p right after
    // a value (previous); changes nothing else.
    auto noteValue = [&](uint32_t previous) {
        if ((isOperand(previous) || previous == TK_RPAREN) && leftoverOffset == noLeftover)
            leftoverOffset = static_cast<unsigned>(p - text);
    };
    // Refuses the byte at p: ends the sequence at the write position and
    // records p as the lexer's stop.  Returns 1.
    auto refuse = [&]() {
        out[w].code = TK_END;
        return recordCompileStop(CompileLexer, static_cast<unsigned>(p - text), 0);
    };

    while (*p != '\0') {
        // Checked before the character is looked at, so even a space or a unary
        // plus after the 509th token fails the formula.
        if (w >= LexerSlotLimit) return refuse();
        const char c = *p;
        const uint32_t previous = out[w - 1].code;
        const bool afterValue = isOperand(previous) || previous == TK_RPAREN;
        uint32_t code = TK_END; // the token to store, if any
        switch (c) {
        case ' ':
            break;
        case '+':
            if (afterValue) code = TK_ADD; // otherwise a unary plus: no token
            break;
        case '-':
            if (afterValue) {
                code = TK_SUB;
            } else if (previous == TK_NEG) {
                --w; // two unary minus signs cancel
            } else if (!minusMayFollow(previous)) {
                return refuse();
            } else {
                code = TK_NEG;
            }
            break;
        case '*':
            code = TK_MUL;
            break;
        case '/':
            code = TK_DIV;
            break;
        case '%':
            code = TK_MOD;
            break;
        case '^':
            code = TK_POW;
            break;
        case '(':
            noteValue(previous);
            code = TK_LPAREN;
            break;
        case ')':
            code = TK_RPAREN;
            break;
        case ',':
            code = TK_COMMA;
            break;
        case '=':
            if (!isVariable(previous)) return refuse();
            out[w - 1].code = previous - AssignFromVar;
            break;
        default:
            if (isDigit(c) || c == '.') {
                noteValue(previous);
                double value = 0.0;
                const char *end = scanNumber(p, &value);
                // A point that begins no number leaves the read position where it
                // is: zero-valued numbers pile up until the capacity check fails.
                out[w].code = TK_NUMBER;
                out[w].value = value;
                tokenOffset[w++] = static_cast<unsigned>(p - text);
                p = end;
                continue;
            }
            if (c >= 'a' && c <= 'z') {
                unsigned i = 0;
                while (i < FunctionCount && std::strncmp(p, functionRows[i].name, functionRows[i].nameLength) != 0)
                    ++i;
                noteValue(previous);
                tokenOffset[w] = static_cast<unsigned>(p - text);
                if (i < FunctionCount) {
                    out[w++].code = TK_FUNC + i;
                    p += functionRows[i].nameLength - 1; // the "(" is read next as a token
                } else {
                    out[w++].code = TK_VAR + static_cast<uint32_t>(c - 'a');
                    ++p;
                }
                continue;
            }
            return refuse(); // a byte outside the language
        }
        if (code != TK_END) {
            out[w].code = code;
            tokenOffset[w++] = static_cast<unsigned>(p - text);
        }
        ++p;
    }
    out[w].code = TK_RPAREN; // the implicit ")", just past the text
    tokenOffset[w] = static_cast<unsigned>(p - text);
    out[w + 1].code = TK_END;
    tokenOffset[w + 1] = tokenOffset[w];
    return 0;
}
