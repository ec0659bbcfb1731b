// Calls from inside expressions: a built-in function token or a label, subroutine or external
// function name followed by the markers of its evaluated arguments becomes a Statement that runs
// through the HandlerTable exactly like a program line, and its result variable becomes a value.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "expression_internal.h"

namespace kestrun {

namespace {

// Writes a number the way a program would write it as an argument: an integral value in the
// 64-bit range as a decimal integer, any other value with a decimal point and enough digits to
// read back the same double (so a tiny value does not turn into 0, nor a huge one overrun the
// argument buffer).
void formatNumberArgument(char* out, std::size_t size, double v) {
    if (std::isfinite(v) && v == std::trunc(v) && v >= -9223372036854775808.0 && v < 9223372036854775808.0)
        std::snprintf(out, size, "%lld", static_cast<long long>(v));
    else
        std::snprintf(out, size, "%#.17g", v);
}

// Copies [text, text + length) into the argument slot i; false when it does not fit the slot.
bool copyToSlot(Statement* st, int i, const char* prefix, const char* text, std::size_t length) {
    const std::size_t prefixLength = std::strlen(prefix);
    if (prefixLength + length + 1 > kArgSlotSize) return false;
    char* slot = st->argBlock + kArgSlotSize * static_cast<std::size_t>(i);
    std::memcpy(slot, prefix, prefixLength);
    std::memcpy(slot + prefixLength, text, length);
    slot[prefixLength + length] = '\0';
    st->args[i] = slot;
    return true;
}

}  // namespace

// Fills st for a call: resultType 99, toFile 0; a name that starts with 0xFF gives the command
// code of its token and the arguments start at 0; any other name must be a LABEL_0 variable
// (looked up without the call fallback) and gives code 120 for an external function, else 44,
// with the name as argument 0. Each following marker becomes the next argument: a number as text
// (kind 0), a string in double quotes (kind 1), a name as written (kind 2, or kind 3 with a minus
// before it); marker 7 adds nothing. An argument too long for its 256-byte slot is kept in the
// context's pool and its pointer set there, so a long string reaches the handler whole.
// Returns the position after the consumed markers, or null with errorCode set.
const char* Kestrun::buildCallStatement(ExpressionContext& cx, const char* name, std::size_t nameLength,
                                        const char* markers, Statement* st) {
    st->resultType = kNoResult;
    st->toFile = 0;
    st->argCount = 0;
    for (int i = 0; i < kMaxArgs; ++i) {
        st->args[i] = st->argBlock + kArgSlotSize * static_cast<std::size_t>(i);
        st->argKinds[i] = ArgOther;
    }
    st->argBlock[0] = '\0';
    st->text = st->argBlock;

    int count = 0;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(name);
    if (u[0] == 0xFF) {
        if (nameLength < 3 || u[1] < 0xE0 || u[1] > 0xEF || u[2] < 0xE0 || u[2] > 0xEF) {
            errorCode = 1;
            return nullptr;
        }
        const int code = (u[1] - 0xE0) * 16 + (u[2] - 0xE0);
        st->code = static_cast<std::uint16_t>(code);
    } else {
        // The name goes to argument 0; that copy is also the text that is looked up.
        if (!copyToSlot(st, 0, "", name, nameLength)) {
            errorCode = 1;
            return nullptr;
        }
        Variable* v = findVariable(st->args[0], nullptr, false);
        if (!v || v->type != TypeLabel) {
            if (errorCode == 0) errorCode = 1;
            return nullptr;
        }
        errorCode = 0;
        st->code = static_cast<std::uint16_t>(v->isExternal ? 120 : 44);
        st->argKinds[0] = ArgVariable;
        count = 1;
    }

    // Arguments that live in the pool: their pointers are set once every text is reserved,
    // because a reservation may move the pool.
    struct PoolArg {
        int index;
        std::uint32_t offset;
    };
    PoolArg poolArgs[kMaxArgs];
    int poolArgCount = 0;

    const unsigned char* m = reinterpret_cast<const unsigned char*>(markers);
    while (isMarker(*m)) {
        const unsigned char mark = m[0];
        const int n = m[1];
        m += 2;
        if (mark == kMarkEmpty) continue;
        if (count >= kMaxArgs) {
            errorCode = 1;
            return nullptr;
        }
        char* slot = st->argBlock + kArgSlotSize * static_cast<std::size_t>(count);
        if (mark == kMarkNumber) {
            if (n < 1 || n > cx.numberCount) {
                errorCode = 1;
                return nullptr;
            }
            formatNumberArgument(slot, kArgSlotSize, cx.numbers[n - 1]);
            st->argKinds[count] = ArgNumber;
        } else {
            if (n < 1 || n > cx.textCount) {
                errorCode = 1;
                return nullptr;
            }
            const ExpressionValue value = cx.texts[n - 1];
            const bool isString = value.kind == ValueKind::String;
            const char* prefix = isString ? "\"" : (value.negated ? "-" : "");
            const char* suffix = isString ? "\"" : "";
            const std::size_t extra = std::strlen(prefix) + std::strlen(suffix);
            if (value.length + extra + 1 <= kArgSlotSize) {
                copyToSlot(st, count, prefix, cx.textOf(value), value.length);
                std::strcat(slot, suffix);
            } else {
                std::uint32_t offset;
                if (!cx.reserveText(value.length + extra, offset)) {
                    errorCode = 2;
                    return nullptr;
                }
                char* out = cx.pool + offset;
                const std::size_t prefixLength = std::strlen(prefix);
                std::memcpy(out, prefix, prefixLength);
                std::memcpy(out + prefixLength, cx.pool + value.offset, value.length);
                std::memcpy(out + prefixLength + value.length, suffix, std::strlen(suffix));
                poolArgs[poolArgCount++] = {count, offset};
            }
            st->argKinds[count] = isString ? ArgString : (value.negated ? ArgExpression : ArgVariable);
        }
        ++count;
    }
    for (int i = 0; i < poolArgCount; ++i) st->args[poolArgs[i].index] = cx.pool + poolArgs[i].offset;
    st->argCount = static_cast<std::uint16_t>(count);
    st->text = st->args[0];
    return reinterpret_cast<const char*>(m);
}

// Dispatches st and turns its result into value by resultType: 0 a string (SYSTEM_STRING0);
// 2 SYSTEM_INT0 as signed, 19 (UINT) as unsigned; 3 SYSTEM_FLOAT0; 14 SYSTEM_DOUBLE0; 16 SYSTEM_POINTER0 as
// signed 32-bit; 17 and 18 SYSTEM_INT64 as signed 64-bit; no result gives 0. A handler that fails
// (or ends the program) ends the evaluation: false, with the handler's errorCode.
bool Kestrun::runCallStatement(ExpressionContext& cx, Statement* st, ExpressionValue& value) {
    const bool negated = value.negated;
    Statement* done = dispatch(st);
    if (!done || errorCode) return false;

    value.kind = ValueKind::Number;
    value.number = 0;
    const Variable* v = resultVariableFor(st->resultType);
    const std::uint8_t* p = v ? v->data : nullptr;
    if (st->resultType == TypeString) {
        std::size_t length = 0;
        if (p) {
            const std::size_t limit = v->capacity > 0 ? static_cast<std::size_t>(v->capacity) : 0;
            const void* zero = std::memchr(p, 0, limit);
            length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : limit;
        }
        if (!cx.storeText(p ? reinterpret_cast<const char*>(p) : "", length, value, ValueKind::String)) {
            errorCode = 2;
            return false;
        }
    } else if (p) {
        switch (st->resultType) {
            case TypeInt:
            case TypePointer: { std::int32_t n; std::memcpy(&n, p, 4); value.number = n; break; }
            case TypeUInt: { std::uint32_t n; std::memcpy(&n, p, 4); value.number = n; break; }
            case TypeFloat: { float f; std::memcpy(&f, p, 4); value.number = f; break; }
            case TypeDouble: { double d; std::memcpy(&d, p, 8); value.number = d; break; }
            case TypeInt64:
            case TypeUInt64: { std::int64_t n; std::memcpy(&n, p, 8); value.number = static_cast<double>(n); break; }
            default: break;
        }
    }
    value.negated = negated;
    return true;
}

}  // namespace kestrun
