#pragma once

// Counts the program's heap allocations through operator new, which every allocation of
// our own code goes through. Under AddressSanitizer the sanitizer owns operator new, so
// nothing is counted there.

#include <cstdint>

bool AllocationsCounted();
std::uint64_t AllocationCount();
