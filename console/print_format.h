// The printed form of values: how the print statement (on the console, in a window, into a text
// file) and the number-to-text function write each VarType.
#pragma once
#include <cstdint>

#include "kestrun.h"
#include "text_line.h"

namespace kestrun {

// Appends the printed form of one fetched value to line:
//   STRING the text; CHAR the character (a zero character prints nothing);
//   INT "%d " (a blank after it); WORD "%d"; UINT "%u "; INT64 and UINT64 the full value and a blank;
//   FLOAT and DOUBLE without fraction as a whole number and a blank, with a fraction as a blank
//   and the value with DECIMAL_PREC decimals;
//   MEMORY, DIALOG, BFILE, USER_0 and POINTER the stored word as eight hexadecimal digits and a
//   blank; FILE and ARRAY_0 "%"; WINDOW and every other type nothing.
void appendPrinted(const Kestrun& k, TextLine& line, const ArgValue& value);

// Appends a whole number given as a double: in the signed 64-bit range as that integer, beyond it
// with every digit of the double (never the wrapped integer).
void appendWholeNumber(TextLine& line, double value);

// Appends value with `precision` decimals ("%.*f"); the precision is limited to 1100, which
// already shows every digit a double can hold.
void appendDecimals(TextLine& line, double value, std::int32_t precision);

}  // namespace kestrun
