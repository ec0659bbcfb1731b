// The printed form of each VarType.
#include "print_format.h"

#include <cinttypes>
#include <cmath>
#include <cstring>

#include "results.h"

namespace kestrun {

namespace {

constexpr std::int32_t kMaxDecimals = 1100;

bool hasFraction(double value) { return std::trunc(value) != value; }

}  // namespace

void appendWholeNumber(TextLine& line, double value) {
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0)
        line.appendFormat("%" PRId64, static_cast<std::int64_t>(value));
    else
        line.appendFormat("%.0f", value);
}

void appendDecimals(TextLine& line, double value, std::int32_t precision) {
    if (precision > kMaxDecimals) precision = kMaxDecimals;
    line.appendFormat("%.*f", static_cast<int>(precision), value);
}

void appendPrinted(const Kestrun& k, TextLine& line, const ArgValue& a) {
    switch (a.valueType) {
        case TypeString: {
            const TextView text = textOf(k, a);
            line.append(text.text, text.length);
            break;
        }
        case TypeChar:
            if (a.charValue) line.append(static_cast<char>(a.charValue));
            break;
        case TypeInt:
            line.appendFormat("%d ", static_cast<int>(a.intValue));
            break;
        case TypeWord:
            line.appendFormat("%d", static_cast<int>(a.intValue));
            break;
        case TypeUInt:
            line.appendFormat("%u ", static_cast<unsigned>(static_cast<std::uint32_t>(a.intValue)));
            break;
        case TypeFloat:
        case TypeDouble:
            if (hasFraction(a.doubleValue)) {
                line.append(' ');
                appendDecimals(line, a.doubleValue, k.decimalPrecision);
            } else {
                appendWholeNumber(line, a.doubleValue);
                line.append(' ');
            }
            break;
        case TypeInt64:
            line.appendFormat("%" PRId64 " ", a.int64Value);
            break;
        case TypeUInt64:
            line.appendFormat("%" PRIu64 " ", static_cast<std::uint64_t>(a.int64Value));
            break;
        case TypeMemory:
        case TypeDialog:
        case TypeBFile:
        case TypeUser:
        case TypePointer:
            line.appendFormat("%08" PRIX32 " ", static_cast<std::uint32_t>(a.object));
            break;
        case TypeFile:
        case TypeArray:
            line.append('%');
            break;
        default:  // WINDOW (it selects the destination), SYSTEM_0, LABEL_0
            break;
    }
}

}  // namespace kestrun
