// One level of an expression: the text between a "(" and its ")" (or the whole text). It is read
// into at most 15 operands and 14 operators, names next to an operator are resolved, and the
// operands are combined by precedence into one result per comma-separated segment.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "expression_internal.h"
#include "numeric.h"
#include "text_util.h"

namespace kestrun {

namespace {

using Value = Kestrun::ExpressionValue;

// One-byte codes of the two-character operators.
constexpr unsigned char kOpLessEqual = 0x80;
constexpr unsigned char kOpNotEqual = 0x81;
constexpr unsigned char kOpGreaterEqual = 0x82;
constexpr unsigned char kOpExclusiveOr = 0x83;

// Binding level of an operator: 5 "^"; 4 "*" "/" "%" "||"; 3 "+" "-"; 2 comparisons; 1 "&" "|";
// 0 ","; -1 for a character that no level knows.
int operatorLevel(unsigned char op) {
    switch (op) {
        case '^': return 5;
        case '*': case '/': case '%': case kOpExclusiveOr: return 4;
        case '+': case '-': return 3;
        case '=': case '~': case '<': case '>': case kOpNotEqual: case kOpLessEqual: case kOpGreaterEqual: return 2;
        case '&': case '|': return 1;
        case ',': return 0;
        default: return -1;
    }
}

// Punctuation of the C locale.
bool isPunctuation(unsigned char c) {
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

// Characters that end a name outside brackets (a ")" ends it as well).
bool endsName(unsigned char c) {
    return isMarker(c) || (c != '\0' && std::strchr("+-*/&|^=~<>,%", c) != nullptr);
}

bool isHexDigit(unsigned char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int hexValue(unsigned char c) {
    if (isDigit(c)) return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// Hexadecimal digits at p read as an unsigned 32-bit value (saturating like strtoul); p moves
// past them.
double readHex(const char*& p) {
    std::uint64_t v = 0;
    while (isHexDigit(static_cast<unsigned char>(*p))) {
        v = v * 16 + static_cast<std::uint64_t>(hexValue(static_cast<unsigned char>(*p)));
        if (v > 0xFFFFFFFFu) v = 0xFFFFFFFFu;
        ++p;
    }
    return static_cast<double>(v);
}

// Decimal digits at p read as a signed 64-bit value (saturating like strtoll); p moves past them.
double readDecimal(const char*& p) {
    std::uint64_t v = 0;
    while (isDigit(static_cast<unsigned char>(*p))) {
        if (v <= (static_cast<std::uint64_t>(INT64_MAX) - 9) / 10) v = v * 10 + static_cast<std::uint64_t>(*p - '0');
        else v = static_cast<std::uint64_t>(INT64_MAX);
        ++p;
    }
    return static_cast<double>(static_cast<std::int64_t>(v));
}

// Compares two texts byte by byte as unsigned characters, a shorter prefix first.
int compareTexts(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    const int c = std::memcmp(a, b, aLength < bLength ? aLength : bLength);
    if (c != 0) return c;
    return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}

Value numberValue(double d) {
    Value v{};
    v.kind = ValueKind::Number;
    v.number = d;
    return v;
}

}  // namespace

namespace {

// Applies op to left and right, leaving the result in left. Numbers: arithmetic, comparisons
// (1 or 0) and the integer operators on values truncated to 64 bits. Two strings: "+" appends and
// comparisons compare; a string with a number, or a string with any other operator, is error 1.
// Division and remainder by zero are error 8. Returns 0 or the error code.
int applyOperator(Kestrun::ExpressionContext& cx, unsigned char op, Value& left, const Value& right) {
    const bool leftString = left.kind == ValueKind::String;
    const bool rightString = right.kind == ValueKind::String;
    if (leftString || rightString) {
        if (!leftString || !rightString) return 1;
        if (op == '+') {
            std::uint32_t offset;
            const std::size_t length = static_cast<std::size_t>(left.length) + right.length;
            if (!cx.reserveText(length, offset)) return 2;
            std::memmove(cx.pool + offset, cx.pool + left.offset, left.length);
            std::memmove(cx.pool + offset + left.length, cx.pool + right.offset, right.length);
            left.offset = offset;
            left.length = static_cast<std::uint32_t>(length);
            return 0;
        }
        if (operatorLevel(op) != 2) return 1;
        const int c = compareTexts(cx.textOf(left), left.length, cx.textOf(right), right.length);
        bool r = false;
        switch (op) {
            case '=': r = c == 0; break;
            case '~': case kOpNotEqual: r = c != 0; break;
            case '<': r = c < 0; break;
            case '>': r = c > 0; break;
            case kOpLessEqual: r = c <= 0; break;
            case kOpGreaterEqual: r = c >= 0; break;
            default: break;
        }
        left = numberValue(r ? 1 : 0);
        return 0;
    }

    const double a = left.number;
    const double b = right.number;
    double r = 0;
    switch (op) {
        case '^': r = std::pow(a, b); break;
        case '*': r = a * b; break;
        case '/':
            if (b == 0) return 8;
            r = a / b;
            break;
        case '%': {
            const std::int64_t x = truncToInt64(a);
            const std::int64_t y = truncToInt64(b);
            if (y == 0) return 8;
            // The lowest 64-bit value divided by -1 overflows; its remainder is 0.
            r = y == -1 ? 0.0 : static_cast<double>(x % y);
            break;
        }
        case kOpExclusiveOr: {
            const std::uint64_t x = static_cast<std::uint64_t>(truncToInt64(a)) ^ static_cast<std::uint64_t>(truncToInt64(b));
            r = static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
            break;
        }
        case '+': r = a + b; break;
        case '-': r = a - b; break;
        case '=': r = a == b; break;
        case '~': case kOpNotEqual: r = a != b; break;
        case '<': r = a < b; break;
        case '>': r = a > b; break;
        case kOpLessEqual: r = a <= b; break;
        case kOpGreaterEqual: r = a >= b; break;
        case '&': r = static_cast<double>(truncToInt64(a) & truncToInt64(b)); break;
        case '|': r = static_cast<double>(truncToInt64(a) | truncToInt64(b)); break;
        default: return 1;
    }
    left = numberValue(r);
    return 0;
}

}  // namespace

// Reads the level at start: a leading "(" is skipped and the level runs to its ")" (missing:
// error 18) or, for the whole text, to its end (a stray ")" is error 18). Operands are string
// literals, constant tokens, "@" names, markers, names (a name directly followed by markers is a
// function call and runs here), numbers (decimal, decimal with a fraction, &H and 0x hexadecimal);
// a "-" before an operand negates it. Then every name in a segment that holds an operator is
// resolved and each comma-separated segment is combined by precedence (all operators left
// associative). Fills level with the results; false with errorCode set on failure.
bool Kestrun::evaluateLevel(ExpressionContext& cx, char* start, ExpressionLevel& level) {
    level.resultCount = 0;
    const bool parenthesised = *start == '(';
    char* p = parenthesised ? start + 1 : start;

    Value operands[kLevelOperands];
    unsigned char operators[kLevelOperators];
    int operandCount = 0;
    int operatorCount = 0;
    bool expectOperand = true;
    bool negate = false;

    auto fail = [this](std::uint8_t code) {
        errorCode = code;
        return false;
    };

    for (;;) {
        p = skipBlanks(p);
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\0' || c == ')') break;

        const bool startsOperand = c == '"' || c == 0xFE || c == '@' || (c >= kMarkNumber && c <= kMarkName) ||
                                   isLetter(c) || c == 0xFF || c == '#' || isDigit(c) ||
                                   (expectOperand && (c == '.' || (c == '&' && (p[1] == 'H' || p[1] == 'h'))));
        if (!startsOperand) {
            if (expectOperand) {
                if (c == '-') negate = !negate;
                ++p;  // anything else in an operand position ("+" included) is skipped
                continue;
            }
            if (!isPunctuation(c)) {
                ++p;
                continue;
            }
            unsigned char op = c;
            if (c == '<' && p[1] == '=') op = kOpLessEqual;
            else if (c == '<' && p[1] == '>') op = kOpNotEqual;
            else if (c == '>' && p[1] == '=') op = kOpGreaterEqual;
            else if (c == '|' && p[1] == '|') op = kOpExclusiveOr;
            p += op == c ? 1 : 2;
            if (operatorCount >= kLevelOperators) return fail(16);
            operators[operatorCount++] = op;
            expectOperand = true;
            continue;
        }

        // Two values with no operator between them.
        if (!expectOperand) return fail(1);
        if (operandCount >= kLevelOperands) return fail(16);

        Value v{};
        v.kind = ValueKind::Number;
        if (c == '"') {
            char* close = std::strchr(p + 1, '"');
            if (!close) return fail(1);
            if (!cx.storeText(p + 1, static_cast<std::size_t>(close - p - 1), v, ValueKind::String)) return fail(2);
            p = close + 1;
        } else if (c == 0xFE) {
            const unsigned char k1 = static_cast<unsigned char>(p[1]);
            const unsigned char k2 = k1 ? static_cast<unsigned char>(p[2]) : 0;
            const int index = (k1 & 0x1F) * 16 + (k2 - 0xE0);
            if (k1 < 0xE0 || k2 < 0xE0 || k2 > 0xEF || index >= kConstantCount) return fail(1);
            v.number = constants[index];
            p += 3;
        } else if (c == '@') {
            const char* name = p + 1;
            const char* q = name;
            while (isLetter(static_cast<unsigned char>(*q)) || isDigit(static_cast<unsigned char>(*q)) || *q == '_') ++q;
            std::int32_t symbol;
            if (!symbols.find(name, static_cast<std::size_t>(q - name), symbol)) return fail(24);
            v.number = static_cast<std::uint32_t>(symbol);
            p = const_cast<char*>(q);
        } else if (c >= kMarkNumber && c <= kMarkName) {
            const int n = static_cast<unsigned char>(p[1]);
            if (c == kMarkNumber) {
                if (n < 1 || n > cx.numberCount) return fail(1);
                v.number = cx.numbers[n - 1];
            } else {
                if (n < 1 || n > cx.textCount) return fail(1);
                v = cx.texts[n - 1];
            }
            p += 2;
        } else if (isLetter(c) || c == 0xFF || c == '#') {
            // A name runs to an operator, a marker or a ")" outside brackets.
            char* q = p;
            int brackets = 0;
            for (;; ++q) {
                const unsigned char d = static_cast<unsigned char>(*q);
                if (d == '\0') break;
                if (d == 0xFF && q == p && q[1] && q[2]) {
                    q += 2;  // the two code bytes of a function token
                    continue;
                }
                if (d == '[') ++brackets;
                else if (d == ']') { if (brackets > 0) --brackets; }
                else if (brackets == 0 && (d == ')' || endsName(d))) break;
            }
            char* end = q;
            while (end > p && isBlank(static_cast<unsigned char>(end[-1]))) --end;
            const std::size_t length = static_cast<std::size_t>(end - p);
            if (isMarker(static_cast<unsigned char>(*q))) {
                if (!cx.statement && !(cx.statement = newStatement(kMaxArgs))) return fail(2);
                const char* after = buildCallStatement(cx, p, length, q, cx.statement);
                if (!after) return false;
                if (!runCallStatement(cx, cx.statement, v)) return false;
                p = const_cast<char*>(after);
            } else {
                if (!cx.storeText(p, length, v, ValueKind::Name)) return fail(2);
                p = q;
            }
        } else if (c == '&' || (c == '0' && (p[1] == 'x' || p[1] == 'X'))) {
            const char* q = p + 2;
            v.number = readHex(q);
            p = const_cast<char*>(q);
        } else {
            // A digit or ".": a fraction makes it a floating literal, else a 64-bit integer.
            const char* q = p;
            while (isDigit(static_cast<unsigned char>(*q))) ++q;
            if (*q == '.') {
                char* after = nullptr;
                v.number = std::strtod(p, &after);
                if (after == p) {  // a lone "."
                    ++p;
                    continue;
                }
                p = after;
            } else {
                q = p;
                v.number = readDecimal(q);
                p = const_cast<char*>(q);
            }
        }
        if (negate) v.negated = !v.negated;
        negate = false;
        operands[operandCount++] = v;
        expectOperand = false;
    }

    level.end = p;
    if (parenthesised ? *p != ')' : *p != '\0') return fail(18);
    if (operatorCount > 0 && expectOperand) return fail(1);  // an operator with nothing after it

    // Each comma-separated segment: a single operand stays as it is (a name stays a name, to become
    // a variable argument of a call); a segment with operators has its names resolved and is
    // combined by precedence, one binding level after the other, left to right.
    int first = 0;
    for (int i = 0; i <= operatorCount && operandCount > 0; ++i) {
        if (i < operatorCount && operators[i] != ',') continue;
        const int last = i;  // operands first..last, operators first..last-1
        Value* segment = operands + first;
        int segmentOperands = last - first + 1;
        unsigned char ops[kLevelOperators];
        for (int j = 0; j < segmentOperands - 1; ++j) {
            ops[j] = operators[first + j];
            if (operatorLevel(ops[j]) < 1) return fail(1);
        }
        for (int j = 0; j < segmentOperands; ++j) {
            Value& operand = segment[j];
            if (operand.kind == ValueKind::Name && segmentOperands > 1 && !resolveNameValue(cx, operand)) return false;
            if (operand.kind == ValueKind::Number && operand.negated) {
                operand.number = -operand.number;
                operand.negated = false;
            }
            if (operand.kind == ValueKind::String) operand.negated = false;
        }
        for (int bind = 5; bind >= 1 && segmentOperands > 1; --bind) {
            for (int j = 0; j < segmentOperands - 1;) {
                if (operatorLevel(ops[j]) != bind) {
                    ++j;
                    continue;
                }
                const int code = applyOperator(cx, ops[j], segment[j], segment[j + 1]);
                if (code) return fail(static_cast<std::uint8_t>(code));
                for (int k = j + 1; k < segmentOperands - 1; ++k) {
                    segment[k] = segment[k + 1];
                    ops[k - 1] = ops[k];
                }
                --segmentOperands;
            }
        }
        level.results[level.resultCount++] = segment[0];
        first = i + 1;
    }
    return true;
}

}  // namespace kestrun
