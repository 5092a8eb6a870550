#include "app/program_icon.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

constexpr int iconSize = 32;
constexpr std::size_t iconPixels = static_cast<std::size_t>(iconSize) * iconSize;

// The 16 colours of the classic VGA palette; the icon uses a few of them.
constexpr std::array<std::uint32_t, 16> palette = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
constexpr int black = 0;
constexpr int darkGrey = 8;
constexpr int yellow = 11;
constexpr int white = 15;

// A dial with a ring and a pendulum swung to one side.
int ColourAt(int x, int y) {
    const double dx = x + 0.5 - iconSize / 2.0;
    const double dy = y + 0.5 - iconSize / 2.0;
    const double radius = std::sqrt(dx * dx + dy * dy);
    if (radius > 15.5) {
        return -1;
    }
    if (radius > 13.0) {
        return yellow;
    }
    // The pendulum runs from the hub up and to the right.
    const double along = (dx * 0.5 - dy * 0.866);
    const double across = std::fabs(dx * 0.866 + dy * 0.5);
    if (along > -1.0 && along < 11.0 && across < 1.3) {
        return white;
    }
    if (radius < 2.5) {
        return white;
    }
    return radius > 11.5 ? darkGrey : black;
}

std::array<std::uint32_t, iconPixels> Draw() {
    std::array<std::uint32_t, iconPixels> pixels{};
    for (int y = 0; y < iconSize; ++y) {
        for (int x = 0; x < iconSize; ++x) {
            const int colour = ColourAt(x, y);
            pixels[static_cast<std::size_t>(y) * iconSize + x] = colour < 0 ? 0u : palette[colour];
        }
    }
    return pixels;
}

} // namespace

const IconImage& ProgramIcon() {
    static const std::array<std::uint32_t, iconPixels> pixels = Draw();
    static const IconImage icon{iconSize, iconSize, pixels.data()};
    return icon;
}
