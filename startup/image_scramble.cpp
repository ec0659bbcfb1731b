#include "image_scramble.h"

namespace kestrun {

void unscrambleImage(std::uint8_t* bytes, std::size_t length, const std::uint8_t* key) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t b = swapBits3And4(bytes[i]);
        b = static_cast<std::uint8_t>(~b);
        bytes[i] = static_cast<std::uint8_t>(b ^ key[k]);
        k = (k + 1) % kScrambleKeyLength;
    }
}

void scrambleImage(std::uint8_t* bytes, std::size_t length, const std::uint8_t* key) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t b = static_cast<std::uint8_t>(bytes[i] ^ key[k]);
        b = static_cast<std::uint8_t>(~b);
        bytes[i] = swapBits3And4(b);
        k = (k + 1) % kScrambleKeyLength;
    }
}

}  // namespace kestrun
