// Reading and writing values: text files in the printed form of the values, binary files in the
// binary layout (interp/record_layout.h), sequentially or as numbered records.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "file_support.h"
#include "record_layout.h"
#include "text_scan.h"

namespace kestrun {

namespace {

// The block of a MEMORY variable and the bytes a file transfer moves: its recorded size. A block
// whose size was not recorded (one received by assignment) has no size known here and moves
// nothing.
struct MemoryBlock {
    std::uint8_t* bytes;
    std::size_t size;
};
MemoryBlock memoryBlockOf(const Variable* v) {
    MemoryBlock block{nullptr, 0};
    if (v->data) std::memcpy(&block.bytes, v->data, sizeof block.bytes);
    if (block.bytes && v->aux > 0) block.size = static_cast<std::size_t>(v->aux);
    return block;
}

// Reads v's binary layout from stream, stretch by stretch; the first stretch that gets no byte
// ends the read. The file status: 0, or 999 when a stretch got nothing or nothing was to be read
// into a memory block.
std::int32_t readBinaryValue(std::FILE* stream, Variable* v) {
    if (v->type == TypeMemory) {
        const MemoryBlock block = memoryBlockOf(v);
        return block.size && std::fread(block.bytes, 1, block.size, stream) > 0 ? kFileOk : kFileNothingRead;
    }
    std::int32_t status = kFileOk;
    forEachLayoutSpan(v, v->data, [&](std::uint8_t* bytes, std::size_t length) {
        if (std::fread(bytes, 1, length, stream) > 0) return true;
        status = kFileNothingRead;
        return false;
    });
    return status;
}

// Writes v's binary layout to stream.
void writeBinaryValue(std::FILE* stream, Variable* v) {
    if (v->type == TypeMemory) {
        const MemoryBlock block = memoryBlockOf(v);
        if (block.size) std::fwrite(block.bytes, 1, block.size, stream);
        return;
    }
    forEachLayoutSpan(v, v->data, [&](std::uint8_t* bytes, std::size_t length) {
        std::fwrite(bytes, 1, length, stream);
        return true;
    });
}

// Bytes a line may take at v's addressed string position: its capacity, cut to the end of the
// string's storage.
std::size_t stringRoom(const Variable* v) {
    if (v->capacity <= 0) return 0;
    std::size_t room = static_cast<std::size_t>(v->capacity);
    const std::uint8_t* end = storageEnd(v);
    if (end) room = v->data < end ? std::min(room, static_cast<std::size_t>(end - v->data)) : 0;
    return room;
}

// Reads one value into v from a text stream: a STRING one line of at most its capacity - 2
// characters without the LF that ends it, any other type one value in its printed form. The file
// status: 0, or 999 when nothing was read. False with errorCode 14 for a type without a text form.
bool readTextValue(Kestrun& k, std::FILE* stream, Variable* v, std::int32_t& status) {
    if (!v->data) {
        k.errorCode = 14;
        return false;
    }
    if (v->type == TypeString) {
        const std::size_t room = stringRoom(v);
        if (room < 2) return true;
        char* line = reinterpret_cast<char*>(v->data);
        if (!readTextLine(stream, line, room - 2)) {
            status = kFileNothingRead;
            return true;
        }
        const std::size_t length = std::strlen(line);
        if (length && line[length - 1] == '\n') line[length - 1] = '\0';
        return true;
    }
    switch (scanTextValue(stream, v->type, v->data)) {
        case ScanOutcome::Stored: return true;
        case ScanOutcome::NothingRead: status = kFileNothingRead; return true;
        default: k.errorCode = 14; return false;
    }
}

// RECORDREAD and RECORDWRITE: file, record number n (from 1), variable. The record size is the
// variable's layout size (for a USER_0 the size of its addressed record), and record n starts at
// byte (n - 1) × size. A read that gets no byte, or a record beyond what the system can position
// to, gives the file status 999.
Statement* transferRecord(Kestrun& k, Statement* st, bool write) {
    if (!checkArgCount(k, st, 3, 3, 1)) return nullptr;
    FileArgument file;
    ArgValue number;
    std::FILE* stream = fetchOpenStream(k, st, 0, true, file);
    if (!stream || !k.getArg(number, st, 1, WantAnyNumber)) return nullptr;
    if (number.int64Value < 1) return failStatement(k, 46);
    Variable* v = lookUpTransferVariable(k, st, 2);
    if (!v) return nullptr;

    const std::uint64_t size = layoutSize(v, v->data);
    const std::uint64_t index = static_cast<std::uint64_t>(number.int64Value - 1);
    k.forgetStreamDirection(stream);
    if (size && index > static_cast<std::uint64_t>(LONG_MAX) / size) return fileStatusResult(k, st, kFileNothingRead);
    if (std::fseek(stream, static_cast<long>(index * size), SEEK_SET) != 0)
        return fileStatusResult(k, st, kFileNothingRead);
    k.prepareStream(stream, write);
    if (write) {
        writeBinaryValue(stream, v);
        return fileStatusResult(k, st, kFileOk);
    }
    return fileStatusResult(k, st, readBinaryValue(stream, v));
}

}  // namespace

// FILEREAD file, target, ...: reads one value into each target in turn. From a FILE: a STRING
// target gets one line, any other target one value in its printed form. From a BFILE: each
// target gets its binary layout (a USER_0 its addressed record, a MEMORY variable as many bytes as
// its block's recorded size). The first target that gets nothing sets the file status 999 and the
// targets after it are left as they are. Result: the file status. Errors: 1 fewer than two
// arguments, 14 not a file variable or a target without a text form, 52 no open stream, and the
// lookup's error for an unknown target.
Statement* Kestrun::CmdFileRead(Statement* st) {
    if (!checkArgCount(*this, st, 2, kMaxArgs, 1)) return nullptr;
    FileArgument file;
    std::FILE* stream = fetchOpenStream(*this, st, 0, false, file);
    if (!stream) return nullptr;
    prepareStream(stream, false);
    std::int32_t status = kFileOk;
    for (int i = 1; i < st->argCount && status == kFileOk; ++i) {
        Variable* v = lookUpTransferVariable(*this, st, i);
        if (!v) return nullptr;
        if (file.type == TypeFile) {
            if (!readTextValue(*this, stream, v, status)) return nullptr;
        } else {
            status = readBinaryValue(stream, v);
        }
    }
    return fileStatusResult(*this, st, status);
}

// FILEWRITE file, value, ...: a FILE gets the values as the print statement prints them, as one
// line; a BFILE gets the binary layout of each variable named (a USER_0 its addressed record, a
// MEMORY variable its block as far as its recorded size). Result: the file status 0. Errors: 1 no
// argument, 14 not a file variable, 52 no open stream, and those of the values or lookups.
Statement* Kestrun::CmdFileWrite(Statement* st) {
    if (!checkArgCount(*this, st, 1, kMaxArgs, 1)) return nullptr;
    FileArgument file;
    std::FILE* stream = fetchOpenStream(*this, st, 0, false, file);
    if (!stream) return nullptr;
    prepareStream(stream, true);
    if (file.type == TypeFile) {
        st->toFile = 1;
        if (!CmdPrint(st)) return nullptr;
    } else {
        for (int i = 1; i < st->argCount; ++i) {
            Variable* v = lookUpTransferVariable(*this, st, i);
            if (!v) return nullptr;
            writeBinaryValue(stream, v);
        }
    }
    return fileStatusResult(*this, st, kFileOk);
}

Statement* Kestrun::CmdRecordRead(Statement* st) { return transferRecord(*this, st, false); }

Statement* Kestrun::CmdRecordWrite(Statement* st) { return transferRecord(*this, st, true); }

}  // namespace kestrun
