// The print statement: formats its arguments into one line and writes it to a text file, to the
// program's print window, or to the console.
#include <cstdio>

#include "handler_support.h"
#include "kestrun.h"
#include "print_format.h"
#include "text_line.h"

namespace kestrun {

namespace {

// The stream of the FILE variable that argument 0 names; null with errorCode set (14 for another
// type, 52 for a variable without an open stream, also one closed through another variable).
std::FILE* fileOfArgument(Kestrun& k, Statement* st) {
    ArgValue file;
    if (!k.getArg(file, st, 0, TypeFile)) return nullptr;
    std::FILE* stream = k.openStreamAt(file.address);
    if (!stream) k.errorCode = 52;
    return stream;
}

}  // namespace

bool Kestrun::isLiveObject(const void* window) const {
    bool found = false;
    liveObjects.forEach([&](void* object) { found = found || object == window; });
    return found;
}

// Arguments 0 to 24 of any type; an empty argument prints nothing. With toFile set, argument 0
// names the FILE variable and printing starts at argument 1. A WINDOW value as argument 0 makes
// its window the destination of this and every later print (0 goes back to the console).
// Destinations: the file gets the line and LF; a window gets the line without line end; the
// console (opened on first use) gets the line and LF unless the statement ends with an empty
// argument (a trailing comma) or resultType is 1 (a prompt printed by the input statement).
// Fails with the error of the first argument that does not evaluate.
Statement* Kestrun::CmdPrint(Statement* st) {
    const bool toFile = st->toFile != 0;
    st->toFile = 0;
    // Room for the line end and the terminator stays free.
    TextLine line(scratchText, kScratchTextSize - 1);
    ArgValue value;
    for (int i = toFile ? 1 : 0; i < st->argCount; ++i) {
        if (isEmptyArg(st, i)) continue;
        if (!getArg(value, st, i, WantAny)) return nullptr;
        if (value.valueType == TypeWindow) {
            if (i == 0) outputWindow = reinterpret_cast<void*>(value.object);
            continue;
        }
        appendPrinted(*this, line, value);
    }
    std::size_t length = line.length();

    if (toFile) {
        std::FILE* stream = fileOfArgument(*this, st);
        if (!stream) return nullptr;
        scratchText[length++] = '\n';
        std::fwrite(scratchText, 1, length, stream);
        return st;
    }
    if (outputWindow) {
        // An address that is not one of the program's windows has nowhere to draw.
        if (isLiveObject(outputWindow)) host.printToWindow(outputWindow, scratchText, length);
        return st;
    }
    const bool keepLine =
        st->argCount > 0 && (isEmptyArg(st, st->argCount - 1) || st->resultType == kPromptResultType);
    if (!keepLine) scratchText[length++] = '\n';
    scratchText[length] = '\0';
    ensureConsole();
    host.writeConsole(scratchText, length);
    return st;
}

}  // namespace kestrun
