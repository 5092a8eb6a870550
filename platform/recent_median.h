#pragma once

// The median of the last Kept values taken, so that one stray value moves nothing and a lasting
// change is followed within half as many.

#include <algorithm>
#include <array>
#include <cstddef>

template <typename T, int Kept>
class RecentMedian {
public:
    // Takes value and returns the median of the last Kept values, this one included.
    T Take(T value) {
        values[static_cast<std::size_t>(count % Kept)] = value;
        ++count;
        const int kept = std::min(count, Kept);
        std::array<T, Kept> sorted = values;
        std::nth_element(sorted.begin(), sorted.begin() + kept / 2, sorted.begin() + kept);
        median = sorted[static_cast<std::size_t>(kept / 2)];
        return median;
    }
    // 0 until a value is taken.
    T Median() const { return median; }

private:
    std::array<T, Kept> values{};
    int count = 0;
    T median{};
};
