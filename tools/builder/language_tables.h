// Look-up of the language's keywords and built-in constant names, and the three-byte tokens that
// stand for them in the line image.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrun {

constexpr std::uint8_t kKeywordTokenLead = 0xFF;
constexpr std::uint8_t kConstantTokenLead = 0xFE;
constexpr int kHighestConstantIndex = 497;  // highest table entry a constant token can address

constexpr int kLetCode = 20;
constexpr int kIfCode = 6;
constexpr int kThenCode = 218;

// Returns the command code of the keyword spelled by word, compared without regard to letter case,
// or -1 when word is not a keyword.
int findKeywordCode(std::string_view word);

// Returns the table index of the built-in constant called name (any letter case), or -1.
int findConstantIndex(std::string_view name);

// Appends the three token bytes: lead, 0xE0 + value div 16, 0xE0 + value mod 16.
// value must lie in 0..511 so that both bytes stay within 0xE0..0xFF.
void appendToken(std::string& out, std::uint8_t lead, int value);

}  // namespace kestrun
