// Whole-file reading and writing for the builder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

// Reads the whole file at path as bytes. On failure returns false and sets error to
// "PATH: cannot read the file (reason)".
bool readWholeFile(const std::string& path, std::string& contents, std::string& error);
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& contents, std::string& error);

// Writes bytes to path so that path either keeps its old state or holds all of the new bytes:
// they go to a temporary file beside path first, which then replaces path; on any failure the
// temporary file is removed and error says what went wrong.
bool writeFileReplacing(const std::string& path, const void* bytes, std::size_t length, std::string& error);

}  // namespace kestrun
