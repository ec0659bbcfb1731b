// Declarations: DIM creates variables of a built-in or record type, CONST read-only variables,
// DEFSYMBOL named numbers; DELETE destroys variables by name.
#include <cstring>

#include "declaration_items.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

// [begin, end) without white space at either end.
void trimRange(const char*& begin, const char*& end) {
    while (begin < end && isWhite(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && isWhite(static_cast<unsigned char>(end[-1]))) --end;
}

// Copies [begin, end) into out (cut to its size) with a terminator.
template <std::size_t N>
void copyRange(const char* begin, const char* end, char (&out)[N]) {
    std::size_t n = static_cast<std::size_t>(end - begin);
    if (n > N - 1) n = N - 1;
    std::memcpy(out, begin, n);
    out[n] = '\0';
}

}  // namespace

bool declarationItem(const Statement* st, int i, DeclarationItem& item) {
    const char* arg = st->args[i];
    const char* colon = std::strchr(arg, ':');
    const char* begin = arg;
    const char* end = colon ? colon : arg + std::strlen(arg);
    trimRange(begin, end);
    if (begin == end) return false;
    copyRange(begin, end, item.name);

    const char* typeColon = std::strchr(st->args[st->argCount - 1], ':');
    if (!typeColon) return false;
    const char* type = skipBlanks(typeColon + 1);
    const char* typeEnd = type;
    while (*typeEnd && !isWhite(static_cast<unsigned char>(*typeEnd))) ++typeEnd;
    item.typeLength = static_cast<std::size_t>(typeEnd - type);
    copyRange(type, typeEnd, item.typeName);
    return true;
}

int builtinTypeOf(const char* name, std::size_t length) {
    for (int t = 0; t < kVarTypeCount; ++t)
        if (equalsNoCase(kVarTypes[t].name, std::strlen(kVarTypes[t].name), name, length)) return t;
    return -1;
}

Variable* declareVariable(Kestrun& k, const DeclarationItem& item, Variable* chain, int depth) {
    const int builtin = builtinTypeOf(item.typeName, item.typeLength);
    if (builtin >= 0) return k.createVariable(item.name, static_cast<std::uint8_t>(builtin), 1, chain);
    const TypeDef* type = findTypeDef(k, item.typeName, item.typeLength);
    if (!type) {
        k.errorCode = 55;
        return nullptr;
    }
    Variable* v = k.createVariable(item.name, TypeUser, 1, chain);
    if (!v || !buildRecordElements(k, v, *type, depth)) return nullptr;
    return v;
}

// DIM: one to 25 names, each optionally with up to three bracketed dimensions; the last argument
// goes on with a colon and the type name, which applies to every name. No argument, an empty
// name or no colon in the last argument fails with 1. Each name becomes a variable of the
// current scope (declareVariable); the first failure ends the statement.
Statement* Kestrun::CmdDeclare(Statement* st) {
    if (st->argCount == 0) return failStatement(*this, 1);
    for (int i = 0; i < st->argCount; ++i) {
        DeclarationItem item;
        if (!declarationItem(st, i, item)) return failStatement(*this, 1);
        if (!declareVariable(*this, item, nullptr, 0)) return nullptr;
    }
    return st;
}

// CONST: one to 25 texts "name = value" (56 for none, 1 for a text without "="). Each runs as an
// assignment, which creates the variable when automatic declaration is on, and its target
// becomes read-only. The first failure ends the statement; constants made before it stay. The
// texts are parsed into a Statement of this statement's own: evaluating a value may call a
// subroutine whose lines use the interpreter's second Statement.
Statement* Kestrun::CmdDeclareConstants(Statement* st) {
    if (st->argCount == 0) return failStatement(*this, 56);
    Statement* assignment = newStatement(kMaxArgs);
    if (!assignment) return failStatement(*this, 2);
    for (int i = 0; i < st->argCount; ++i) {
        char* text = skipBlanks(st->args[i]);
        const char* equals = std::strchr(text, '=');
        if (!equals) {
            errorCode = 1;
            break;
        }
        char target[kArgSlotSize];
        const char* begin = text;
        const char* end = equals;
        trimRange(begin, end);
        copyRange(begin, end, target);

        if (parseStatement(assignment, text) != 0) break;
        if (assignment->code != 20) {
            errorCode = 1;
            break;
        }
        if (!CmdAssign(assignment)) break;
        Variable* v = findVariable(target, nullptr, false);
        if (!v) {
            if (errorCode == 0) errorCode = 10;
            break;
        }
        v->isConstant = 1;
    }
    freeStatement(assignment);
    return errorCode == 0 ? st : nullptr;
}

// DEFSYMBOL: exactly two arguments (56), a STRING name (14) and a number (19). The name, in upper
// case, gets the number's 32-bit integer view: a new named number, or a new value for an
// existing one. Expressions read it after "@".
Statement* Kestrun::CmdDefineSymbol(Statement* st) {
    if (!checkArgCount(*this, st, 2, 2, 56)) return nullptr;
    ArgValue nameValue, value;
    if (!getArg(nameValue, st, 0, TypeString)) return nullptr;
    // A copy: fetching the value may overwrite SYSTEM_STRING0, where the name may live.
    const TextView name = textOf(*this, nameValue);
    char copy[32];
    copyRange(name.text, name.text + name.length, copy);
    if (!getArg(value, st, 1, WantAnyNumber)) return nullptr;
    if (!symbols.define(copy, std::strlen(copy), value.intValue)) return failStatement(*this, 2);
    return st;
}

// DELETE: one to 25 variable names (56 for none). Each is looked up (without running a function
// of that name) and destroyed (destroyVariable); the first failure ends the statement.
Statement* Kestrun::CmdDeleteVariables(Statement* st) {
    if (st->argCount == 0) return failStatement(*this, 56);
    for (int i = 0; i < st->argCount; ++i) {
        const char* begin = st->args[i];
        const char* end = begin + std::strlen(begin);
        trimRange(begin, end);
        char name[kArgSlotSize];
        copyRange(begin, end, name);
        Variable* v = findVariable(name, nullptr, false);
        if (!v) return failStatement(*this, errorCode ? errorCode : 10);
        if (!destroyVariable(v)) return nullptr;
    }
    return st;
}

}  // namespace kestrun
