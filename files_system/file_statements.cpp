// Opening and closing files, the end-of-file test and byte positions. A FILE variable holds a
// text stream, a BFILE variable a binary one; either holds 0 while no file is open.
#include <cstdio>
#include <cstring>

#include "file_support.h"
#include "text_util.h"

namespace kestrun {

namespace {

// How the first letter of an open-mode text opens a file.
struct OpenMode {
    char letter;
    const char* textMode;
    const char* binaryMode;
    std::int32_t failure;
};
constexpr OpenMode kOpenModes[] = {
    {'A', "a+", "rb+", kFileNotOpenedForAppending},
    {'R', "r", "rb", kFileNotOpenedForReading},
    {'W', "w+", "wb+", kFileNotOpenedForWriting},
};

const OpenMode* openModeOf(const TextView& mode) {
    if (mode.length == 0) return nullptr;
    for (const OpenMode& m : kOpenModes)
        if (m.letter == toUpperAscii(mode.text[0])) return &m;
    return nullptr;
}

}  // namespace

bool fetchPath(Kestrun& k, Statement* st, int i, char* path, std::size_t size, bool& fits) {
    ArgValue a;
    if (!k.getArg(a, st, i, TypeString)) return false;
    const TextView text = textOf(k, a);
    fits = text.length < size;
    const std::size_t n = fits ? text.length : 0;
    std::memcpy(path, text.text, n);
    path[n] = '\0';
    return true;
}

Variable* lookUpTransferVariable(Kestrun& k, Statement* st, int i) {
    Variable* v = k.findVariable(skipBlanks(st->args[i]), nullptr, false);
    if (!v && k.errorCode == 0) k.errorCode = 10;
    return v;
}

// FILEOPEN file, name, mode: the first letter of mode (either case) opens for appending (A),
// reading (R) or writing (W), as a text stream for a FILE and a binary one for a BFILE; a binary
// file opened for appending is opened for reading and writing at its start and must exist. The
// stream, or 0 when the file does not open, replaces the variable's handle; a stream held before
// stays open (it is closed when the run ends). Result: the file status, 0 or the mode's failure
// status (207, 205, 206). Errors: 1 wrong argument count or an unknown mode letter, 14 not a file
// variable.
Statement* Kestrun::CmdFileOpen(Statement* st) {
    if (!checkArgCount(*this, st, 3, 3, 1)) return nullptr;
    FileArgument file;
    char path[kPathSize];
    bool fits;
    ArgValue modeArg;
    if (!fetchFileArgument(*this, st, 0, false, file) || !fetchPath(*this, st, 1, path, sizeof path, fits) ||
        !getArg(modeArg, st, 2, TypeString))
        return nullptr;
    const OpenMode* mode = openModeOf(textOf(*this, modeArg));
    if (!mode) return failStatement(*this, 1);

    std::FILE* stream = fits ? std::fopen(path, file.type == TypeBFile ? mode->binaryMode : mode->textMode) : nullptr;
    if (stream && !registerStream(stream)) {
        std::fclose(stream);
        return failStatement(*this, 2);
    }
    std::memcpy(file.slot, &stream, sizeof stream);
    return fileStatusResult(*this, st, stream ? kFileOk : mode->failure);
}

// FILECLOSE file: closes the variable's file, if it holds one that is still open, and sets its
// handle to 0. Another variable that shared the stream keeps a handle that no statement uses any
// more. Errors: 1 wrong argument count, 14 not a file variable.
Statement* Kestrun::CmdFileClose(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 1)) return nullptr;
    FileArgument file;
    if (!fetchFileArgument(*this, st, 0, false, file)) return nullptr;
    void* stream = nullptr;
    std::memcpy(&stream, file.slot, sizeof stream);
    closeStream(stream);
    std::memset(file.slot, 0, sizeof stream);
    return st;
}

// EOF(file): 16 when a read on the file's stream has met its end, else 0 (INT). Errors: 56 wrong
// argument count, 14 not a file variable, 52 no open stream.
Statement* Kestrun::CmdFileEof(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 56)) return nullptr;
    FileArgument file;
    std::FILE* stream = fetchOpenStream(*this, st, 0, false, file);
    if (!stream) return nullptr;
    return setIntResult(*this, st, std::feof(stream) ? 16 : 0);
}

// FILEPOSITION(file) gives the byte position of a binary file (its low 32 bits; -1 when the
// system cannot tell it); FILEPOSITION file, offset moves it to offset bytes from the start and
// gives no result. Errors: 1 wrong argument count, 14 not a BFILE, 52 no open stream, 19 an
// offset that is not a number.
Statement* Kestrun::CmdFilePosition(Statement* st) {
    if (!checkArgCount(*this, st, 1, 2, 1)) return nullptr;
    FileArgument file;
    std::FILE* stream = fetchOpenStream(*this, st, 0, true, file);
    if (!stream) return nullptr;
    if (st->argCount == 1) return setIntResult(*this, st, static_cast<std::int32_t>(std::ftell(stream)));
    ArgValue offset;
    if (!getArg(offset, st, 1, WantAnyNumber)) return nullptr;
    forgetStreamDirection(stream);
    std::fseek(stream, offset.intValue, SEEK_SET);
    return st;
}

}  // namespace kestrun
