// DllStructLayout: the byte form in which a record value (one element of a USER_0 variable) is
// handed to a library function, and the copy of what the function wrote back into the members.
#pragma once
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// One record value laid out for one call. The bytes belong to the buffer until it is released.
struct DllStructBuffer {
    Variable* members = nullptr;   // head of the record's member list (the members follow it)
    std::int32_t packing = 8;      // alignment limit of the record's type
    std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
};

// Lays out the members that follow head: each member at the next offset that is a multiple of
// the smaller of packing (below 1 counts as 1) and its natural size; an array member (every
// STRING member among them) is the 4-byte address of its storage, CHAR 1 byte, WORD 2, INT,
// UINT, MEMORY and POINTER 4, INT64 and UINT64 8, WINDOW and DIALOG the 4-byte system handle of
// their window (0 without one). The buffer is zeroed and at least as large as the structure
// rounded up to its strictest member alignment, and at least 8 bytes per member, so a function
// that writes the whole structure as its own compiler sizes it stays inside. A member of any
// other type (FLOAT, DOUBLE, FILE, BFILE, a nested record, an array of records): false with
// errorCode 57; out of memory: false with 2. A null head gives an 8-byte empty buffer.
bool buildDllStruct(Kestrun& k, Variable* head, std::int32_t packing, DllStructBuffer& out);

// Copies the structure bytes back into the members at the offsets they were laid out at: CHAR,
// WORD, INT, UINT, INT64, UINT64 and MEMORY take their bytes back; a POINTER takes its value back
// and loses its target when the value changed; an array member whose address the function
// replaced with another non-null address refers from now on to that memory, as borrowed storage
// (never freed by the interpreter), and its former storage is parked in the interpreter's
// dllReplacedStorage; WINDOW and DIALOG members are passed over.
void copyBackDllStruct(Kestrun& k, const DllStructBuffer& buffer);

// Frees the bytes; the buffer is empty afterwards.
void releaseDllStruct(DllStructBuffer& buffer);

// The system handle of the window or dialog object stored in a WINDOW or DIALOG slot: 0 for an
// empty slot or a value that is no live object of the program.
std::uint32_t dllWindowHandle(Kestrun& k, std::uintptr_t object);

}  // namespace kestrun
