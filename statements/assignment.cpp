// Assignment: stores one or more values into the element that a target text addresses,
// converting between the VarTypes, and creates an unknown target when automatic declaration is
// on. Also the switch of automatic declaration.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kestrun.h"
#include "numeric.h"
#include "records.h"
#include "text_util.h"
#include "value_conversion.h"

namespace kestrun {

namespace {

// The element that one value of an assignment goes to.
struct Slot {
    Variable* variable;
    std::uint8_t* address;
    std::int32_t capacity;     // STRING: bytes available at address, terminator included
    const std::uint8_t* end;   // end of the storage of an array target; null for a scalar
};

bool fail(Kestrun& k, std::uint8_t code) {
    k.errorCode = code;
    return false;
}

std::uint32_t addressWord(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

// Integer value of a number literal with automatic base: "0x" hexadecimal, a leading "0" octal,
// else decimal. Callers keep the low bits they need.
std::int64_t literalInteger(const char* text) {
    return static_cast<std::int64_t>(std::strtoull(text, nullptr, 0));
}

// A name that an assignment may create: it starts with a letter or "_" and holds no index, no
// member, no blank and no quote. Dereferences ("#p"), the window token and empty names never
// become new variables.
bool isPlainName(const char* name) {
    const unsigned char first = static_cast<unsigned char>(name[0]);
    if (!isLetter(first) && first != '_') return false;
    for (const char* p = name; *p; ++p)
        if (*p == '[' || *p == '.' || *p == '"' || isBlank(static_cast<unsigned char>(*p))) return false;
    return true;
}

// Creates the unknown target of an assignment, or fails keeping the lookup's code (10 when the
// lookup left none). Creation happens only with automatic declaration on, a plain name, and a
// lookup that did not fail on an index out of range (7). The type follows the first value's
// kind: a number literal gives FLOAT when it holds a "." and INT otherwise; a string literal
// STRING; a variable STRING when the name holds "$" and INT otherwise; an expression STRING when
// the name holds "$" and FLOAT otherwise; any other kind fails with 1.
Variable* declareTarget(Kestrun& k, const char* name, const Statement* st) {
    if (!k.autoDeclare || k.errorCode == 7 || !isPlainName(name)) {
        if (k.errorCode == 0) k.errorCode = 10;
        return nullptr;
    }
    const bool dollar = std::strchr(name, '$') != nullptr;
    std::uint8_t type;
    switch (st->argKinds[1]) {
        case ArgNumber: type = std::strchr(st->args[1], '.') ? TypeFloat : TypeInt; break;
        case ArgString: type = TypeString; break;
        case ArgVariable: type = dollar ? TypeString : TypeInt; break;
        case ArgExpression: type = dollar ? TypeString : TypeFloat; break;
        default: k.errorCode = 1; return nullptr;
    }
    k.errorCode = 0;
    Variable* v = k.createVariable(name, type, 1, nullptr);
    if (v) k.errorCode = 0;
    return v;
}

// Stores a text: a STRING element gets the bounded copy, a CHAR the first character (0 for an
// empty text); any other type fails with 11.
bool storeTextValue(Kestrun& k, const Slot& s, const char* text, std::size_t length) {
    switch (s.variable->type) {
        case TypeString:
            storeText(s.address, s.capacity, s.end, text, length);
            return true;
        case TypeChar:
            *s.address = static_cast<std::uint8_t>(length ? text[0] : '\0');
            return true;
        default:
            return fail(k, 11);
    }
}

// Stores a number literal, converted from its text by the target's type: integers with
// automatic base (low bits kept) for CHAR, WORD, INT and UINT and as the handle, address or
// setting of MEMORY, FILE, BFILE, WINDOW, DIALOG, POINTER (its target stays) and DECIMAL_PREC;
// decimal reals for FLOAT and DOUBLE; for INT64 and UINT64 a text whose second character is "x"
// goes through the expression evaluator, any other is read as a 64-bit decimal integer. Other
// targets fail with 11.
bool storeLiteral(Kestrun& k, const Slot& s, const char* literal) {
    const std::uint8_t type = s.variable->type;
    switch (type) {
        case TypeChar: case TypeWord: case TypeInt: case TypeUInt:
            return storeNumber(type, s.address, integerNumber(literalInteger(literal)));
        case TypeFloat: case TypeDouble:
            return storeNumber(type, s.address, realNumber(std::strtod(literal, nullptr)));
        case TypeInt64: case TypeUInt64: {
            Number n;
            if (literal[0] != '\0' && literal[1] == 'x') {
                const double value = k.evaluateExpression(literal);
                if (k.errorCode) return false;
                n = realNumber(value);
            } else if (type == TypeInt64) {
                n = integerNumber(std::strtoll(literal, nullptr, 10));
            } else {
                n = integerNumber(static_cast<std::int64_t>(std::strtoull(literal, nullptr, 10)));
            }
            return storeNumber(type, s.address, n);
        }
        case TypeSystem:
            // Only DECIMAL_PREC has storage behind this type: the interpreter's precision setting.
            if (s.address != reinterpret_cast<std::uint8_t*>(&k.decimalPrecision)) return fail(k, 11);
            [[fallthrough]];
        case TypeMemory: case TypeFile: case TypeBFile: case TypeWindow: case TypeDialog: case TypePointer:
            storeWord(s.address, static_cast<std::uint32_t>(literalInteger(literal)));
            return true;
        default:
            return fail(k, 11);
    }
}

// Stores the numeric result of an expression: truncated, rounded or kept by storeNumber for the
// numeric types; truncated to 32 bits as the object or block address of WINDOW, DIALOG and
// MEMORY. A POINTER ignores the number and takes the value and target of SYSTEM_POINTER0 (the
// result of a pointer-returning function). Other targets fail with 11.
bool storeResult(Kestrun& k, const Slot& s, double value) {
    const std::uint8_t type = s.variable->type;
    switch (type) {
        case TypeWindow: case TypeDialog: case TypeMemory:
            storeWord(s.address, truncToUInt32(value));
            return true;
        case TypePointer: {
            const Variable* result = k.resultPointer;
            if (!result || !result->data) return fail(k, 11);
            std::memcpy(s.address, result->data, 4);
            designate(s.variable, result->target);
            return true;
        }
        default:
            return storeNumber(type, s.address, realNumber(value)) || fail(k, 11);
    }
}

// Stores the addressed element (from) of a source variable. A POINTER target takes the address
// of the element and the source as its target (a POINTER source passes on its own address and
// target). Equal types copy: STRING with the bounded copy, USER_0 member by member, the
// fixed-width types their bytes; the rest fail with 11. Different types go through the
// conversion matrix: a STRING gives a CHAR its first character, a CHAR goes into one position
// of a STRING, a WINDOW or DIALOG gives INT and UINT its system window handle (0 without an
// object), numbers convert through storeNumber; every other pair fails with 11.
bool storeFromVariable(Kestrun& k, const Slot& s, Variable* source, const std::uint8_t* from) {
    Variable* target = s.variable;
    const std::uint8_t to = target->type;
    const std::uint8_t type = source->type;

    if (to == TypePointer && type != TypePointer) {
        storeWord(s.address, addressWord(from));
        designate(target, source);
        return true;
    }
    if (!from) return fail(k, 11);

    if (to == type) {
        switch (type) {
            case TypeString:
                return storeTextValue(k, s, reinterpret_cast<const char*>(from), boundedLength(from, storageEnd(source)));
            case TypeUser: {
                Variable* targetMembers;
                Variable* sourceMembers;
                std::memcpy(&targetMembers, s.address, sizeof targetMembers);
                std::memcpy(&sourceMembers, from, sizeof sourceMembers);
                return k.copyRecord(targetMembers, sourceMembers);
            }
            default:
                return copyFixedElement(target, s.address, source, from) || fail(k, 11);
        }
    }

    if (!convertsFrom(to, type)) return fail(k, 11);
    switch (type) {
        case TypeString:  // into a CHAR
            return storeTextValue(k, s, reinterpret_cast<const char*>(from), boundedLength(from, storageEnd(source)));
        case TypeWindow:
        case TypeDialog: {  // into an INT or a UINT
            std::uint32_t word;
            std::memcpy(&word, from, sizeof word);
            void* object = reinterpret_cast<void*>(static_cast<std::uintptr_t>(word));
            return storeNumber(to, s.address, integerNumber(object ? k.host.windowHandleOf(object) : 0));
        }
        default:
            if (to == TypeString) {
                storeCharacter(s.address, s.capacity, s.end, static_cast<char>(*from));
                return true;
            }
            Number n{};
            return (numberAt(type, from, n) && storeNumber(to, s.address, n)) || fail(k, 11);
    }
}

// Stores value i of st (already fetched into value) into the slot, by the value's kind.
bool storeArgument(Kestrun& k, const Slot& s, const Statement* st, int i, const ArgValue& value) {
    switch (st->argKinds[i]) {
        case ArgNumber:
            return storeLiteral(k, s, skipBlanks(st->args[i]));
        case ArgString:
            return storeTextValue(k, s, value.text, std::strlen(value.text));
        case ArgVariable:
            return storeFromVariable(k, s, value.variable, value.address);
        case ArgExpression:
            if (value.valueType == TypeString) {
                const std::uint8_t* text = reinterpret_cast<const std::uint8_t*>(value.text);
                return storeTextValue(k, s, value.text, boundedLength(text, storageEnd(k.resultString)));
            }
            return storeResult(k, s, value.doubleValue);
        default:
            return fail(k, 1);
    }
}

}  // namespace

// LET: argument 0 names the target (optionally with indexes and members), arguments 1 to n are
// the values. The target is resolved once; an unknown plain name is created when automatic
// declaration allows it (declareTarget). A constant target fails with 58, several values for a
// target that is not an array with 1. Value i goes to the element i places after the addressed
// one (for strings i × the addressed capacity); an element at or past the end of an array's
// storage fails with 65, a target without storage with 11. Each value is fetched, converted and
// stored in turn; the first failure stops the statement and the values stored before it stay.
// The addressed element is taken once, before any value is fetched, because fetching a value
// that names the target variable moves its addressed element.
Statement* Kestrun::CmdAssign(Statement* st) {
    if (st->argCount < 2) {
        errorCode = 56;
        return nullptr;
    }

    // The target text without surrounding blanks (a command line leaves a blank before a comma).
    char name[kArgSlotSize];
    const char* begin = skipBlanks(st->args[0]);
    std::size_t length = 0;
    while (length < sizeof name - 1 && begin[length]) ++length;
    while (length && isWhite(static_cast<unsigned char>(begin[length - 1]))) --length;
    std::memcpy(name, begin, length);
    name[length] = '\0';

    Variable* target = findVariable(name, nullptr, false);
    if (!target && !(target = declareTarget(*this, name, st))) return nullptr;
    if (target->isConstant) {
        errorCode = 58;
        return nullptr;
    }
    if (st->argCount > 2 && !target->isArray) {
        errorCode = 1;
        return nullptr;
    }

    const Slot first{target, target->data, target->capacity, storageEnd(target)};
    const std::size_t step = target->type != TypeString ? kVarTypes[target->type].width
                             : first.capacity > 0       ? static_cast<std::size_t>(first.capacity)
                                                        : 0;
    for (int i = 1; i < st->argCount; ++i) {
        Slot slot = first;
        slot.address = first.address ? first.address + step * static_cast<std::size_t>(i - 1) : nullptr;
        if (!slot.address || (target->isArray && !first.end)) {
            errorCode = 11;
            return nullptr;
        }
        if (target->isArray && slot.address >= first.end) {
            errorCode = 65;
            return nullptr;
        }
        ArgValue value;
        if (!getArg(value, st, i, WantAny)) return nullptr;
        if (!storeArgument(*this, slot, st, i, value)) return nullptr;
    }
    return errorCode == 0 ? st : nullptr;
}

// AUTODECLARE: exactly one STRING argument (56 for another count, 14 for another type). "ON"
// switches automatic declaration on, "OFF" off, without regard to case; any other text fails
// with 15.
Statement* Kestrun::CmdSetAutoDeclare(Statement* st) {
    if (st->argCount != 1) {
        errorCode = 56;
        return nullptr;
    }
    ArgValue mode;
    if (!getArg(mode, st, 0, TypeString)) return nullptr;

    // At most four bytes are read: a MEMORY block given as text need not be terminated.
    const char* text = mode.text ? mode.text : "";
    std::size_t length = 0;
    while (length < 4 && text[length]) ++length;
    if (equalsNoCase(text, length, "ON", 2)) {
        autoDeclare = 1;
    } else if (equalsNoCase(text, length, "OFF", 3)) {
        autoDeclare = 0;
    } else {
        errorCode = 15;
        return nullptr;
    }
    return st;
}

}  // namespace kestrun
