// The statement parser: turns one line into a Statement (command code, argument texts split at
// top-level commas, a first classification of each argument), recognises assignments and
// rewrites a bare call of a label, subroutine or external function into a command line.
#include <cstring>

#include "kestrun.h"
#include "text_util.h"

namespace kestrun {

namespace {

bool isCommandOperator(unsigned char c) { return c != '\0' && std::strchr("*+-/%&<=>@^|~", c) != nullptr; }

// The operator set used on the right of assignments: adds "(" and the constant token.
bool isValueOperator(unsigned char c) { return c == 0xFE || (c != '\0' && std::strchr("*+-<>|&=~^/(@%", c) != nullptr); }

const char* findValueOperator(const char* p) {
    for (; *p; ++p)
        if (isValueOperator(static_cast<unsigned char>(*p))) return p;
    return nullptr;
}

// Kind of the value on the right of an assignment.
std::int32_t classifyAssignedValue(const char* value) {
    const unsigned char c = static_cast<unsigned char>(value[0]);
    if (c == 0xFE || c == '(') return ArgExpression;
    if (c == '"') {
        const char* close = std::strchr(value + 1, '"');
        if (close) {
            const char* op = findValueOperator(close + 1);
            if (op && *op == '+') return ArgExpression;
        }
        return ArgString;
    }
    if (isLetter(c) || c == 0xFF) {
        if (value[1] == '\0') return ArgVariable;
        const char* op = findValueOperator(value);
        const char* open = std::strchr(value, '[');
        const char* close = std::strchr(value, ']');
        if (op && open && close && open < op && op < close) op = findValueOperator(close + 1);
        const char* q1 = std::strchr(value, '"');
        const char* q2 = q1 ? std::strchr(q1 + 1, '"') : nullptr;
        if (op && q1 && q2 && q1 < op && op < q2) op = findValueOperator(q2 + 1);
        return op ? ArgExpression : ArgVariable;
    }
    const bool hasOperator = findValueOperator(value) != nullptr;
    if (isDigit(c) || c == '-' || c == '.') return hasOperator ? ArgExpression : ArgNumber;
    return hasOperator ? ArgExpression : ArgOther;
}

// Copies [begin, end) into a slot that may run on into the following slots up to limit bytes;
// false when it does not fit.
bool copyArgument(char* slot, std::size_t limit, const char* begin, const char* end) {
    const std::size_t length = static_cast<std::size_t>(end - begin);
    if (length + 1 > limit) return false;
    std::memcpy(slot, begin, length);
    slot[length] = '\0';
    return true;
}

}  // namespace

int Kestrun::parseStatement(Statement* st, char* line) {
#ifdef KESTRUN_STEP_BUDGET
    if (!spendStep()) return 1;
#endif
    st->resultType = kNoResult;
    st->toFile = 0;
    const unsigned char* u = reinterpret_cast<unsigned char*>(line);
    const std::size_t blockSize = static_cast<std::size_t>(st->slots) * kArgSlotSize;

    if (u[0] == 0xFF) {
        // ---- Command line ----
        if (u[1] < 0xE0 || u[2] < 0xE0) {
            errorCode = 1;
            return 1;
        }
        const int code = (u[1] - 0xE0) * 16 + (u[2] - 0xE0);
        st->code = static_cast<std::uint16_t>(code < kHandlerCount ? code : kHandlerCount - 1);
        char* text = skipBlanks(line + 3);
        st->text = text;
        if (*text == '\0') {
            st->argCount = 0;
            return 0;
        }

        // Outer parentheses around the whole argument list: "(a, b)" gives a and b.
        if (*text == '(' && code != 6 && code != 42) {
            bool quoted = false;
            char* firstComma = nullptr;
            for (char* p = text; *p; ++p) {
                if (*p == '"') quoted = !quoted;
                else if (*p == ',' && !quoted) {
                    firstComma = p;
                    break;
                }
            }
            if (firstComma) {
                char* last = text + std::strlen(text) - 1;
                while (last > text && isWhite(static_cast<unsigned char>(*last))) --last;
                if (*last == ')') {
                    int depth = 0;
                    quoted = false;
                    for (char* p = text; p < firstComma; ++p) {
                        if (*p == '"') quoted = !quoted;
                        else if (quoted) continue;
                        else if (*p == '(') ++depth;
                        else if (*p == ')') --depth;
                    }
                    if (depth != 0) {
                        *text = ' ';
                        *last = ' ';
                        text = skipBlanks(text);
                        st->text = text;
                    }
                }
            }
        }

        // Split at top-level commas and classify, in one pass that includes the final zero byte.
        bool quoted = false;
        int brackets = 0, parens = 0, index = 0;
        std::int32_t kind = ArgOther;
        std::size_t pos = 0;  // write position in argBlock
        if (st->slots == 0) {
            errorCode = 1;
            return 1;
        }
        for (const char* p = text;; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (pos >= blockSize) {  // the argument text does not fit the Statement
                errorCode = 1;
                return 1;
            }
            st->argBlock[pos++] = static_cast<char>(c);
            if (!quoted && brackets == 0 && c == '(') {
                kind = ArgExpression;
                ++parens;
                continue;
            }
            if (kind == ArgOther && !quoted) {
                if (c == 0xFE) { kind = ArgExpression; continue; }
                if (isLetter(c) || c == 0xFF) { kind = ArgVariable; continue; }
                if (isDigit(c) || c == '.') { kind = ArgNumber; continue; }
            }
            if (c == '\0') {
                st->argKinds[index] = kind;
                ++index;
                break;
            }
            if (c == '"') {
                if (!quoted && kind == ArgOther) kind = ArgString;
                quoted = !quoted;
            } else if (quoted) {
                continue;
            } else if (c == '#') {
                if (brackets == 0 && kind == ArgOther) kind = ArgVariable;
            } else if (c == '(') {
                ++parens;
            } else if (c == ')') {
                --parens;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == ',') {
                if (brackets == 0 && parens == 0) {
                    st->argBlock[pos - 1] = '\0';
                    st->argKinds[index] = kind;
                    ++index;
                    if (index > kMaxArgs - 1) break;  // the excess arguments are dropped
                    // An argument that ran on into the next slot must be the last one.
                    if (index >= st->slots || pos > kArgSlotSize * static_cast<std::size_t>(index)) {
                        errorCode = 1;
                        return 1;
                    }
                    pos = kArgSlotSize * static_cast<std::size_t>(index);
                    kind = ArgOther;
                }
            } else if (isCommandOperator(c)) {
                if (brackets == 0) kind = ArgExpression;
            }
        }
        st->argCount = static_cast<std::uint16_t>(index);
        if (parens != 0) {
            errorCode = 18;
            return 1;
        }
        return 0;
    }

    // ---- Assignment or call ----
    char* s = line;
    while (*s && !isBlank(static_cast<unsigned char>(*s)) && *s != '=' && *s != '(' && *s != '"') ++s;

    if (char* equals = std::strchr(line, '=')) {
        if (st->slots < 2) {
            errorCode = 1;
            return 1;
        }
        st->code = 20;
        st->text = line;
        st->argCount = 2;
        const char* valueBegin = skipBlanks(equals + 1);
        const char* valueEnd = valueBegin + std::strlen(valueBegin);
        while (valueEnd > valueBegin && isBlank(static_cast<unsigned char>(valueEnd[-1]))) --valueEnd;
        const char* targetBegin = skipBlanks(line);
        const char* targetEnd = equals;
        while (targetEnd > targetBegin && isWhite(static_cast<unsigned char>(targetEnd[-1]))) --targetEnd;
        if (!copyArgument(st->args[0], kArgSlotSize, targetBegin, targetEnd) ||
            !copyArgument(st->args[1], blockSize - kArgSlotSize, valueBegin, valueEnd)) {
            errorCode = 1;
            return 1;
        }
        st->argKinds[0] = ArgOther;
        st->argKinds[1] = classifyAssignedValue(st->args[1]);
        return 0;
    }

    // A call: only labels, subroutines and external functions can be called this way.
    if (!initialised) {
        errorCode = 1;
        return 1;
    }
    char name[kArgSlotSize];
    const std::size_t nameLength = static_cast<std::size_t>(s - line);
    if (nameLength == 0 || nameLength >= sizeof name) {
        errorCode = 1;
        return 1;
    }
    std::memcpy(name, line, nameLength);
    name[nameLength] = '\0';
    Variable* label = findVariable(name, nullptr, false);
    if (!label || label->type != TypeLabel) {
        errorCode = 1;
        return 1;
    }

    char buffer[255];
    const char* rest = nullptr;   // text after the character at s, when a comma replaces it
    if (*s) {
        // The opening parenthesis of an argument list may end the name itself, "f()", or follow
        // white space, "f ()": either way empty parentheses are an empty argument list.
        const char* after = *s == '(' ? s : s + 1;
        while (isWhite(static_cast<unsigned char>(*after))) ++after;
        if (*after == '(') {
            const char* inner = after + 1;
            while (isWhite(static_cast<unsigned char>(*inner))) ++inner;
            if (*inner != ')') rest = s + 1;
        } else if (*after) {
            rest = s + 1;
        }
    }
    const std::size_t restLength = rest ? std::strlen(rest) : 0;
    const std::size_t total = 3 + nameLength + (rest ? 1 + restLength : 0);
    if (total + 1 > sizeof buffer) {
        errorCode = 1;
        return 1;
    }
    buffer[0] = static_cast<char>(0xFF);
    buffer[1] = static_cast<char>(label->isExternal ? 0xE7 : 0xE2);
    buffer[2] = static_cast<char>(label->isExternal ? 0xE8 : 0xEC);
    std::memcpy(buffer + 3, line, nameLength);
    std::size_t length = 3 + nameLength;
    if (rest) {
        buffer[length++] = ',';
        std::memcpy(buffer + length, rest, restLength);
        length += restLength;
    }
    buffer[length] = '\0';
    if (*s == '(') {
        char* last = buffer + length;
        while (last > buffer && isWhite(static_cast<unsigned char>(last[-1]))) --last;
        if (last > buffer && last[-1] == ')') last[-1] = ' ';
    }
    const int result = parseStatement(st, buffer);
    st->text = line;  // the rewritten buffer does not outlive this call
    return result;
}

}  // namespace kestrun
