// What every function-style handler shares: the failure return, the argument-count check, the
// result variables it writes together with the resultType that names them, and the text of a
// fetched STRING argument read within the storage it lives in.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// Capacity of SYSTEM_STRING0 in characters (its storage holds one more byte, the terminator).
constexpr std::size_t kResultTextLength = 65535;

// Sets errorCode to code and returns null: the failure return of a handler.
Statement* failStatement(Kestrun& k, std::uint8_t code);

// True when st has from min to max arguments; otherwise sets errorCode to code and gives false.
bool checkArgCount(Kestrun& k, const Statement* st, int min, int max, std::uint8_t code);

// Each stores value into its result variable, sets st's resultType to the variable's VarType and
// returns st: SYSTEM_INT0 and 2, SYSTEM_DOUBLE0 and 14. Null with errorCode 2 when the result
// variables do not exist (the interpreter is not initialised).
Statement* setIntResult(Kestrun& k, Statement* st, std::int32_t value);
Statement* setDoubleResult(Kestrun& k, Statement* st, double value);
// SYSTEM_FLOAT0 and 3.
Statement* setFloatResult(Kestrun& k, Statement* st, float value);
// SYSTEM_INT64 and type, which is INT64 or UINT64 (both share the variable).
Statement* setInt64Result(Kestrun& k, Statement* st, std::int64_t value, std::uint8_t type);

// Stores length bytes of text into SYSTEM_STRING0 with the bounded string copy (at most 65535
// characters and a terminator) and sets resultType 0. text may lie inside SYSTEM_STRING0.
Statement* setStringResult(Kestrun& k, Statement* st, const char* text, std::size_t length);

// Makes SYSTEM_POINTER0 designate target: its value becomes address, its target the variable;
// resultType 16. A null target leaves the value as it was and clears the target.
Statement* setPointerResult(Kestrun& k, Statement* st, Variable* target, std::uint32_t address);

// The text of a fetched STRING value and its length. A string variable's text (also the result
// text of an expression, which lives in SYSTEM_STRING0) is read no further than the end of its
// storage; a literal up to its terminator. A value without text gives the empty text.
struct TextView {
    char* text;
    std::size_t length;
};
TextView textOf(const Kestrun& k, const ArgValue& value);

}  // namespace kestrun
