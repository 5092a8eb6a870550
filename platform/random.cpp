#include "platform/random.h"

#include <cstdint>

namespace {
std::uint32_t state = 1; // the value an unseeded generator starts from
}

int RandomNumber() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void SeedRandomNumbers(unsigned int seed) {
    state = seed;
}
