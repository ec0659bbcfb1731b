// The input statement: reads one line of standard input into a variable, after an optional
// prompt printed on the same line.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "handler_support.h"
#include "kestrun.h"
#include "numeric.h"

namespace kestrun {

namespace {

// Room of the line buffer: an input line keeps at most 254 characters.
constexpr std::size_t kInputLineSize = 255;

// Reads one line through the host into buffer (size bytes, zero-terminated): the LF that ends it
// and a CR right before that LF are dropped; characters beyond size - 1 are read and discarded,
// so the rest of a long line never becomes the next input. Returns the number of characters kept,
// or -1 when the input ended before any character.
int readInputLine(Host& host, char* buffer, std::size_t size) {
    std::size_t kept = 0;
    bool any = false;
    bool pendingCr = false;
    auto keep = [&](char c) {
        if (kept + 1 < size) buffer[kept++] = c;
    };
    for (;;) {
        const int c = host.readConsoleChar();
        if (c < 0) break;
        any = true;
        if (c == '\n') {
            pendingCr = false;
            break;
        }
        if (pendingCr) keep('\r');
        pendingCr = c == '\r';
        if (!pendingCr) keep(static_cast<char>(c));
    }
    if (pendingCr) keep('\r');
    buffer[kept] = '\0';
    return any ? static_cast<int>(kept) : -1;
}

// A C integer literal with automatic base (0x hexadecimal, leading 0 octal), saturated to the
// range [least, most].
std::int64_t readInteger(const char* text, std::int64_t least, std::int64_t most) {
    const long long v = std::strtoll(text, nullptr, 0);
    if (v < least) return least;
    if (v > most) return most;
    return v;
}

// A 64-bit decimal integer: signed, or for an unsigned target read as unsigned unless it starts
// with a minus sign. Out-of-range values saturate.
std::int64_t readInteger64(const char* text, bool isUnsigned) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (isUnsigned && *p != '-') return static_cast<std::int64_t>(std::strtoull(p, nullptr, 10));
    return std::strtoll(p, nullptr, 10);
}

// Stores the text of one input line into the element that v addresses, converted by v's type.
// False with errorCode 14 for a type that takes no typed value.
bool storeInput(Kestrun& k, Variable* v, const char* line, std::size_t length) {
    std::uint8_t* at = v->data;
    if (!at) {
        k.errorCode = 14;
        return false;
    }
    switch (v->type) {
        case TypeString: {
            if (v->capacity < 1) return true;
            const std::size_t room = static_cast<std::size_t>(v->capacity) - 1;
            if (length > room) length = room;
            std::memcpy(at, line, length);
            at[length] = 0;
            return true;
        }
        case TypeChar:
            *at = static_cast<std::uint8_t>(line[0]);
            return true;
        case TypeInt: {
            const std::int32_t n = static_cast<std::int32_t>(readInteger(line, INT32_MIN, INT32_MAX));
            std::memcpy(at, &n, sizeof n);
            return true;
        }
        case TypeUInt: {
            const std::uint32_t n = static_cast<std::uint32_t>(readInteger(line, INT32_MIN, UINT32_MAX));
            std::memcpy(at, &n, sizeof n);
            return true;
        }
        case TypeWord: {
            const std::uint16_t n = static_cast<std::uint16_t>(readInteger(line, INT32_MIN, INT32_MAX));
            std::memcpy(at, &n, sizeof n);
            return true;
        }
        case TypeFloat: {
            const float f = roundToFloat(std::strtod(line, nullptr));
            std::memcpy(at, &f, sizeof f);
            return true;
        }
        case TypeDouble: {
            const double d = std::strtod(line, nullptr);
            std::memcpy(at, &d, sizeof d);
            return true;
        }
        case TypeInt64:
        case TypeUInt64: {
            const std::int64_t n = readInteger64(line, v->type == TypeUInt64);
            std::memcpy(at, &n, sizeof n);
            return true;
        }
        default:
            k.errorCode = 14;
            return false;
    }
}

}  // namespace

// INPUT target, or INPUT "prompt", target. The prompt is printed on the console without a line
// end; without one the console is opened if needed. One line of standard input goes into the
// target: STRING the text cut to its capacity, CHAR the first character, INT, UINT and WORD a C
// integer literal with automatic base, saturated (UINT keeps the unsigned range, WORD the low 16
// bits), FLOAT and DOUBLE a C floating literal, INT64 and UINT64 a decimal integer. Errors: 56 no
// target, the lookup's error for an unknown target, 13 at the end of input, 14 for a target type
// that takes no typed value.
Statement* Kestrun::CmdInput(Statement* st) {
    if (!checkArgCount(*this, st, 1, kMaxArgs, 56)) return nullptr;
    int target = 0;
    if (*skipBlanks(st->args[0]) == '"') {
        if (!checkArgCount(*this, st, 2, kMaxArgs, 56)) return nullptr;
        const std::uint16_t count = st->argCount;
        st->argCount = 1;
        st->resultType = kPromptResultType;
        Statement* printed = CmdPrint(st);
        st->argCount = count;
        st->resultType = kNoResult;
        if (!printed) return nullptr;
        target = 1;
    } else {
        ensureConsole();
    }

    Variable* v = findVariable(skipBlanks(st->args[target]), nullptr, true);
    if (!v) {
        if (errorCode == 0) errorCode = 10;
        return nullptr;
    }
    char line[kInputLineSize];
    const int length = readInputLine(host, line, sizeof line);
    if (length < 0) {
        errorCode = 13;
        return nullptr;
    }
    return storeInput(*this, v, line, static_cast<std::size_t>(length)) ? st : nullptr;
}

}  // namespace kestrun
