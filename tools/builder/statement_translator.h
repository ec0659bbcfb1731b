// Translation of one statement of source text into its line-image bytes.
#pragma once
#include <string>
#include <string_view>

namespace kestrun {

// Translates one statement (without line ending) into image bytes, appended to out.
//  - A comment statement is copied as it stands.
//  - Keywords (whole words, any case, outside string literals, not directly after '.' or '@') become
//    keyword tokens; everything else is copied as written.
//  - "@NAME" of a built-in constant becomes its constant token, "@@n" the token of table entry n;
//    any other "@name" stays as text.
//  - LET decides by the first '=' or ',' outside brackets, parentheses and string literals: with '='
//    the word LET and the blanks after it are left out (plain assignment); otherwise LET is a token.
//  - A statement that starts with IF and whose only THEN ends it loses that THEN and the blanks
//    around it (block conditional).
// Returns false with a message (no file or line in it) for an unterminated string literal or a bad
// "@@" index; out may then hold a partial translation.
bool translateStatement(std::string_view statement, std::string& out, std::string& error);

}  // namespace kestrun
