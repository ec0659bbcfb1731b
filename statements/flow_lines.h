// What the control-flow statements share: reading the command code of a line of the LineTable,
// finding tokens inside a line's text, and the forward scan that matches a block statement with
// the line that closes it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// Command codes of the block statements and of the tokens found inside single-line conditionals.
enum FlowCode : int {
    CodeCountedLoopStart = 2,
    CodeCondLoopStart = 4,
    CodeCondLoopEnd = 5,
    CodeConditional = 6,
    CodeConditionalEnd = 7,
    CodeSelectStart = 41,
    CodeCase = 42,
    CodeSelectEnd = 43,
    CodeReturn = 45,
    CodeDefaultCase = 52,
    CodeElse = 55,
    CodeRepeatStart = 78,
    CodeRepeatUntil = 79,
    CodeThen = 218,
};

// The command code of a LineTable line (its first three bytes when the first is 0xFF), or -1 for
// every other line (assignments, calls, blanked label lines).
int lineCode(const char* line);

// The first occurrence of the token of code (0xFF, 0xE0 + code / 16, 0xE0 + code % 16) in text
// outside double quotes, or null.
const char* findToken(const char* text, int code);

// True when line is a single-line conditional: a code-6 line holding the separator token.
bool isSingleLineConditional(const char* line);

// Code-6 lines count as openers only in their block form.
inline bool isBlockConditional(const char* line) {
    return lineCode(line) == CodeConditional && !isSingleLineConditional(line);
}

// The forward scan of a block statement on the line at index from: starting with depth 1 on the
// line after it, each line whose code is opener adds 1 and each whose code is closer subtracts 1;
// the line where the depth reaches 0 is the match. Code-6 openers count only in block form.
// Gives the match's index, or -1 when the lines run out.
std::int64_t findBlockEnd(const Kestrun& k, std::uint32_t from, int opener, int closer);

// Copies argument text (blanks at both ends dropped) into out of size bytes; false when it does
// not fit.
bool copyTrimmed(const char* text, char* out, std::size_t size);

// The label that the name text of a jump or call designates: the name itself, or, after a dollar
// sign, the name held by a STRING variable. Missing: error 12; not a label, or a declared external
// function (which has no line to go to): error 14; a dollar sign before a variable that does not
// exist keeps the lookup's error, before one that is not a STRING gives 14. Null with errorCode
// set on failure.
Variable* resolveLabel(Kestrun& k, const char* nameText);

// Sets errorCode and gives false: the failure of a helper that reports by a bool.
inline bool refuseWith(Kestrun& k, std::uint8_t code) {
    k.errorCode = code;
    return false;
}

// Counts one more nesting depth (of calls, of conditionals) for as long as it lives.
struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    int& depth;
};

}  // namespace kestrun
