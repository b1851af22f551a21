#include "tokenText.h"

#include <charconv>
#include <cstdio>

std::string tokenText(const Token *tokens) {
    std::string out;
    for (unsigned i = 0; i < TokenSlots && tokens[i].code != TK_END; ++i) {
        const uint32_t c = tokens[i].code;
        if (!out.empty()) out += ' ';
        char buffer[64];
        if (c == TK_NUMBER) {
            auto r = std::to_chars(buffer, buffer + sizeof buffer, tokens[i].value);
            out.append(buffer, r.ptr);
        } else if (isVariable(c)) {
            out += static_cast<char>('a' + (c - TK_VAR));
        } else if (isAssignment(c)) {
            out += static_cast<char>('a' + (c - TK_ASSIGN));
            out += '=';
        } else if (isFunction(c)) {
            out += functionRows[c - TK_FUNC].name;
        } else {
            switch (c) {
            case TK_LPAREN:
                out += '(';
                break;
            case TK_RPAREN:
                out += ')';
                break;
            case TK_COMMA:
                out += ',';
                break;
            case TK_ADD:
                out += '+';
                break;
            case TK_SUB:
                out += '-';
                break;
            case TK_MUL:
                out += '*';
                break;
            case TK_DIV:
                out += '/';
                break;
            case TK_MOD:
                out += '%';
                break;
            case TK_POW:
                out += '^';
                break;
            case TK_NEG:
                out += "neg";
                break;
            default:
                std::snprintf(buffer, sizeof buffer, "?%#x", static_cast<unsigned>(c));
                out += buffer;
            }
        }
    }
    return out;
}
