// Scrambling of the embedded program image.
//
// The builder scrambles each byte as: XOR with the key byte, complement, swap bits 3 and 4.
// The engine undoes it: swap bits 3 and 4, complement, XOR with the key byte. The key index
// starts at 0 with the first byte of the image and wraps after 16 bytes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrun {

constexpr std::size_t kScrambleKeyLength = 16;

// Exchanges bits 3 and 4 of b; the other six bits keep their places.
constexpr std::uint8_t swapBits3And4(std::uint8_t b) {
    return static_cast<std::uint8_t>((b & 0xE7) | ((b & 0x08) << 1) | ((b & 0x10) >> 1));
}

// In-place inverse transform applied by the engine to the resource copy.
void unscrambleImage(std::uint8_t* bytes, std::size_t length, const std::uint8_t* key);

// In-place transform applied by the program builder; unscrambleImage undoes it exactly.
void scrambleImage(std::uint8_t* bytes, std::size_t length, const std::uint8_t* key);

}  // namespace kestrun
