// Conditionals: the block form (IF condition, an optional ELSE line, ENDIF), matched by scanning
// forward every time it runs, and the single-line form (IF condition THEN statement [ELSE
// statement]), whose chosen inner statement runs through the handler table as if it were a line.
#include <cstring>

#include "flow_lines.h"
#include "results.h"
#include "text_util.h"

namespace kestrun {

namespace {

constexpr std::size_t kTokenLength = 3;

// Runs the single-line form whose text (after the IF token) is text: the condition up to the
// THEN token picks the statement after THEN (up to the first ELSE token, if any) or the one after
// ELSE (to the end of the line); a false condition without ELSE does nothing, and so does an
// inner statement that is empty. The chosen statement is parsed into st and dispatched; its result
// is the conditional's. The text is copied first, into the buffer of this conditional depth,
// because the inner statement must end at the ELSE token while the line itself stays whole (the
// same line may be running further up the stack, in a recursive call) and because a handler may
// keep reading st->text while it runs.
Statement* runSingleLine(Kestrun& k, Statement* st, const char* text) {
    const std::size_t length = std::strlen(text);
    char* copy = k.flowCache.text(k.conditionalDepth, length + 1);
    if (!copy) return failStatement(k, 2);
    std::memcpy(copy, text, length + 1);
    // From here on the buffer is this conditional's: conditionals that run while it is busy (in
    // subroutines called by the condition or by the inner statement) take the next depth's.
    DepthGuard guard(k.conditionalDepth);

    char* separator = const_cast<char*>(findToken(copy, CodeThen));
    char* alternative = const_cast<char*>(findToken(separator + kTokenLength, CodeElse));
    *separator = '\0';
    const double condition = k.evaluateExpression(copy);
    if (k.errorCode) return nullptr;

    char* inner;
    if (condition != 0) {
        inner = separator + kTokenLength;
        if (alternative) *alternative = '\0';
    } else {
        if (!alternative) return st;
        inner = alternative + kTokenLength;
    }
    inner = skipBlanks(inner);
    if (*inner == '\0') return st;

    if (k.parseStatement(st, inner) != 0) return nullptr;
    k.errorCode = 0;
    return k.dispatch(st);
}

}  // namespace

// IF. With the THEN token in its text it is the single-line form (runSingleLine). Otherwise the
// block form: a non-zero condition (argument 0; none: 1) runs the next line; zero scans forward
// for this block's ELSE line or, failing that, its ENDIF, counting nested block IFs (single-line
// ones do not open blocks), and continues after it (17 when neither is found).
Statement* Kestrun::CmdConditional(Statement* st) {
    if (findToken(st->text, CodeThen)) return runSingleLine(*this, st, st->text);

    if (st->argCount < 1) return failStatement(*this, 1);
    const double condition = evaluateExpression(st->args[0]);
    if (errorCode) return nullptr;
    if (condition != 0) return st;

    int depth = 1;
    for (std::uint32_t i = currentLine + 1; i < lineCount; ++i) {
        const int code = lineCode(lines[i]);
        if (code == CodeConditional && !isSingleLineConditional(lines[i])) ++depth;
        else if (code == CodeConditionalEnd) --depth;
        else if (code == CodeElse && depth == 1) depth = 0;
        if (depth == 0) {
            currentLine = i;
            return st;
        }
    }
    return failStatement(*this, 17);
}

// ELSE, reached at the end of a true branch: continues after this block's ENDIF, counting
// nested block IFs (43 when the lines run out first).
Statement* Kestrun::CmdElseBranch(Statement* st) {
    const std::int64_t end = findBlockEnd(*this, currentLine, CodeConditional, CodeConditionalEnd);
    if (end < 0) return failStatement(*this, 43);
    currentLine = static_cast<std::uint32_t>(end);
    return st;
}

}  // namespace kestrun
