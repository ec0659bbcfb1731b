#include "source_lines.h"

namespace kestrun {

std::vector<SourceLine> splitSourceLines(std::string_view source) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (source.substr(0, kByteOrderMark.size()) == kByteOrderMark) source.remove_prefix(kByteOrderMark.size());

    std::vector<SourceLine> lines;
    std::size_t number = 1;
    while (!source.empty()) {
        std::size_t end = source.find('\n');
        std::size_t next = (end == std::string_view::npos) ? source.size() : end + 1;
        if (end == std::string_view::npos) end = source.size();
        std::size_t textEnd = end;
        if (textEnd > 0 && source[textEnd - 1] == '\r') --textEnd;
        lines.push_back({source.substr(0, textEnd), number++});
        source.remove_prefix(next);
    }
    return lines;
}

}  // namespace kestrun
