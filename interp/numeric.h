// Conversions between the language's number forms. Truncation of a double that does not fit
// the target gives the processor's "integer indefinite" value (the lowest integer), as the
// x86 conversion instructions do, instead of undefined behaviour.
#pragma once
#include <cmath>
#include <cstdint>

namespace kestrun {

inline std::int32_t truncToInt32(double d) {
    if (!(d > -2147483649.0 && d < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(d);
}

inline std::int64_t truncToInt64(double d) {
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<std::int64_t>(d);
}

// Truncation to an unsigned 32-bit pattern: values in the signed or unsigned range keep their
// low 32 bits.
inline std::uint32_t truncToUInt32(double d) {
    if (d >= 0 && d < 4294967296.0) return static_cast<std::uint32_t>(d);
    return static_cast<std::uint32_t>(truncToInt64(d));
}

inline float roundToFloat(double d) { return static_cast<float>(d); }

// 32-bit integer arithmetic that wraps around as the processor's does, for values a program
// supplies (any int32 may arrive) where the language defines no overflow error.
inline std::int32_t wrappingAdd32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrappingMul32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

}  // namespace kestrun
