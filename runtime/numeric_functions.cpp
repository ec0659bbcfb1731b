// The numeric functions: nineteen one-argument functions of a double (codes 95 to 113) that
// share one handler driven by a table, and the bitwise complement of a 32-bit integer.
#include <cmath>
#include <cstdint>

#include "kestrun.h"
#include "numeric.h"
#include "results.h"

namespace kestrun {

namespace {

using Compute = double (*)(Kestrun&, double);

constexpr int kFirstNumericCode = 95;

// Indexed by CommandCode - 95. Domain errors give the library's NaN or infinity, never an error.
const Compute kNumericFunctions[] = {
    [](Kestrun&, double x) { return std::sin(x); },    // 95
    [](Kestrun&, double x) { return std::cos(x); },    // 96
    [](Kestrun&, double x) { return std::tan(x); },    // 97
    [](Kestrun&, double x) { return std::asin(x); },   // 98
    [](Kestrun&, double x) { return std::acos(x); },   // 99
    [](Kestrun&, double x) { return std::atan(x); },   // 100
    [](Kestrun&, double x) { return std::fabs(x); },   // 101
    [](Kestrun&, double x) { return std::ceil(x); },   // 102
    [](Kestrun&, double x) { return std::floor(x); },  // 103
    [](Kestrun&, double x) { return std::sqrt(x); },   // 104
    [](Kestrun&, double x) { return std::exp(x); },    // 105
    // 106: a value from 0 up to, not including, x (down to, not including, x when x is negative).
    [](Kestrun& k, double x) { return k.nextRandom() * (1.0 / 32768.0) * x; },
    // 107: truncated toward zero to 64 bits, of which the low 32 bits are a signed integer.
    [](Kestrun&, double x) {
        return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(truncToInt64(x))));
    },
    [](Kestrun&, double x) { return std::sinh(x); },   // 108
    [](Kestrun&, double x) { return std::cosh(x); },   // 109
    [](Kestrun&, double x) { return std::tanh(x); },   // 110
    [](Kestrun&, double x) { return std::log(x); },    // 111
    [](Kestrun&, double x) { return std::log10(x); },  // 112
    // 113: 0 for zero of either sign and for NaN.
    [](Kestrun&, double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; },
};
constexpr int kNumericFunctionCount = sizeof kNumericFunctions / sizeof kNumericFunctions[0];
static_assert(kNumericFunctionCount == 113 - 95 + 1, "one entry per code from 95 to 113");

}  // namespace

// Exactly one numeric argument (1 for another count, 19 from the fetch for a value that is not a
// number); the function of st's code computes on its double view; SYSTEM_DOUBLE0, resultType 14.
Statement* Kestrun::runNumericFunction(Statement* st) {
    const int index = st->code - kFirstNumericCode;
    if (index < 0 || index >= kNumericFunctionCount) return failStatement(*this, 1);
    if (!checkArgCount(*this, st, 1, 1, 1)) return nullptr;
    ArgValue x;
    if (!getArg(x, st, 0, WantAnyNumber)) return nullptr;
    return setDoubleResult(*this, st, kNumericFunctions[index](*this, x.doubleValue));
}

#define KESTRUN_NUMERIC_FUNCTION(name) \
    Statement* Kestrun::name(Statement* st) { return runNumericFunction(st); }
KESTRUN_NUMERIC_FUNCTION(CmdSin)
KESTRUN_NUMERIC_FUNCTION(CmdCos)
KESTRUN_NUMERIC_FUNCTION(CmdTan)
KESTRUN_NUMERIC_FUNCTION(CmdArcSin)
KESTRUN_NUMERIC_FUNCTION(CmdArcCos)
KESTRUN_NUMERIC_FUNCTION(CmdArcTan)
KESTRUN_NUMERIC_FUNCTION(CmdAbs)
KESTRUN_NUMERIC_FUNCTION(CmdCeil)
KESTRUN_NUMERIC_FUNCTION(CmdFloor)
KESTRUN_NUMERIC_FUNCTION(CmdSqrt)
KESTRUN_NUMERIC_FUNCTION(CmdExp)
KESTRUN_NUMERIC_FUNCTION(CmdRandom)
KESTRUN_NUMERIC_FUNCTION(CmdIntPart)
KESTRUN_NUMERIC_FUNCTION(CmdSinh)
KESTRUN_NUMERIC_FUNCTION(CmdCosh)
KESTRUN_NUMERIC_FUNCTION(CmdTanh)
KESTRUN_NUMERIC_FUNCTION(CmdLog)
KESTRUN_NUMERIC_FUNCTION(CmdLog10)
KESTRUN_NUMERIC_FUNCTION(CmdSign)
#undef KESTRUN_NUMERIC_FUNCTION

// BITNOT: exactly one numeric argument (1 for another count, 19 for a value that is not a
// number); the complement of its 32-bit integer view (a real truncated toward zero) goes to
// SYSTEM_INT0, resultType 2.
Statement* Kestrun::CmdBitNot(Statement* st) {
    if (!checkArgCount(*this, st, 1, 1, 1)) return nullptr;
    ArgValue x;
    if (!getArg(x, st, 0, WantAnyNumber)) return nullptr;
    return setIntResult(*this, st, ~x.intValue);
}

}  // namespace kestrun
