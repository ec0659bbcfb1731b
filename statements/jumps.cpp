// Jumps to labels (GOTO and JUMP) and the end of the program.
#include "flow_lines.h"
#include "results.h"

namespace kestrun {

// GOTO, JUMP: argument 0 names the label, or after a dollar sign a STRING variable holding its
// name (resolveLabel has the errors). Execution continues after the label's line. Selection
// frames on top of the ControlStack are dropped, since the jump leaves those selections; loop
// and call frames stay.
Statement* Kestrun::CmdJump(Statement* st) {
    if (st->argCount < 1) return failStatement(*this, 1);
    Variable* label = resolveLabel(*this, st->args[0]);
    if (!label) return nullptr;
    currentLine = static_cast<std::uint32_t>(label->capacity);
    while (controlTop >= 2 && controlStack[controlTop - 1] == MarkSelect) {
        popControl();
        popControl();
    }
    return st;
}

// END: ends the run without an error; with arguments it is malformed (1).
Statement* Kestrun::CmdEndProgram(Statement* st) {
    if (st->argCount != 0) errorCode = 1;
    return nullptr;
}

}  // namespace kestrun
