#include "pe_checksum.h"

namespace kestrun {

std::uint32_t computePeChecksum(const std::vector<std::uint8_t>& file, std::size_t checksumOffset) {
    auto byteAt = [&](std::size_t i) -> std::uint32_t {
        if (i >= file.size() || (i >= checksumOffset && i - checksumOffset < 4)) return 0;
        return file[i];
    };
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        sum += byteAt(i) | (byteAt(i + 1) << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace kestrun
