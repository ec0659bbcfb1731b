// Copying and deleting files, making and removing directories, and the directory search in three
// statements (start, next name, close). The system's failures come back as results (0, an empty
// name), never as errors of the program.
#include <cstring>
#include <new>

#include "file_finder.h"
#include "file_support.h"

namespace kestrun {

namespace {

// The open search the program knows by handle; null for 0 and for any number that is not (or no
// longer) one of its searches.
CFileFinder* finderOf(const Kestrun& k, std::uint32_t handle) {
    CFileFinder* found = nullptr;
    if (handle == 0) return nullptr;
    k.fileFinders.forEach([&](void* f) {
        if (static_cast<CFileFinder*>(f)->handle == handle) found = static_cast<CFileFinder*>(f);
    });
    return found;
}

// Fetches the one argument of a search step or close as a search handle. False with errorCode set.
bool fetchSearchHandle(Kestrun& k, Statement* st, std::uint32_t& handle) {
    ArgValue a;
    if (!checkArgCount(k, st, 1, 1, 56) || !k.getArg(a, st, 0, WantAnyNumber)) return false;
    handle = static_cast<std::uint32_t>(a.intValue);
    return true;
}

// Runs a one-path operation of the host on argument 0 and gives 1 or 0. Error: 56 wrong count.
template <typename Operation>
Statement* pathOperation(Kestrun& k, Statement* st, Operation operation) {
    char path[kPathSize];
    bool fits;
    if (!checkArgCount(k, st, 1, 1, 56) || !fetchPath(k, st, 0, path, sizeof path, fits)) return nullptr;
    return setIntResult(k, st, fits && operation(path) ? 1 : 0);
}

}  // namespace

void Kestrun::releaseFileFinders() {
    while (!fileFinders.empty()) delete static_cast<CFileFinder*>(fileFinders.removeHead());
}

// COPYFILE(source, destination, failIfExists): 1 when the file was copied, 0 when not; a non-zero
// failIfExists leaves an existing destination as it is (and gives 0). Error: 56 wrong count.
Statement* Kestrun::CmdCopyFile(Statement* st) {
    char source[kPathSize], destination[kPathSize];
    bool sourceFits, destinationFits;
    ArgValue failIfExists;
    if (!checkArgCount(*this, st, 3, 3, 56) || !fetchPath(*this, st, 0, source, sizeof source, sourceFits) ||
        !fetchPath(*this, st, 1, destination, sizeof destination, destinationFits) ||
        !getArg(failIfExists, st, 2, WantAnyNumber))
        return nullptr;
    const bool copied = sourceFits && destinationFits &&
                        host.copyFile(source, destination, failIfExists.doubleValue != 0);
    return setIntResult(*this, st, copied ? 1 : 0);
}

// DELETEFILE(path), MAKEDIR(path), REMOVEDIR(path): 1 on success, 0 when the system refused
// (a directory that is not empty is not removed). Error: 56 wrong count.
Statement* Kestrun::CmdDeleteFile(Statement* st) {
    return pathOperation(*this, st, [this](const char* p) { return host.deleteFile(p); });
}

Statement* Kestrun::CmdMakeDirectory(Statement* st) {
    return pathOperation(*this, st, [this](const char* p) { return host.makeDirectory(p); });
}

Statement* Kestrun::CmdRemoveDirectory(Statement* st) {
    return pathOperation(*this, st, [this](const char* p) { return host.removeDirectory(p); });
}

// FINDSTART(pattern): starts a search for the entries that match pattern (wildcards * and ? in
// its last part) and gives its handle, or 0 when nothing matches. Error: 56 wrong count.
Statement* Kestrun::CmdFindStart(Statement* st) {
    char pattern[kPathSize];
    bool fits;
    if (!checkArgCount(*this, st, 1, 1, 56) || !fetchPath(*this, st, 0, pattern, sizeof pattern, fits)) return nullptr;
    if (!fits) return setIntResult(*this, st, 0);
    CFileFinder* finder = new (std::nothrow) CFileFinder(host);
    if (!finder) return failStatement(*this, 2);
    if (!finder->Start(pattern)) {
        delete finder;
        return setIntResult(*this, st, 0);
    }
    if (++lastSearchHandle == 0) ++lastSearchHandle;
    finder->handle = lastSearchHandle;
    if (!fileFinders.addTail(finder)) {
        delete finder;
        return failStatement(*this, 2);
    }
    return setIntResult(*this, st, static_cast<std::int32_t>(finder->handle));
}

// FINDNEXT(handle): the next name of the search, without its directory, in the order the system
// lists them; after the last one, and for a handle that is no open search (0, a closed search),
// the empty text. Error: 56 wrong count.
Statement* Kestrun::CmdFindNext(Statement* st) {
    std::uint32_t handle;
    if (!fetchSearchHandle(*this, st, handle)) return nullptr;
    CFileFinder* finder = finderOf(*this, handle);
    const char* name = finder ? finder->Step() : "";
    return setStringResult(*this, st, name, std::strlen(name));
}

// FINDCLOSE handle: ends the search and frees it; a handle that is no open search does nothing.
// Error: 56 wrong count.
Statement* Kestrun::CmdFindClose(Statement* st) {
    std::uint32_t handle;
    if (!fetchSearchHandle(*this, st, handle)) return nullptr;
    if (CFileFinder* finder = finderOf(*this, handle)) {
        fileFinders.remove(finder);
        delete finder;
    }
    return st;
}

}  // namespace kestrun
