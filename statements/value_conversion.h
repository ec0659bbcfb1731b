// The conversion matrix of assignment: which VarTypes take a value of another VarType, and the
// store of a number into an element of a numeric VarType.
#pragma once
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// A number on its way into an element: an integer, already sign- or zero-extended from its
// source type (64-bit sources keep their bits), or a real.
struct Number {
    bool real;
    double realValue;
    std::int64_t intValue;
};

inline Number integerNumber(std::int64_t v) { return Number{false, 0.0, v}; }
inline Number realNumber(double v) { return Number{true, v, 0}; }

// True when an element of type target takes the value of a variable of the different type
// source. Equal types are not covered: they copy (records.h) or fail.
bool convertsFrom(std::uint8_t target, std::uint8_t source);

// Reads the element at address of a numeric type (CHAR, INT, FLOAT, WORD, DOUBLE, INT64, UINT64,
// UINT) as a Number: CHAR, WORD and UINT zero-extended, INT sign-extended, INT64 and UINT64 as
// their 64 bits (so a UINT64 reads as a signed value), FLOAT and DOUBLE as reals. False for any
// other type.
bool numberAt(std::uint8_t type, const std::uint8_t* address, Number& out);

// Stores n into an element of a numeric type at address. An integer keeps its low bits (CHAR 8,
// WORD 16, INT and UINT 32, INT64 and UINT64 64) and becomes a FLOAT rounded or a DOUBLE exactly
// (a 64-bit integer as a signed value). A real is truncated toward zero for the integer types
// (out of range: the processor's integer indefinite, or the low bits of the 64-bit truncation for
// CHAR, WORD and the unsigned types), rounded to single precision for FLOAT and kept for DOUBLE.
// False, storing nothing, when type is not numeric.
bool storeNumber(std::uint8_t type, std::uint8_t* address, const Number& n);

// Stores a 32-bit word (a handle, an address, a 32-bit integer).
void storeWord(std::uint8_t* address, std::uint32_t word);

}  // namespace kestrun
