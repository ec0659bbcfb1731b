// Selection: SELECT selector, CASE value lines, an optional DEFAULT line, ENDSELECT. The head
// finds the first case whose comparison with the selector holds and runs the body after it;
// reaching the next case or default line ends the body and leaves the selection.
#include <cstring>

#include "expression_internal.h"
#include "flow_lines.h"
#include "results.h"

namespace kestrun {

namespace {

constexpr std::size_t kTokenLength = 3;

// Evaluates the selector compared with the value of a case line: the text "selector=value".
// Texts the evaluator cannot take (over 1023 characters) fail with 1 rather than being cut.
bool caseHolds(Kestrun& k, const char* selector, const char* caseLine, double& result) {
    char text[kExpressionTextMax + 1];
    const char* value = caseLine + kTokenLength;
    const std::size_t selectorLength = std::strlen(selector);
    const std::size_t valueLength = std::strlen(value);
    if (selectorLength + 1 + valueLength >= sizeof text) {
        k.errorCode = 1;
        return false;
    }
    std::memcpy(text, selector, selectorLength);
    text[selectorLength] = '=';
    std::memcpy(text + selectorLength + 1, value, valueLength + 1);
    result = k.evaluateExpression(text);
    return k.errorCode == 0;
}

}  // namespace

// SELECT: the selector is argument 0 (none: 1). The matching ENDSELECT must exist (36); its
// index is pushed with MarkSelect (34 when the ControlStack is full). The lines between head and end are walked at nesting depth 0 only:
// each CASE line is compared until one holds; a DEFAULT line before that is remembered. The
// first line after a holding case that is neither CASE nor DEFAULT starts the body (so cases in
// a row share the body after the last of them). With no case holding, execution continues after
// the DEFAULT line if there is one, else on the next line, which is normally the first CASE and
// leaves the selection at once.
Statement* Kestrun::CmdSelectStart(Statement* st) {
    if (st->argCount < 1) return failStatement(*this, 1);
    const std::int64_t end = findBlockEnd(*this, currentLine, CodeSelectStart, CodeSelectEnd);
    if (end < 0) return failStatement(*this, 36);
    if (!pushFrame(static_cast<std::int32_t>(end), MarkSelect)) return failStatement(*this, 34);

    const char* selector = st->args[0];
    int depth = 0;
    double matched = 0;
    std::int64_t defaultLine = -1;
    for (std::uint32_t i = currentLine + 1; i < static_cast<std::uint32_t>(end); ++i) {
        const int code = lineCode(lines[i]);
        if (code == CodeSelectStart && matched == 0) {
            ++depth;
        } else if (code == CodeSelectEnd) {
            --depth;
        } else if (depth != 0) {
            continue;
        } else if (code == CodeCase) {
            if (matched == 0 && !caseHolds(*this, selector, lines[i], matched)) return nullptr;
        } else if (code == CodeDefaultCase) {
            if (matched == 0) defaultLine = i;
        } else if (matched != 0) {
            currentLine = i - 1;
            return st;
        }
    }
    if (matched == 0 && defaultLine >= 0) currentLine = static_cast<std::uint32_t>(defaultLine);
    return st;
}

// CASE and DEFAULT reached while running: the end of a case body. The top frame must be a
// selection's (37); execution continues after its ENDSELECT.
Statement* Kestrun::CmdCaseReached(Statement* st) {
    if (popControl() != MarkSelect) return failStatement(*this, 37);
    currentLine = static_cast<std::uint32_t>(popControl());
    return st;
}

// ENDSELECT: drops the selection frame, which must be on top (38).
Statement* Kestrun::CmdSelectEnd(Statement* st) {
    if (popControl() != MarkSelect) return failStatement(*this, 38);
    popControl();
    return st;
}

}  // namespace kestrun
