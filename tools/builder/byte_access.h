// Bounded little-endian access to byte buffers. Every read checks the range first, so offsets taken
// from an untrusted file can never reach past the buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrun {

// True when [offset, offset + length) lies inside a buffer of size bytes (overflow-safe).
inline bool rangeInside(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

// Reads a little-endian 16-bit value at offset; false (value untouched) when out of range.
inline bool readU16(const std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint16_t& value) {
    if (!rangeInside(bytes.size(), offset, 2)) return false;
    const std::size_t at = static_cast<std::size_t>(offset);
    value = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    return true;
}

// Reads a little-endian 32-bit value at offset; false (value untouched) when out of range.
inline bool readU32(const std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint32_t& value) {
    if (!rangeInside(bytes.size(), offset, 4)) return false;
    const std::size_t at = static_cast<std::size_t>(offset);
    value = static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
            (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    return true;
}

// Stores value little-endian at offset; the caller guarantees offset + 2 <= bytes.size().
inline void writeU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset + 1);  // throws rather than writes out of range
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Stores value little-endian at offset; the caller guarantees offset + 4 <= bytes.size().
inline void writeU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    bytes.at(offset + 3);  // throws rather than writes out of range
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Rounds value up to a multiple of alignment (a power of two); false on 32-bit overflow.
inline bool alignUp32(std::uint64_t value, std::uint32_t alignment, std::uint32_t& result) {
    const std::uint64_t aligned = (value + alignment - 1) & ~static_cast<std::uint64_t>(alignment - 1);
    if (aligned > 0xFFFFFFFFu) return false;
    result = static_cast<std::uint32_t>(aligned);
    return true;
}

}  // namespace kestrun
