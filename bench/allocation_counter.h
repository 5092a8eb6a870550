#pragma once

// Counts the program's heap allocations through operator new, which every allocation of
// our own code goes through.

#include <cstdint>

std::uint64_t AllocationCount();
