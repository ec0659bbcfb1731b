// Functions that report facts about variables: the size of a value in bytes or characters, the
// type behind a pointer, whether a variable is an array; and the constant function ZERO.
#include <cstdint>
#include <cstdio>

#include "kestrun.h"
#include "record_layout.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

// A size as an INT result: sizes beyond 2^31 - 1 give 2^31 - 1.
std::int32_t sizeResult(std::uint64_t size) {
    return size > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(size);
}

// True when stream is a stream the program has open: one of the interpreter's open streams or a
// built-in console stream. A FILE slot may hold a stream that was closed through another
// variable, or a number a program stored there; neither may reach the C library.
bool isOpenStream(const Kestrun& k, const std::FILE* stream) {
    if (!stream) return false;
    if (stream == k.builtinStreams[0] || stream == k.builtinStreams[1]) return true;
    bool found = false;
    k.openStreams.forEach([&](void* s) { found = found || s == stream; });
    return found;
}

// Length in bytes of an open stream, measured by seeking to its end; the position is restored,
// and so is the end-of-file indicator when it was set. -1 when the stream cannot seek (a console
// or a pipe) or the length does not fit a long.
long streamLength(std::FILE* stream) {
    const bool atEnd = std::feof(stream) != 0;
    const long here = std::ftell(stream);
    if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(stream);
    std::fseek(stream, here, SEEK_SET);
    // Seeking clears the indicator; a read at the same place sets it again (a stream that grew
    // meanwhile is put back where it was).
    if (atEnd && std::fgetc(stream) != EOF) std::fseek(stream, here, SEEK_SET);
    return end;
}

}  // namespace

// LEN: exactly one argument of any type (56). By its type: a STRING the number of its characters;
// a MEMORY variable its recorded block size (0 for a value that is no variable); a FILE or BFILE
// the length of its open file (52 when it holds none, -1 when the file cannot seek); a USER_0
// value the record size of the addressed element. Any other argument is looked up as a variable
// name (a literal or an expression fails with the lookup's error, normally 10) and gives element
// width × element count. Sizes beyond 2^31 - 1 give 2^31 - 1.
Statement* Kestrun::CmdSizeOf(Statement* st) {
    ArgValue a;
    if (!checkArgCount(*this, st, 1, 1, 56) || !getArg(a, st, 0, WantAny)) return nullptr;
    switch (a.valueType) {
        case TypeString:
            return setIntResult(*this, st, sizeResult(textOf(*this, a).length));
        case TypeMemory:
            return setIntResult(*this, st, a.variable ? a.variable->aux : 0);
        case TypeFile:
        case TypeBFile: {
            std::FILE* stream = reinterpret_cast<std::FILE*>(a.object);
            if (!isOpenStream(*this, stream)) return failStatement(*this, 52);
            return setIntResult(*this, st, static_cast<std::int32_t>(streamLength(stream)));
        }
        case TypeUser:
            return setIntResult(*this, st, sizeResult(layoutSize(a.variable, a.address)));
        default:
            break;
    }
    Variable* v = a.variable ? a.variable : findVariable(skipBlanks(st->args[0]), nullptr, false);
    if (!v) return failStatement(*this, errorCode ? errorCode : 10);
    return setIntResult(*this, st, sizeResult(std::uint64_t{kVarTypes[v->type].width} * v->count));
}

// TARGETTYPE: exactly one argument (56), a POINTER (14). The VarType of the variable it
// designates, or -1 when it designates none.
Statement* Kestrun::CmdPointerTargetType(Statement* st) {
    ArgValue p;
    if (!checkArgCount(*this, st, 1, 1, 56) || !getArg(p, st, 0, TypePointer)) return nullptr;
    const Variable* target = p.variable ? p.variable->target : nullptr;
    return setIntResult(*this, st, target ? target->type : -1);
}

// ISARRAY: exactly one argument of any type (56). 1 when it is an array variable (a STRING always
// is: strings are arrays of bytes), for a POINTER with a target when the target is one; 0
// otherwise, and for any value that is not a variable.
Statement* Kestrun::CmdIsArray(Statement* st) {
    ArgValue a;
    if (!checkArgCount(*this, st, 1, 1, 56) || !getArg(a, st, 0, WantAny)) return nullptr;
    const Variable* v = a.variable;
    if (v && v->type == TypePointer && v->target) v = v->target;
    return setIntResult(*this, st, v && v->isArray ? 1 : 0);
}

// ZERO: no argument (1 otherwise); the INT 0.
Statement* Kestrun::CmdZero(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 1)) return nullptr;
    return setIntResult(*this, st, 0);
}

}  // namespace kestrun
