// Destroying one variable on the program's request (DELETE, FREEPOINTER): checks that it may go
// (not the interpreter's own, no window still shown, no parameter of an active call sharing its
// storage), releases its members, unlinks it wherever it hangs, and takes it from every pointer that
// designated it, so that no pointer is left with a freed target. The release of a subroutine's
// scope takes its variables from the pointers the same way.
#include <cstdlib>
#include <cstring>

#include "declaration_items.h"
#include "record_layout.h"
#include "records.h"

namespace kestrun {

namespace {

// True when some slot of a WINDOW or DIALOG variable still holds its object.
bool holdsObject(const Variable* v) {
    if (v->type != TypeWindow && v->type != TypeDialog) return false;
    const std::uint8_t* first = v->isArray ? v->base : v->data;
    for (std::uint32_t i = 0; first && i < v->count; ++i) {
        std::uint32_t object;
        std::memcpy(&object, first + 4 * i, sizeof object);
        if (object) return true;
    }
    return false;
}

// The first byte of a variable's storage and the byte after it (both null without storage).
void storageRange(const Variable* v, const std::uint8_t*& begin, const std::uint8_t*& end) {
    begin = end = nullptr;
    if (!v->count || v->isBorrowed) return;
    begin = v->isArray && v->base ? v->base : v->data;
    if (begin) end = begin + static_cast<std::uint64_t>(v->count) * kVarTypes[v->type].width;
}

// Every pointer of the chain that starts at chain (and of the member lists and parameter
// templates below it) whose target is dead or lies inside it loses its target; a single
// pointer's value becomes 0, and so does each element of a pointer array that pointed into
// dead's storage.
void forgetTargetsIn(Variable* chain, const Variable* dead) {
    const std::uint8_t *deadBegin, *deadEnd;
    storageRange(dead, deadBegin, deadEnd);
    for (Variable* v = chain; v; v = v->next) {
        if (v->type == TypePointer && v->target && holdsVariable(dead, v->target)) {
            v->target = nullptr;
            std::uint8_t* first = v->isArray ? v->base : v->data;
            for (std::uint32_t i = 0; first && i < v->count; ++i) {
                std::uint8_t* slot = first + 4 * i;
                std::uintptr_t word = 0;
                std::memcpy(&word, slot, 4);
                const std::uint8_t* address = reinterpret_cast<const std::uint8_t*>(word);
                if (!v->isArray || (address >= deadBegin && address < deadEnd)) std::memset(slot, 0, 4);
            }
        } else if (v->type == TypeUser) {
            for (std::uint32_t i = 0, n = recordElementCount(v); i < n; ++i) forgetTargetsIn(recordElementAt(v, i), dead);
        } else if (v->type == TypeLabel && v->child) {
            forgetTargetsIn(v->child, dead);
        }
    }
}

// True when a pointer ever designated v or a member, at any depth, of one of its records.
bool wasDesignated(const Variable* v) {
    if (v->isDesignated) return true;
    if (v->type != TypeUser) return false;
    for (std::uint32_t i = 0, n = recordElementCount(v); i < n; ++i)
        for (const Variable* m = recordElementAt(v, i); m; m = m->next)
            if (wasDesignated(m)) return true;
    return false;
}

// True when address lies in the storage of v or, for a record, in the storage of one of its
// members at any depth.
bool storageHolds(const Variable* v, const std::uint8_t* address) {
    const std::uint8_t *begin, *end;
    storageRange(v, begin, end);
    if (begin && address >= begin && address < end) return true;
    if (v->type != TypeUser) return false;
    for (std::uint32_t i = 0, n = recordElementCount(v); i < n; ++i)
        for (const Variable* m = recordElementAt(v, i); m; m = m->next)
            if (storageHolds(m, address)) return true;
    return false;
}

// True when a variable of the chain that starts at chain (a parameter bound by reference) shares
// storage that dying owns.
bool sharesStorageOf(const Variable* chain, const Variable* dying) {
    for (const Variable* v = chain; v; v = v->next) {
        if (v == dying || !v->isBorrowed) continue;
        if ((v->data && storageHolds(dying, v->data)) || (v->base && storageHolds(dying, v->base))) return true;
    }
    return false;
}

}  // namespace

bool holdsVariable(const Variable* v, const Variable* candidate) {
    if (v == candidate) return true;
    if (v->type != TypeUser) return false;
    for (std::uint32_t i = 0, n = recordElementCount(v); i < n; ++i)
        for (const Variable* m = recordElementAt(v, i); m; m = m->next)
            if (holdsVariable(m, candidate)) return true;
    return false;
}

void Kestrun::forgetPointersTo(const Variable* dead) {
    forgetTargetsIn(&builtinStdout, dead);
    scopeStack.forEach([dead](void* chain) { forgetTargetsIn(static_cast<Variable*>(chain), dead); });
    anonymousVariables.forEach([dead](void* anonymous) { forgetTargetsIn(static_cast<Variable*>(anonymous), dead); });
}

void Kestrun::forgetPointersIntoScope(const Variable* first) {
    for (const Variable* v = first; v; v = v->next)
        if (wasDesignated(v)) forgetPointersTo(v);
}

bool Kestrun::destroyVariable(Variable* v) {
    const Variable* owned[] = {&builtinStdout, &builtinStdin, &builtinDecimalPrec, resultString,
                               resultInt,      resultFloat,   resultDouble,        resultPointer, resultInt64};
    for (const Variable* o : owned)
        if (v == o) {
            errorCode = 21;
            return false;
        }
    if (v->isStatic) {
        errorCode = 21;
        return false;
    }
    if (holdsObject(v)) {
        errorCode = 22;
        return false;
    }
    // A parameter of an active call that was bound to this variable (or to one of its members)
    // by reference still writes into its storage: the variable cannot go before that call ends,
    // like the interpreter's own variables.
    bool shared = sharesStorageOf(&builtinStdout, v);
    scopeStack.forEach([&](void* chain) { shared = shared || sharesStorageOf(static_cast<Variable*>(chain), v); });
    if (shared) {
        errorCode = 21;
        return false;
    }

    // No pointer keeps a target that is about to go.
    forgetPointersTo(v);

    if (v->type == TypeUser) {
        std::uint8_t* first = v->isArray ? v->base : v->data;
        for (std::uint32_t i = 0, n = recordElementCount(v); i < n; ++i) {
            if (Variable* members = recordElementAt(v, i)) freeVariableChain(members, false);
            std::memset(first + kVarTypes[TypeUser].width * i, 0, kVarTypes[TypeUser].width);
        }
    } else if (v->type == TypeLabel && v->child) {
        freeVariableChain(v->child, false);
        v->child = nullptr;
    }

    // Unlink it from its chain, and from wherever a chain is held by its first variable: the
    // current scope, a saved scope of an active call, the anonymous variables.
    if (v->prev && v->prev->next == v) v->prev->next = v->next;
    if (v->next && v->next->prev == v) v->next->prev = v->prev;
    if (builtinDecimalPrec.next == v) builtinDecimalPrec.next = v->next;
    scopeStack.replace(v, v->next);
    anonymousVariables.remove(v);
    if (lastVariable == v) lastVariable = v->prev ? v->prev : &builtinDecimalPrec;

    if (v->count && !v->isBorrowed) std::free(v->isArray && v->base ? v->base : v->data);
    std::free(v);
    return true;
}

}  // namespace kestrun
