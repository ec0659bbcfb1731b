// Reading values from a text stream in the form the print statement writes them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "kestrun.h"

namespace kestrun {

// Reads one line into dest: at most maxChars characters, the LF that ends the line included when
// it fits; the rest of a longer line stays for the next read. dest is zero-terminated (it must
// hold maxChars + 1 bytes). False, leaving dest as it was, when the stream ended before any
// character.
bool readTextLine(std::FILE* stream, char* dest, std::size_t maxChars);

enum class ScanOutcome {
    Stored,       // a value was read and stored
    NothingRead,  // the stream ended or held no value of the type at its position
    Unsupported,  // the type has no text form to read
};

// Reads one value of type into the storage at, as its printed form: CHAR the next character;
// INT, WORD (stored in 16 bits), UINT, INT64 and UINT64 a decimal integer after white space,
// with an optional sign (a value beyond the type's range saturates; UINT keeps the signed and
// unsigned 32-bit ranges); FLOAT and DOUBLE a real number after white space. The reading stops at
// the first character that cannot continue the number, which stays in the stream. STRING and the
// types without numeric meaning are Unsupported (a line into a STRING is read by readTextLine).
ScanOutcome scanTextValue(std::FILE* stream, std::uint8_t type, std::uint8_t* at);

}  // namespace kestrun
