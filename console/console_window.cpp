// The console window: opening and closing it, clearing it, the cursor, the colours, and polling
// the keyboard.
#include "handler_support.h"
#include "kestrun.h"
#include "numeric.h"

namespace kestrun {

void Kestrun::openConsole() {
    host.openConsole();
    consoleOpen = 1;
}

// CONSOLEOPEN: no arguments (56).
Statement* Kestrun::CmdConsoleOpen(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 56)) return nullptr;
    openConsole();
    return st;
}

// CONSOLECLOSE: no arguments (56). Releases the console; a later print opens a new one.
Statement* Kestrun::CmdConsoleClose(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 56)) return nullptr;
    host.closeConsole();
    consoleOpen = 0;
    return st;
}

// CLS: no arguments (56). Opens the console if needed and clears it.
Statement* Kestrun::CmdClearConsole(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 56)) return nullptr;
    ensureConsole();
    host.clearConsole();
    return st;
}

// LOCATE row, column: two numbers counted from 1 (56, 19). Opens the console if needed and moves
// the cursor to column - 1, row - 1.
Statement* Kestrun::CmdLocate(Statement* st) {
    if (!checkArgCount(*this, st, 2, 2, 56)) return nullptr;
    ArgValue row, column;
    if (!getArg(row, st, 0, WantAnyNumber) || !getArg(column, st, 1, WantAnyNumber)) return nullptr;
    ensureConsole();
    host.setConsoleCursor(wrappingAdd32(column.intValue, -1), wrappingAdd32(row.intValue, -1));
    return st;
}

// COLOR foreground[, background]: numbers, either of which may be left empty (56, 19). Opens the
// console if needed. A background sets background * 16 + foreground (foreground 0 when empty);
// a foreground alone sets the attribute to it; with neither the attribute stays.
Statement* Kestrun::CmdConsoleColour(Statement* st) {
    if (!checkArgCount(*this, st, 1, 2, 56)) return nullptr;
    ArgValue foreground{}, background{};
    const bool hasForeground = !isEmptyArg(st, 0);
    const bool hasBackground = !isEmptyArg(st, 1);
    if (hasForeground && !getArg(foreground, st, 0, WantAnyNumber)) return nullptr;
    if (hasBackground && !getArg(background, st, 1, WantAnyNumber)) return nullptr;
    ensureConsole();
    if (hasBackground)
        host.setConsoleAttribute(
            static_cast<std::uint16_t>(wrappingAdd32(wrappingMul32(background.intValue, 16), foreground.intValue)));
    else if (hasForeground)
        host.setConsoleAttribute(static_cast<std::uint16_t>(foreground.intValue));
    return st;
}

// INKEY[(mode)]: at most one number (1). Takes one pending console event without waiting; the
// result is the character of a key press (its virtual-key code when mode is not 0), or an empty
// string. Does not open the console.
Statement* Kestrun::CmdReadKey(Statement* st) {
    if (!checkArgCount(*this, st, 0, 1, 1)) return nullptr;
    bool virtualKey = false;
    if (st->argCount == 1) {
        ArgValue mode;
        if (!getArg(mode, st, 0, WantAnyNumber)) return nullptr;
        virtualKey = mode.intValue != 0;
    }
    const char key = static_cast<char>(host.pollConsoleKey(virtualKey));
    return setStringResult(*this, st, &key, key ? 1 : 0);
}

}  // namespace kestrun
