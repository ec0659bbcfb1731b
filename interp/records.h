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

// ---- Record layout -----------------------------------------------------------------------------
// The byte form in which values go to binary files and memory blocks. A value of any type but
// USER_0 is its storage: element width × element count bytes from the addressed element (a
// single STRING its 255-byte buffer, a string array 255 bytes per string). A USER_0 record is the
// layouts of its members in member order without padding or alignment; a nested USER_0 member
// contributes the layouts of all its elements in order. The element a layout starts at is passed
// explicitly, because a later lookup of the same variable may move its addressed element.

// Bytes of the layout of v at element (an element of v; for USER_0 the slot of one record).
// 64-bit, so that no sum of member sizes wraps; 0 for null arguments.
std::uint64_t recordLayoutSize(const Variable* v, const std::uint8_t* element);

// Writes the layout of v at element into out, at most size bytes: the layout's first size bytes
// when size is smaller. Storage is never read past the end of v (or of a member): bytes of the
// layout that would lie past it are left as they are in out.
void writeRecordLayout(const Variable* v, const std::uint8_t* element, std::uint8_t* out, std::size_t size);

// Stores size bytes of layout from in into v at element, member by member for USER_0 (record
// slots are never overwritten: each record is filled through its own member list). Nothing is
// written past the end of v's storage, and a STRING whose storage was written keeps its last byte
// a terminator.
void readRecordLayout(Variable* v, std::uint8_t* element, const std::uint8_t* in, std::size_t size);

}  // namespace kestrun
