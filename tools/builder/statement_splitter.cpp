#include "statement_splitter.h"

namespace kestrun {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool isCommentStatement(std::string_view statement) {
    std::size_t i = 0;
    while (i < statement.size() && isBlank(statement[i])) ++i;
    return i < statement.size() && (statement[i] == ';' || statement[i] == '\'');
}

std::vector<std::string_view> splitStatements(std::string_view line) {
    std::vector<std::string_view> statements;
    if (isCommentStatement(line)) return {line};

    std::size_t start = 0;
    bool inString = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '"') {
            inString = !inString;
            ++i;
            continue;
        }
        if (inString || c != ':' || i + 1 >= line.size() || line[i + 1] != ':') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end > start && isBlank(line[end - 1])) --end;
        statements.push_back(line.substr(start, end - start));

        start = i + 2;
        while (start < line.size() && isBlank(line[start])) ++start;
        if (isCommentStatement(line.substr(start))) {
            statements.push_back(line.substr(start));
            return statements;
        }
        i = start;
    }
    statements.push_back(line.substr(start));
    return statements;
}

}  // namespace kestrun
