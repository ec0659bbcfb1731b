// Loops: the counted loop (FOR ... NEXT), whose state lives in the loop variable itself, and the
// conditional loop (WHILE ... WEND) and repeat loop (DO ... UNTIL), which keep a frame on the
// ControlStack while their body runs.
#include <cstring>

#include "flow_lines.h"
#include "results.h"

namespace kestrun {

namespace {

std::int32_t readInt(const std::uint8_t* p) {
    std::int32_t v = 0;
    if (p) std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

bool Kestrun::pushFrame(std::int32_t line, std::int32_t marker) {
    if (!pushControl(line)) return false;
    if (pushControl(marker)) return true;
    popControl();
    return false;
}

// FOR: argument 0 names the loop variable (an unknown name becomes an INT of the current scope,
// whatever automatic declaration says), 1 is the start, 2 the limit and the optional 3 the step
// (1 when absent). The variable must be an INT or a UINT (20). Its value becomes the start, and
// its record keeps the loop: the head line in capacity, the limit in rowLength and the step in
// aux. There is no test here: the body runs at least once.
Statement* Kestrun::CmdCountedLoopStart(Statement* st) {
    if (!checkArgCount(*this, st, 3, kMaxArgs, 56)) return nullptr;
    char name[kArgSlotSize];
    if (!copyTrimmed(st->args[0], name, sizeof name)) return failStatement(*this, 1);
    Variable* v = findVariable(name, nullptr, false);
    if (!v) {
        errorCode = 0;
        if (!(v = createVariable(name, TypeInt, 1, nullptr))) return nullptr;
        errorCode = 0;
    }
    if (v->type != TypeInt && v->type != TypeUInt) return failStatement(*this, 20);
    std::uint8_t* value = v->data;  // the element this lookup addressed
    if (!value) return failStatement(*this, 20);

    ArgValue start, limit, step;
    if (!getArg(start, st, 1, WantAnyNumber)) return nullptr;
    std::memcpy(value, &start.intValue, sizeof start.intValue);
    v->capacity = static_cast<std::int32_t>(currentLine);
    if (!getArg(limit, st, 2, WantAnyNumber)) return nullptr;
    v->aux = 1;
    v->rowLength = limit.intValue;
    if (st->argCount > 3) {
        if (!getArg(step, st, 3, WantAnyNumber)) return nullptr;
        v->aux = step.intValue;
    }
    return st;
}

// NEXT: argument 0 names the loop variable. A step of 0, or a variable that is no INT or UINT,
// means no loop is active for it (14).
// The step is added; the loop is done when the value passed the limit (above it for a positive
// step, below it otherwise, both compared as signed 32-bit values). The sum is taken in 64 bits,
// so a loop that runs up to the largest INT ends instead of wrapping round to the lowest and
// going on; the variable keeps the low 32 bits of the sum. When done the loop fields are cleared
// and the line after NEXT runs; otherwise the line after the loop head.
Statement* Kestrun::CmdCountedLoopStep(Statement* st) {
    if (st->argCount < 1) return failStatement(*this, 1);
    char name[kArgSlotSize];
    if (!copyTrimmed(st->args[0], name, sizeof name)) return failStatement(*this, 1);
    Variable* v = findVariable(name, nullptr, false);
    if (!v) return nullptr;
    const bool counter = v->type == TypeInt || v->type == TypeUInt;
    if (!counter || v->aux == 0 || !v->data) return failStatement(*this, 14);

    const std::int64_t sum = static_cast<std::int64_t>(readInt(v->data)) + v->aux;
    const std::int32_t stored = static_cast<std::int32_t>(static_cast<std::uint32_t>(sum));
    std::memcpy(v->data, &stored, sizeof stored);
    const bool done = v->aux > 0 ? sum > v->rowLength : sum < v->rowLength;
    if (done) {
        v->capacity = 0;
        v->rowLength = 0;
        v->aux = 0;
    } else {
        currentLine = static_cast<std::uint32_t>(v->capacity);
    }
    return st;
}

// WHILE: the condition is argument 0 (none: 1). The matching WEND must exist (39) whatever the
// condition. A condition of 0 continues after the WEND without a frame; any other value pushes
// the head line minus one with MarkCondLoop (34 when the ControlStack is full) and enters the
// body.
Statement* Kestrun::CmdCondLoopStart(Statement* st) {
    if (st->argCount < 1) return failStatement(*this, 1);
    const std::int64_t end = findBlockEnd(*this, currentLine, CodeCondLoopStart, CodeCondLoopEnd);
    if (end < 0) return failStatement(*this, 39);
    const double condition = evaluateExpression(st->args[0]);
    if (errorCode) return nullptr;
    if (condition == 0) {
        currentLine = static_cast<std::uint32_t>(end);
        return st;
    }
    if (!pushFrame(static_cast<std::int32_t>(currentLine - 1), MarkCondLoop)) return failStatement(*this, 34);
    return st;
}

// WEND: the top frame must be a conditional loop's (40); its line sends execution back to the
// head, which tests the condition again.
Statement* Kestrun::CmdCondLoopEnd(Statement* st) {
    if (popControl() != MarkCondLoop) return failStatement(*this, 40);
    currentLine = static_cast<std::uint32_t>(popControl());
    return st;
}

// DO: takes no arguments (1); the matching UNTIL must exist (50). Pushes the head line minus one
// with MarkRepeat (34 when the ControlStack is full).
Statement* Kestrun::CmdRepeatStart(Statement* st) {
    if (st->argCount != 0) return failStatement(*this, 1);
    if (findBlockEnd(*this, currentLine, CodeRepeatStart, CodeRepeatUntil) < 0) return failStatement(*this, 50);
    if (!pushFrame(static_cast<std::int32_t>(currentLine - 1), MarkRepeat)) return failStatement(*this, 34);
    return st;
}

// UNTIL: the condition is 1 without an argument, else the integer view (truncated) of argument 0.
// The frame is popped whole; a top entry that is not MarkRepeat is error 49. A condition of 0
// sends execution back to the head, which pushes a new frame; any other value leaves the loop.
Statement* Kestrun::CmdRepeatUntil(Statement* st) {
    std::int32_t condition = 1;
    if (st->argCount > 0) {
        ArgValue value;
        if (!getArg(value, st, 0, WantAnyNumber)) return nullptr;
        condition = value.intValue;
    }
    const bool framed = popControl() == MarkRepeat;
    const std::int32_t head = popControl();
    if (!framed) return failStatement(*this, 49);
    if (condition == 0) currentLine = static_cast<std::uint32_t>(head);
    return st;
}

}  // namespace kestrun
