// The random generator behind RND. Its recurrence is written out here, so a seed gives the same
// values on every platform: state = state * 214013 + 2531011 (mod 2^32), and each draw is bits
// 16 to 30 of the new state.
#include "kestrun.h"

namespace kestrun {

void Kestrun::seedRandom(std::uint32_t seed) {
    randomState = seed;
    (void)nextRandom();
}

std::int32_t Kestrun::nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<std::int32_t>((randomState >> 16) & 0x7FFFu);
}

}  // namespace kestrun
