#include "platform/pixel_formats.h"

#include <array>
#include <cstdlib>

namespace {

const std::array<PixelFormat, 8> formats = {{
    {16, 16, 0},
    {16, 24, 8},
    {32, 16, 0},
    {32, 24, 0},
    {32, 24, 8},
    {32, 16, 8},
    {16, 24, 0},
    {16, 16, 8},
}};

// Missing bits weigh more than extra ones: a format must give at least what is asked.
int Distance(const PixelFormat& offered, const PixelFormat& wanted) {
    const auto cost = [](int have, int want) {
        return have >= want ? have - want : 4 * (want - have);
    };
    return cost(offered.colorBits, wanted.colorBits) * 4 +
           cost(offered.depthBits, wanted.depthBits) * 2 +
           cost(offered.stencilBits, wanted.stencilBits);
}

} // namespace

int StandardPixelFormatCount() {
    return static_cast<int>(formats.size());
}

const PixelFormat& StandardPixelFormat(int format) {
    return formats.at(format - 1);
}

int ClosestStandardPixelFormat(const PixelFormat& wanted) {
    int best = 0;
    int bestDistance = 0;
    for (int i = 0; i < StandardPixelFormatCount(); ++i) {
        const int distance = Distance(formats[i], wanted);
        if (best == 0 || distance < bestDistance) {
            best = i + 1;
            bestDistance = distance;
        }
    }
    return best;
}
