// The program's open streams: which streams a FILE or BFILE slot may be used through, their
// closing, the positioning the C library needs between reading and writing, and the flush at the
// end of a run.
#include <cstdio>
#include <cstring>

#include "kestrun.h"

namespace kestrun {

namespace {

bool listHolds(const PtrList& list, const void* value) {
    bool found = false;
    list.forEach([&](void* item) { found = found || item == value; });
    return found;
}

}  // namespace

std::FILE* Kestrun::openStreamAt(const std::uint8_t* slot) const {
    if (!slot) return nullptr;
    std::FILE* stream = nullptr;
    std::memcpy(&stream, slot, sizeof stream);
    if (!stream) return nullptr;
    if (stream == stdout || stream == stdin || listHolds(openStreams, stream)) return stream;
    return nullptr;
}

bool Kestrun::registerStream(std::FILE* stream) {
    // A new stream may reuse the address of one closed earlier: it starts without a direction.
    forgetStreamDirection(stream);
    return openStreams.addTail(stream);
}

bool Kestrun::closeStream(void* stream) {
    if (!stream || !openStreams.remove(stream)) return false;
    std::FILE* file = static_cast<std::FILE*>(stream);
    forgetStreamDirection(file);
    std::fclose(file);
    return true;
}

void Kestrun::forgetStreamDirection(std::FILE* stream) {
    streamsLastWritten.remove(stream);
    streamsLastRead.remove(stream);
}

void Kestrun::prepareStream(std::FILE* stream, bool forWrite) {
    PtrList& same = forWrite ? streamsLastWritten : streamsLastRead;
    PtrList& other = forWrite ? streamsLastRead : streamsLastWritten;
    if (other.remove(stream)) std::fseek(stream, 0, SEEK_CUR);
    if (!listHolds(same, stream)) same.addTail(stream);
}

void Kestrun::flushOpenStreams() {
    openStreams.forEach([](void* stream) { std::fflush(static_cast<std::FILE*>(stream)); });
    std::fflush(stdout);
}

}  // namespace kestrun
