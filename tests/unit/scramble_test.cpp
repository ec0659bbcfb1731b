// Scrambling of the program image: the engine's transform must undo the builder's exactly.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "image_scramble.h"
#include "scramble_key_builder.h"

namespace kestrun {
namespace {

const std::uint8_t kZeroKey[16] = {};

TEST(Unscramble, SwapsBitsThreeAndFourOnly) {
    struct Case {
        std::uint8_t stored, swapped;
    } cases[] = {{0x08, 0x10}, {0x10, 0x08}, {0x18, 0x18}, {0x00, 0x00}, {0xE7, 0xE7}, {0xEF, 0xF7}};
    for (const Case& c : cases) {
        EXPECT_EQ(swapBits3And4(c.stored), c.swapped) << int(c.stored);
        std::uint8_t b = c.stored;
        unscrambleImage(&b, 1, kZeroKey);  // with a zero key only swap and complement remain
        EXPECT_EQ(b, static_cast<std::uint8_t>(~c.swapped)) << int(c.stored);
    }
}

TEST(Unscramble, KeyIndexWrapsAfterSixteenBytes) {
    std::uint8_t key[16];
    std::iota(key, key + 16, 1);  // key byte k is k + 1
    // Stored bytes chosen so that swap and complement give 0: the result is the key byte used.
    std::vector<std::uint8_t> bytes(17, 0xFF);
    unscrambleImage(bytes.data(), bytes.size(), key);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], key[i]) << i;
    EXPECT_EQ(bytes[16], key[0]);  // byte 16 uses key byte 0 again
}

TEST(Unscramble, RoundTripsEveryLengthUpTo64) {
    for (std::size_t length = 0; length <= 64; ++length) {
        std::vector<std::uint8_t> original(length);
        for (std::size_t i = 0; i < length; ++i) original[i] = static_cast<std::uint8_t>(i * 37 + 11);
        std::vector<std::uint8_t> bytes = original;
        scrambleImage(bytes.data(), bytes.size(), kBuilderScrambleKey);
        if (length >= 4) {
            EXPECT_NE(bytes, original) << length;
        }
        unscrambleImage(bytes.data(), bytes.size(), kBuilderScrambleKey);
        EXPECT_EQ(bytes, original) << length;
    }
}

}  // namespace
}  // namespace kestrun
