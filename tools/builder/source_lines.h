// Splitting of program source text into its lines.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

namespace kestrun {

struct SourceLine {
    std::string_view text;  // the line without its line ending
    std::size_t number;     // 1-based line number, for messages
};

// Splits source text into lines. A line ends with LF or CR LF; a CR at the very end of the text
// counts as a line ending too. The text after the last line ending is a line of its own only when
// it is not empty, so "a\n" is one line and "" has none. A leading UTF-8 byte order mark is not part
// of the first line. The views point into source.
std::vector<SourceLine> splitSourceLines(std::string_view source);

}  // namespace kestrun
