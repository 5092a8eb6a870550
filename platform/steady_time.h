#pragma once

// The monotonic clock that the live backends keep their milliseconds and their audio pulls'
// time with. Not for use outside platform/.

#include <cstdint>

std::uint32_t SteadyMilliseconds(); // wraps modulo 2^32
std::int64_t SteadyNanoseconds();
