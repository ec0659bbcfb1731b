// Splitting of one source line into the statements written on it.
#pragma once
#include <string_view>
#include <vector>

namespace kestrun {

// True when the first non-blank character of statement is ';' or '\'' (a comment).
bool isCommentStatement(std::string_view statement);

// Splits a source line at each "::" outside string literals. The blanks and tabs directly beside a
// "::" are dropped; the blanks in front of the first statement stay. A comment line is one statement.
// A statement that starts with ';' or '\'' after a "::" is a comment that runs to the end of the line,
// so "a = 1 :: ' note :: more" gives "a = 1" and "' note :: more". A string literal left open runs to
// the end of the line (the translator reports it). Always returns at least one statement; the views
// point into line.
std::vector<std::string_view> splitStatements(std::string_view line);

}  // namespace kestrun
