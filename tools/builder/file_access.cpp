#include "file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace kestrun {
namespace {

std::string reasonFromErrno() { return std::strerror(errno); }

template <typename Buffer>
bool readInto(const std::string& path, Buffer& contents, std::string& error) {
    contents.clear();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": cannot read the file (" + reasonFromErrno() + ")";
        return false;
    }
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.insert(contents.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read the file (read error)";
        contents.clear();
        return false;
    }
    return true;
}

// A name beside path that does not exist yet.
std::string temporaryNameBeside(const std::string& path) {
    std::random_device entropy;
    std::error_code ignored;
    for (int attempt = 0;; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(entropy()));
        std::string candidate = path + suffix;
        if (!std::filesystem::exists(candidate, ignored) || attempt >= 100) return candidate;
    }
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& contents, std::string& error) {
    return readInto(path, contents, error);
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& contents, std::string& error) {
    return readInto(path, contents, error);
}

bool writeFileReplacing(const std::string& path, const void* bytes, std::size_t length, std::string& error) {
    const std::string temporary = temporaryNameBeside(path);
    std::error_code ignored;
    errno = 0;
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": cannot write the file (" + reasonFromErrno() + ")";
        return false;
    }
    const bool written = std::fwrite(bytes, 1, length, file) == length;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = path + ": cannot write the file (write error)";
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, path, renameError);  // replaces an existing file
    if (renameError) {
        error = path + ": cannot replace the file (" + renameError.message() + ")";
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace kestrun
