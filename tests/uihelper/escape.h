// C-style escaping of report values, so that one record is one line and parses unambiguously.
#pragma once

#include <string>
#include <string_view>

namespace uihelper {

// Escapes backslash, \n, \r, \t, every other byte below 0x20 or at/above 0x7F as \xHH, and the
// report's separators '|' and '=' as \x7C and \x3D. Bytes listed in `alsoHex` are written as \xHH
// too (e.g. "," for the items of a list that is joined with commas).
std::string escapeValue(std::string_view bytes, std::string_view alsoHex = {});

}  // namespace uihelper
