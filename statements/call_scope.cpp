// The scope of one subroutine call: parameter copies made from the subroutine's template and the
// binding of the call's arguments to them.
#include "call_scope.h"

#include <cstdlib>
#include <cstring>

#include "flow_lines.h"
#include "numeric.h"
#include "records.h"
#include "results.h"

namespace kestrun {

namespace {

constexpr std::uint32_t kStringRoom = 255;

// A STRING parameter written without brackets: one string (the template gives it the shape of a
// single string, rowLength 1).
bool isSingleString(const Variable* p) { return p->type == TypeString && p->rowLength == 1; }

// A parameter written with brackets: it takes arrays only, and only by reference.
bool isArrayParameter(const Variable* p) { return p->isArray && !isSingleString(p); }

// Frees storage the parameter owns, before it starts sharing another variable's.
void releaseOwnStorage(Variable* p) {
    if (p->count && !p->isBorrowed) std::free(p->isArray && p->base ? p->base : p->data);
    p->data = p->base = nullptr;
    p->count = 0;
}

// Gives a STRING parameter zeroed storage of its own: a single string of 255 bytes, or one row
// of a string array. False when memory runs out.
bool giveOwnString(Variable* p) {
    const std::uint32_t room = isSingleString(p) || p->rowLength <= 0 ? kStringRoom : static_cast<std::uint32_t>(p->rowLength);
    std::uint8_t* block = static_cast<std::uint8_t*>(std::calloc(room, 1));
    if (!block) return false;
    releaseOwnStorage(p);
    p->data = p->base = block;
    p->count = room;
    p->isArray = 1;
    p->isBorrowed = 0;
    p->capacity = static_cast<std::int32_t>(room);
    if (isSingleString(p) || p->rowLength <= 0) {
        p->rowLength = 1;
        p->dims[0] = room;
    } else {
        p->dims[0] = 1;
    }
    p->dims[1] = p->dims[2] = 0;
    return true;
}

// By reference: the parameter shares the argument variable's storage. Types must be equal and
// the argument an array (strings always are), else 14. A single-string parameter given one
// string of a string array shares that string alone, so the body sees the element that was
// passed and not the array's first one.
bool bindReference(Kestrun& k, Variable* p, Variable* source, std::uint8_t* address) {
    if (source->type != p->type || !source->isArray) return refuseWith(k, 14);
    releaseOwnStorage(p);
    if (isSingleString(p) && source->rowLength != 1) {
        const std::uint32_t room = source->rowLength > 0 ? static_cast<std::uint32_t>(source->rowLength) : 0;
        p->data = p->base = address;
        p->dims[0] = room;
        p->dims[1] = p->dims[2] = 0;
        p->capacity = static_cast<std::int32_t>(room);
        p->count = room;
    } else {
        p->data = address;
        p->base = source->base;
        std::memcpy(p->dims, source->dims, sizeof p->dims);
        p->capacity = source->capacity;
        p->rowLength = source->rowLength;
        p->count = source->count;
    }
    p->aux = source->aux;
    p->isBorrowed = 1;
    return true;
}

// A parameter that takes over a handle-like variable's element (MEMORY, FILE, WINDOW, DIALOG,
// BFILE, USER_0, POINTER): a new handle stored into the parameter reaches the caller.
void shareElement(Variable* p, std::uint8_t* address) {
    releaseOwnStorage(p);
    p->data = address;
    p->isBorrowed = 1;
}

bool isIntegerValue(std::uint8_t t) { return t == TypeChar || t == TypeInt || t == TypeWord || t == TypeUInt; }
bool isRealValue(std::uint8_t t) { return t == TypeFloat || t == TypeDouble; }
bool isWideValue(std::uint8_t t) { return t == TypeInt64 || t == TypeUInt64; }

// By value, by the parameter's type:
//   STRING          a string, copied (bounded) into storage of its own (255 bytes when the
//                   parameter had none)
//   INT, UINT       CHAR, INT, WORD, UINT: the integer view; FLOAT, DOUBLE: truncated
//   WORD            the same, low 16 bits
//   FLOAT           INT, WORD, UINT: the integer view as signed, rounded; FLOAT; DOUBLE rounded
//   DOUBLE          INT, WORD, UINT: the integer view as signed; FLOAT, DOUBLE; INT64, UINT64
//   INT64, UINT64   CHAR, INT, WORD, UINT sign-extended; FLOAT, DOUBLE truncated; INT64, UINT64
//   MEMORY, FILE, WINDOW, DIALOG, BFILE   a variable of the same type, whose element is shared
//   USER_0          a USER_0 variable, shared, with its packing (aux)
//   POINTER         any variable: a POINTER passes its element and target, any other variable
//                   its element and itself as the target
// Any other value is error 14; CHAR, ARRAY_0, SYSTEM_0, LABEL_0 and ISTRING take none (62).
bool bindValue(Kestrun& k, Variable* p, const ArgValue& a, Variable* source) {
    const std::uint8_t t = a.valueType;
    std::uint8_t* d = p->data;
    switch (p->type) {
        case TypeString: {
            if (t != TypeString) break;
            if ((p->isBorrowed || !p->data) && !giveOwnString(p)) return refuseWith(k, 2);
            const TextView text = textOf(k, a);
            storeText(p->data, p->capacity, storageEnd(p), text.text, text.length);
            return true;
        }
        case TypeInt:
        case TypeUInt:
            if (!d || (!isIntegerValue(t) && !isRealValue(t))) break;
            std::memcpy(d, &a.intValue, 4);
            return true;
        case TypeWord: {
            if (!d || (!isIntegerValue(t) && !isRealValue(t))) break;
            const std::uint16_t w = static_cast<std::uint16_t>(a.intValue);
            std::memcpy(d, &w, 2);
            return true;
        }
        case TypeFloat: {
            float f;
            if (!d || t == TypeChar) break;
            if (isIntegerValue(t)) f = roundToFloat(static_cast<double>(a.intValue));
            else if (t == TypeFloat) f = a.floatValue;
            else if (t == TypeDouble) f = roundToFloat(a.doubleValue);
            else break;
            std::memcpy(d, &f, 4);
            return true;
        }
        case TypeDouble: {
            double v;
            if (!d || t == TypeChar) break;
            if (isIntegerValue(t)) v = static_cast<double>(a.intValue);
            else if (isRealValue(t)) v = a.doubleValue;
            else if (isWideValue(t)) v = static_cast<double>(a.int64Value);
            else break;
            std::memcpy(d, &v, 8);
            return true;
        }
        case TypeInt64:
        case TypeUInt64: {
            std::int64_t v;
            if (!d) break;
            if (isIntegerValue(t)) v = a.intValue;
            else if (isRealValue(t)) v = truncToInt64(a.doubleValue);
            else if (isWideValue(t)) v = a.int64Value;
            else break;
            std::memcpy(d, &v, 8);
            return true;
        }
        case TypeMemory:
        case TypeFile:
        case TypeWindow:
        case TypeDialog:
        case TypeBFile:
            if (!source || source->type != p->type) break;
            shareElement(p, a.address);
            return true;
        case TypeUser:
            if (!source || source->type != TypeUser) break;
            shareElement(p, a.address);
            p->aux = source->aux;
            return true;
        case TypePointer:
            if (!source) break;
            shareElement(p, a.address);
            designate(p, source->type == TypePointer ? source->target : source);
            return true;
        default:  // CHAR, ARRAY_0, SYSTEM_0, LABEL_0, ISTRING
            return refuseWith(k, 62);
    }
    return refuseWith(k, 14);
}

// Binds argument i of st to parameter p.
bool bindOne(Kestrun& k, Statement* st, int i, Variable* p) {
    ArgValue a;
    if (!k.getArg(a, st, i, WantAny)) return false;
    Variable* source = a.variable;
    // SYSTEM_STRING0 given as an argument holds the result of a function: its text is a value.
    // Sharing it would let every later string function in the body change the parameter.
    if (source && source == k.resultString && p->type == TypeString) source = nullptr;
    if (p->isArray && source) return bindReference(k, p, source, a.address);
    if (isArrayParameter(p)) return refuseWith(k, 14);
    return bindValue(k, p, a, source);
}

}  // namespace

Variable* makeParameterScope(Kestrun& k, const Variable* templateHead) {
    Variable* head = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
    if (!head) {
        refuseWith(k, 2);
        return nullptr;
    }
    head->frameMarker = 1;
    Variable* last = head;
    for (const Variable* t = templateHead->next; t; t = t->next) {
        Variable* p = static_cast<Variable*>(std::calloc(1, sizeof(Variable)));
        if (!p) {
            k.freeVariableChain(head, false);
            refuseWith(k, 2);
            return nullptr;
        }
        std::memcpy(p->name, t->name, sizeof p->name);
        p->type = t->type;
        p->count = t->count;
        p->capacity = t->capacity;
        p->rowLength = t->rowLength;
        p->aux = t->aux;
        std::memcpy(p->dims, t->dims, sizeof p->dims);
        p->frameMarker = t->frameMarker;
        p->isBorrowed = t->isBorrowed;
        p->isArray = t->isArray;
        p->prev = last;
        last->next = p;
        last = p;
        if (p->count && !p->isBorrowed) {
            const std::size_t bytes = static_cast<std::size_t>(p->count) * kVarTypes[p->type].width;
            std::uint8_t* block = static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
            if (!block) {
                p->count = 0;
                k.freeVariableChain(head, false);
                refuseWith(k, 2);
                return nullptr;
            }
            p->data = block;
            if (p->isArray) p->base = block;
        }
    }
    return head;
}

bool bindArguments(Kestrun& k, Statement* st, Variable* head) {
    Variable* p = head->next;
    for (int i = 1; i < st->argCount && p; ++i, p = p->next)
        if (!bindOne(k, st, i, p)) return false;
    for (p = head->next; p; p = p->next)
        if (p->type == TypeString && !p->data && !giveOwnString(p)) return refuseWith(k, 2);
    return true;
}

}  // namespace kestrun
