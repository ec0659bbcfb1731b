// The conversion matrix of assignment and the numeric store every source kind goes through.
#include "value_conversion.h"

#include <cstring>

#include "numeric.h"

namespace kestrun {

namespace {

constexpr std::uint32_t bit(int type) { return 1u << type; }

// The numbers that convert into every numeric type, and the two 64-bit ones that only widen.
constexpr std::uint32_t kNarrowNumbers =
    bit(TypeChar) | bit(TypeInt) | bit(TypeFloat) | bit(TypeWord) | bit(TypeDouble) | bit(TypeUInt);
constexpr std::uint32_t kWideNumbers = bit(TypeInt64) | bit(TypeUInt64);
constexpr std::uint32_t kWindowObjects = bit(TypeWindow) | bit(TypeDialog);
constexpr std::uint32_t kEveryType = (1u << kVarTypeCount) - 1;

// Row t: the types of variables whose values an element of type t takes (different types only).
// STRING takes a CHAR as one character; CHAR takes a STRING's first character; INT and UINT take
// the system window handle of a WINDOW or DIALOG; POINTER takes the address of any other element.
constexpr std::uint32_t kConvertsFrom[kVarTypeCount] = {
    /* STRING   */ bit(TypeChar),
    /* CHAR     */ kNarrowNumbers | bit(TypeString),
    /* INT      */ kNarrowNumbers | kWindowObjects,
    /* FLOAT    */ kNarrowNumbers,
    /* ARRAY_0  */ 0,
    /* MEMORY   */ 0,
    /* FILE     */ 0,
    /* SYSTEM_0 */ 0,
    /* LABEL_0  */ 0,
    /* WINDOW   */ 0,
    /* DIALOG   */ 0,
    /* BFILE    */ 0,
    /* ISTRING  */ 0,
    /* WORD     */ bit(TypeChar) | bit(TypeInt) | bit(TypeFloat) | bit(TypeDouble),
    /* DOUBLE   */ kNarrowNumbers | kWideNumbers,
    /* USER_0   */ 0,
    /* POINTER  */ kEveryType & ~bit(TypePointer),
    /* INT64    */ kNarrowNumbers | kWideNumbers,
    /* UINT64   */ kNarrowNumbers | kWideNumbers,
    /* UINT     */ kNarrowNumbers | kWindowObjects,
};

// Truncation to an unsigned 64-bit pattern: values in the signed or unsigned range keep their
// low 64 bits, anything else gives the integer indefinite.
std::uint64_t truncToUInt64(double d) {
    if (d >= 0 && d < 18446744073709551616.0) return static_cast<std::uint64_t>(d);
    return static_cast<std::uint64_t>(truncToInt64(d));
}

template <typename T>
void put(std::uint8_t* address, T value) {
    std::memcpy(address, &value, sizeof value);
}

template <typename T>
T get(const std::uint8_t* address) {
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

}  // namespace

bool convertsFrom(std::uint8_t target, std::uint8_t source) {
    return target < kVarTypeCount && source < kVarTypeCount && (kConvertsFrom[target] & bit(source)) != 0;
}

bool numberAt(std::uint8_t type, const std::uint8_t* address, Number& out) {
    switch (type) {
        case TypeChar: out = integerNumber(get<std::uint8_t>(address)); return true;
        case TypeWord: out = integerNumber(get<std::uint16_t>(address)); return true;
        case TypeInt: out = integerNumber(get<std::int32_t>(address)); return true;
        case TypeUInt: out = integerNumber(get<std::uint32_t>(address)); return true;
        case TypeInt64:
        case TypeUInt64: out = integerNumber(get<std::int64_t>(address)); return true;
        case TypeFloat: out = realNumber(get<float>(address)); return true;
        case TypeDouble: out = realNumber(get<double>(address)); return true;
        default: return false;
    }
}

bool storeNumber(std::uint8_t type, std::uint8_t* address, const Number& n) {
    const double d = n.realValue;
    const std::uint64_t bits = static_cast<std::uint64_t>(n.intValue);
    switch (type) {
        case TypeChar:
            put(address, static_cast<std::uint8_t>(n.real ? static_cast<std::uint64_t>(truncToInt64(d)) : bits));
            return true;
        case TypeWord:
            put(address, static_cast<std::uint16_t>(n.real ? static_cast<std::uint64_t>(truncToInt64(d)) : bits));
            return true;
        case TypeInt:
            put(address, n.real ? truncToInt32(d) : static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
            return true;
        case TypeUInt:
            put(address, n.real ? truncToUInt32(d) : static_cast<std::uint32_t>(bits));
            return true;
        case TypeInt64:
            put(address, n.real ? truncToInt64(d) : n.intValue);
            return true;
        case TypeUInt64:
            put(address, n.real ? truncToUInt64(d) : bits);
            return true;
        case TypeFloat:
            put(address, roundToFloat(n.real ? d : static_cast<double>(n.intValue)));
            return true;
        case TypeDouble:
            put(address, n.real ? d : static_cast<double>(n.intValue));
            return true;
        default:
            return false;
    }
}

void storeWord(std::uint8_t* address, std::uint32_t word) { put(address, word); }

}  // namespace kestrun
