// What the file statements share: the file status they report, the fetch of the FILE or BFILE
// variable they work on, and the lookup of the variables they read into or write from.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "kestrun.h"
#include "results.h"

namespace kestrun {

// File status values.
constexpr std::int32_t kFileOk = 0;
constexpr std::int32_t kFileNotOpenedForReading = 205;
constexpr std::int32_t kFileNotOpenedForWriting = 206;
constexpr std::int32_t kFileNotOpenedForAppending = 207;
constexpr std::int32_t kFileNothingRead = 999;

// Records status as the last file status (ConstantTable entry 70) and makes it st's result in
// SYSTEM_INT0 (resultType 2).
inline Statement* fileStatusResult(Kestrun& k, Statement* st, std::int32_t status) {
    k.constants[kFileStatusConstant] = static_cast<std::uint32_t>(status);
    return setIntResult(k, st, status);
}

// The FILE or BFILE variable of argument i: its type and the slot of its addressed element.
struct FileArgument {
    std::uint8_t type;
    std::uint8_t* slot;
};

// Fetches argument i as a file variable. A value that is not a FILE or BFILE variable (or not a
// BFILE when binaryOnly) fails with 14; a failing fetch with its own code. False with errorCode set.
inline bool fetchFileArgument(Kestrun& k, Statement* st, int i, bool binaryOnly, FileArgument& out) {
    ArgValue a;
    if (!k.getArg(a, st, i, WantAny)) return false;
    const bool fileType = a.valueType == TypeBFile || (!binaryOnly && a.valueType == TypeFile);
    if (!a.variable || !a.address || !fileType) {
        k.errorCode = 14;
        return false;
    }
    out.type = a.valueType;
    out.slot = a.address;
    return true;
}

// Fetches argument i as a file variable with an open stream (errors as fetchFileArgument; 52 when
// the variable holds no open stream). Null with errorCode set.
inline std::FILE* fetchOpenStream(Kestrun& k, Statement* st, int i, bool binaryOnly, FileArgument& file) {
    if (!fetchFileArgument(k, st, i, binaryOnly, file)) return nullptr;
    std::FILE* stream = k.openStreamAt(file.slot);
    if (!stream) k.errorCode = 52;
    return stream;
}

// Fetches argument i as a STRING and copies it, zero-terminated, into path (size bytes). fits is
// false when the text does not fit: such a path names no file the system could open. False with
// errorCode set when the fetch fails.
bool fetchPath(Kestrun& k, Statement* st, int i, char* path, std::size_t size, bool& fits);

// Room for a path given by the program; longer paths are refused, never cut.
constexpr std::size_t kPathSize = 4096;

// Looks argument i up as a variable (no call fallback); its data is then the addressed element.
// Null with errorCode set (the lookup's code, or 10).
Variable* lookUpTransferVariable(Kestrun& k, Statement* st, int i);

}  // namespace kestrun
