// Shared state of the expression evaluator (expression*.cpp): the per-depth working context, the
// value record and the limits of one evaluation.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kestrun.h"

namespace kestrun {

// Longest expression text; a longer one stops with error 1 instead of being cut.
constexpr std::size_t kExpressionTextMax = 1023;
// Computed values that one evaluation can write into its text as markers.
constexpr int kExpressionNumbers = 29;
constexpr int kExpressionTexts = 28;  // strings and names together
// Operands and operators of one level (commas included).
constexpr int kLevelOperands = 15;
constexpr int kLevelOperators = 14;

// Marker bytes written into the working copy in place of an evaluated level. The second byte of
// the first three is the 1-based index of the value; the compiler never writes these bytes.
constexpr unsigned char kMarkNumber = 4;
constexpr unsigned char kMarkString = 5;
constexpr unsigned char kMarkName = 6;
constexpr unsigned char kMarkEmpty = 7;

inline bool isMarker(unsigned char c) { return c >= kMarkNumber && c <= kMarkEmpty; }

enum class ValueKind : std::uint8_t { Number, String, Name };

// A number, or a text (string or name) held in the context's pool at [offset, offset + length)
// with a zero byte after it. A name's negated flag stands for a minus written before it.
struct Kestrun::ExpressionValue {
    ValueKind kind;
    bool negated;
    double number;
    std::uint32_t offset;
    std::uint32_t length;
};

struct Kestrun::ExpressionLevel {
    ExpressionValue results[kLevelOperands];
    int resultCount;
    char* end;  // the level's ")" or the end of the text
};

// Everything one evaluation works on. Allocated once per nesting depth and reused; only the pool
// grows, and only when an evaluation needs more text room than any before it at that depth.
struct Kestrun::ExpressionContext {
    char copy[kExpressionTextMax + 1];
    double numbers[kExpressionNumbers];
    int numberCount;
    ExpressionValue texts[kExpressionTexts];
    int textCount;
    char* pool;               // texts of strings and names, each followed by a zero byte
    std::size_t poolSize;
    std::size_t poolCapacity;
    Statement* statement;     // calls made from this depth; created on first use

    // Reserves room for a text of length bytes plus its zero byte and returns its offset, or
    // false when memory runs out. Pointers into the pool are invalid after a reservation.
    bool reserveText(std::size_t length, std::uint32_t& offset);
    // Stores a copy of [text, text + length); false when memory runs out. text must not point
    // into the pool.
    bool storeText(const char* text, std::size_t length, ExpressionValue& value, ValueKind kind);
    char* textOf(const ExpressionValue& value) { return pool + value.offset; }
};

}  // namespace kestrun
