// ALLOCATE makes an anonymous variable and returns a pointer to it; FREEPOINTER destroys what a
// pointer designates. Anonymous variables belong to no scope: the interpreter keeps them in a
// list of its own until they are destroyed or the program ends.
#include <cstdio>
#include <cstring>

#include "declaration_items.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

// The token of CommandCode 107, which stands for INT as a type name.
bool isIntToken(const char* name, std::size_t length) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(name);
    return length == 3 && u[0] == 0xFF && u[1] == 0xE6 && u[2] == 0xEB;
}

}  // namespace

// ALLOCATE: argument 0 a type name (its first word), argument 1 the element count (a number, its
// integer view); exactly two arguments (56). Creates an anonymous variable "temp" (a count of 1
// or less) or the one-dimensional array "temp[count]" of a built-in type (the INT token included)
// or of a record type, and makes SYSTEM_POINTER0 designate its storage (resultType 16). A type
// name that names nothing creates nothing: SYSTEM_POINTER0 keeps its value and loses its target.
// Creation errors of the store (2 when memory runs out) stop the statement.
Statement* Kestrun::CmdAllocate(Statement* st) {
    if (!checkArgCount(*this, st, 2, 2, 56)) return nullptr;
    ArgValue count;
    if (!getArg(count, st, 1, WantAnyNumber)) return nullptr;

    const char* typeName = skipBlanks(st->args[0]);
    std::size_t typeLength = 0;
    while (typeName[typeLength] && !isBlank(static_cast<unsigned char>(typeName[typeLength]))) ++typeLength;
    char name[24] = "temp";
    if (count.intValue > 1) std::snprintf(name, sizeof name, "temp[%d]", static_cast<int>(count.intValue));

    // A private chain, so that the new variable meets no other name.
    Variable holder{};
    Variable* v = nullptr;
    const int builtin = isIntToken(typeName, typeLength) ? TypeInt : builtinTypeOf(typeName, typeLength);
    if (builtin >= 0) {
        v = createVariable(name, static_cast<std::uint8_t>(builtin), 1, &holder);
        if (!v) return nullptr;
    } else if (const TypeDef* type = findTypeDef(*this, typeName, typeLength)) {
        v = createVariable(name, TypeUser, 1, &holder);
        if (!v) return nullptr;
        if (!buildRecordElements(*this, v, *type, 0)) {
            const std::uint8_t code = errorCode;
            freeVariableChain(v, false);
            errorCode = code;
            return nullptr;
        }
    }
    if (!v) return setPointerResult(*this, st, nullptr, 0);

    holder.next = nullptr;
    v->prev = nullptr;
    if (!anonymousVariables.addTail(v)) {
        freeVariableChain(v, false);
        return failStatement(*this, 2);
    }
    const std::uint8_t* storage = v->isArray ? v->base : v->data;
    return setPointerResult(*this, st, v, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(storage)));
}

// FREEPOINTER: exactly one argument (56), a POINTER variable (14 otherwise). Destroys the
// pointer's target, if it has one (destroyVariable: 21 and 22 stop the statement), then clears
// the target and sets the addressed element of the pointer to 0; a pointer without a target is
// only cleared. A pointer that was part of what it designated goes with it.
Statement* Kestrun::CmdFreePointer(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    ArgValue p;
    if (!getArg(p, st, 0, TypePointer)) return nullptr;
    Variable* pointer = p.variable;
    if (!pointer) return failStatement(*this, 14);
    if (Variable* target = pointer->target) {
        const bool pointerGoes = holdsVariable(target, pointer);
        if (!destroyVariable(target)) return nullptr;
        if (pointerGoes) return st;
    }
    pointer->target = nullptr;
    if (p.address) std::memset(p.address, 0, kVarTypes[TypePointer].width);
    return st;
}

void Kestrun::releaseAnonymousVariables() {
    while (!anonymousVariables.empty()) freeVariableChain(static_cast<Variable*>(anonymousVariables.removeHead()), false);
}

}  // namespace kestrun
