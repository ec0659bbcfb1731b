// What the declaration statements share: one declared name with its type name, the type it
// resolves to, and the creation of a variable of a built-in or record type.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// The deepest nesting of record types; a type that contains itself reaches it.
constexpr int kMaxRecordNesting = 32;

// One name of a declaration line: argument i without its colon part and surrounding blanks, and
// the type name that the last argument gives after its colon (blanks skipped, up to the next
// white space).
struct DeclarationItem {
    char name[kArgSlotSize];
    char typeName[32];
    std::size_t typeLength;  // more than 31: a name longer than any type name
};

// Fills item from argument i of st. False (a malformed declaration, error 1 for the caller) when
// the name is empty or the last argument has no colon.
bool declarationItem(const Statement* st, int i, DeclarationItem& item);

// The VarType whose name equals [name, name + length) without regard to case, or -1.
int builtinTypeOf(const char* name, std::size_t length);

// The first record type of that name (without regard to case), or null.
const TypeDef* findTypeDef(const Kestrun& k, const char* name, std::size_t length);

// Creates the variable of item in chain (null: the current scope): a built-in type through the
// variable store, a record type as a USER_0 variable with the type's packing and a member list
// for each element, built from the type's body lines (depth is the nesting of records being
// built). An unknown type fails with 55. Null with errorCode set on failure; a record that fails
// while its members are built stays linked, with the member lists built so far.
Variable* declareVariable(Kestrun& k, const DeclarationItem& item, Variable* chain, int depth);

// Builds the member lists of every element of v, a USER_0 variable, from type's body lines and
// gives v the type's packing. Each element's slot receives an empty head record followed by one
// Variable per member; a member of a record type gets member lists of its own. Each body line
// must be a declaration with arguments (error 1 otherwise); nesting deeper than
// kMaxRecordNesting fails with 1. False with errorCode set.
bool buildRecordElements(Kestrun& k, Variable* v, const TypeDef& type, int depth);

// True when candidate is v itself or a member, at any depth, of one of v's member lists.
bool holdsVariable(const Variable* v, const Variable* candidate);

}  // namespace kestrun
