// Keeps fuzzed programs inside the scratch folder the fuzzers run in. The fuzz targets link a copy
// of the interpreter core whose calls of the C library functions below are renamed to
// kestrun_guarded_NAME (tests/fuzz/CMakeLists.txt), so every such call of the interpreter reaches
// these first, while the fuzzer's own file access stays as it is. A path that is absolute or
// climbs out with ".." is refused (EACCES), and so is every change of the working folder;
// anything else goes to the real call, relative to the scratch folder.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// True for a path that stays below the working folder: relative and without a ".." component.
// Both separators count, since programs write paths the Windows way.
bool staysInScratch(const char* path) {
    if (!path || !path[0] || path[0] == '/' || path[0] == '\\' || path[0] == '~') return false;
    const char* part = path;
    for (const char* p = path;; ++p) {
        if (*p == '/' || *p == '\\' || *p == '\0') {
            if (p - part == 2 && part[0] == '.' && part[1] == '.') return false;
            if (*p == '\0') break;
            part = p + 1;
        }
    }
    return true;
}

bool refuse() {
    errno = EACCES;
    return false;
}

}  // namespace

extern "C" {

FILE* kestrun_guarded_fopen(const char* path, const char* mode) {
    return staysInScratch(path) ? ::fopen(path, mode) : (refuse(), nullptr);
}
FILE* kestrun_guarded_fopen64(const char* path, const char* mode) {
    return staysInScratch(path) ? ::fopen64(path, mode) : (refuse(), nullptr);
}
FILE* kestrun_guarded_freopen(const char* path, const char* mode, FILE* stream) {
    return staysInScratch(path) ? ::freopen(path, mode, stream) : (refuse(), nullptr);
}
int kestrun_guarded_remove(const char* path) { return staysInScratch(path) ? ::remove(path) : (refuse(), -1); }
int kestrun_guarded_rename(const char* from, const char* to) {
    return staysInScratch(from) && staysInScratch(to) ? ::rename(from, to) : (refuse(), -1);
}
int kestrun_guarded_unlink(const char* path) { return staysInScratch(path) ? ::unlink(path) : (refuse(), -1); }
int kestrun_guarded_rmdir(const char* path) { return staysInScratch(path) ? ::rmdir(path) : (refuse(), -1); }
int kestrun_guarded_mkdir(const char* path, mode_t mode) {
    return staysInScratch(path) ? ::mkdir(path, mode) : (refuse(), -1);
}
int kestrun_guarded_open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
    return staysInScratch(path) ? ::open(path, flags, mode) : (refuse(), -1);
}
int kestrun_guarded_open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = static_cast<mode_t>(va_arg(ap, int));
    va_end(ap);
    return staysInScratch(path) ? ::open64(path, flags, mode) : (refuse(), -1);
}
int kestrun_guarded_chdir(const char*) { return refuse(), -1; }

}  // extern "C"
