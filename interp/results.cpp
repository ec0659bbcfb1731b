// Result writing and argument checks shared by the function-style handlers.
#include "results.h"

#include <cstring>

#include "records.h"

namespace kestrun {

namespace {

// True when p lies in the storage of the string variable v.
bool insideString(const Variable* v, const char* p) {
    if (!v || v->type != TypeString || !v->base) return false;
    const std::uint8_t* u = reinterpret_cast<const std::uint8_t*>(p);
    return u >= v->base && u < storageEnd(v);
}

}  // namespace

Statement* failStatement(Kestrun& k, std::uint8_t code) {
    k.errorCode = code;
    return nullptr;
}

bool checkArgCount(Kestrun& k, const Statement* st, int min, int max, std::uint8_t code) {
    if (st->argCount >= min && st->argCount <= max) return true;
    k.errorCode = code;
    return false;
}

Statement* setIntResult(Kestrun& k, Statement* st, std::int32_t value) {
    if (!k.resultInt || !k.resultInt->data) return failStatement(k, 2);
    std::memcpy(k.resultInt->data, &value, sizeof value);
    st->resultType = TypeInt;
    return st;
}

Statement* setDoubleResult(Kestrun& k, Statement* st, double value) {
    if (!k.resultDouble || !k.resultDouble->data) return failStatement(k, 2);
    std::memcpy(k.resultDouble->data, &value, sizeof value);
    st->resultType = TypeDouble;
    return st;
}

Statement* setFloatResult(Kestrun& k, Statement* st, float value) {
    if (!k.resultFloat || !k.resultFloat->data) return failStatement(k, 2);
    std::memcpy(k.resultFloat->data, &value, sizeof value);
    st->resultType = TypeFloat;
    return st;
}

Statement* setInt64Result(Kestrun& k, Statement* st, std::int64_t value, std::uint8_t type) {
    if (!k.resultInt64 || !k.resultInt64->data) return failStatement(k, 2);
    std::memcpy(k.resultInt64->data, &value, sizeof value);
    st->resultType = type;
    return st;
}

Statement* setStringResult(Kestrun& k, Statement* st, const char* text, std::size_t length) {
    Variable* r = k.resultString;
    if (!r || !r->base) return failStatement(k, 2);
    // The whole string, whatever element a lookup of SYSTEM_STRING0 addressed last.
    r->data = r->base;
    storeText(r->base, static_cast<std::int32_t>(r->dims[0]), storageEnd(r), text, length);
    st->resultType = TypeString;
    return st;
}

Statement* setPointerResult(Kestrun& k, Statement* st, Variable* target, std::uint32_t address) {
    Variable* r = k.resultPointer;
    if (!r || !r->data) return failStatement(k, 2);
    if (target) std::memcpy(r->data, &address, sizeof address);
    designate(r, target);
    st->resultType = TypePointer;
    return st;
}

TextView textOf(const Kestrun& k, const ArgValue& value) {
    static char empty[1] = {'\0'};
    if (!value.text) return {empty, 0};
    const Variable* owner = insideString(value.variable, value.text) ? value.variable
                            : insideString(k.resultString, value.text) ? k.resultString
                                                                        : nullptr;
    const std::uint8_t* u = reinterpret_cast<const std::uint8_t*>(value.text);
    return {value.text, boundedLength(u, owner ? storageEnd(owner) : nullptr)};
}

}  // namespace kestrun
