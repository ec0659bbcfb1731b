// What the console handlers share beyond interp/results.h: the test for an empty argument, the
// prompt marker of the input statement, and a result text made of one repeated character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kestrun.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

// The resultType under which the input statement hands its prompt to the print statement: the
// console line is not ended, so the typed text follows the prompt.
constexpr std::int32_t kPromptResultType = 1;

// True when argument i is missing or holds nothing but blanks (so "PRINT a," ends with an empty
// argument, and "COLOR , 4" leaves the foreground out).
inline bool isEmptyArg(const Statement* st, int i) {
    return i >= st->argCount || *skipBlanks(static_cast<const char*>(st->args[i])) == '\0';
}

// Fills SYSTEM_STRING0 with count copies of c (cut to its capacity) and makes it the Statement's
// result (resultType 0). Null with errorCode 2 when the result variable does not exist.
inline Statement* fillStringResult(Kestrun& k, Statement* st, char c, std::size_t count) {
    Variable* r = k.resultString;
    if (!r || !r->base || r->dims[0] == 0) return failStatement(k, 2);
    if (count > r->dims[0] - 1) count = r->dims[0] - 1;
    std::memset(r->base, static_cast<unsigned char>(c), count);
    r->base[count] = 0;
    r->data = r->base;
    st->resultType = TypeString;
    return st;
}

}  // namespace kestrun
