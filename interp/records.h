// Element-level storage operations of the variable store, shared by assignment and the record
// operations on USER_0 values: where an array's storage ends, bounded reads and writes of
// strings, and the copy of one element between two variables of the same fixed-width type.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// End of the storage of an array variable: base + element width × (for STRING the row length)
// × each non-zero dimension. Null when v is null, not an array, or has no storage.
const std::uint8_t* storageEnd(const Variable* v);

// Number of elements of an array variable: the product of its non-zero dimensions, at least 1.
std::uint32_t elementCount(const Variable* v);

// Length of the zero-terminated text at text, reading no byte at or past end (null end: no
// limit). A text that fills its storage without a terminator ends at end.
std::size_t boundedLength(const std::uint8_t* text, const std::uint8_t* end);

// Stores text (length bytes, no terminator needed) into a string position with capacity c
// (bytes available there, terminator included): at most c - 1 characters and a terminating
// zero; exactly one character and no terminator when c is 1 (one character position of a
// string); nothing when c is 0 or less. With end (the end of the string's storage) c is cut to
// the bytes left before end, and the last byte of the storage is never given a character: it
// stays the string's terminator. Source and destination may overlap.
void storeText(std::uint8_t* dest, std::int32_t capacity, const std::uint8_t* end, const char* text,
               std::size_t length);

// Stores one character at a string position with capacity c and leaves the bytes after it as
// they are; the same limits as storeText (nothing when c is 0 or less, never the last byte of
// the storage).
void storeCharacter(std::uint8_t* dest, std::int32_t capacity, const std::uint8_t* end, char c);

// Copies one element from fromAddress (an element of from) to toAddress (an element of to), both
// variables of the same type: CHAR and WORD their 1 or 2 bytes; INT, FLOAT, MEMORY, FILE, BFILE
// and UINT 4 bytes (handles are then shared); DOUBLE, INT64 and UINT64 8 bytes; POINTER the
// address, and to's target becomes from's target. False, copying nothing, for every other type
// (STRING and USER_0 have copies of their own; the rest cannot be copied).
bool copyFixedElement(Variable* to, std::uint8_t* toAddress, const Variable* from, const std::uint8_t* fromAddress);

// Makes pointer designate target (none when null) and marks target as designated, so that the
// release of its scope clears the pointers to it. Every pointer target is set through here.
inline void designate(Variable* pointer, Variable* target) {
    pointer->target = target;
    if (target) target->isDesignated = 1;
}

}  // namespace kestrun
