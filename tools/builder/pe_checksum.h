// The checksum field of a PE optional header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrun {

// Computes the image checksum the way the system's checksum routine does: the file as 16-bit
// little-endian words (a last odd byte padded with zero) summed with end-around carry, the four
// bytes of the checksum field at checksumOffset counted as zero, plus the file length.
std::uint32_t computePeChecksum(const std::vector<std::uint8_t>& file, std::size_t checksumOffset);

}  // namespace kestrun
