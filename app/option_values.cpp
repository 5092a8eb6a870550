#include "app/option_values.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

bool ReadSignedNumber(const std::string& text, long low, long high, int* value) {
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    int magnitude = 0;
    const long largest = std::max(-low, high);
    if (!ReadNumber(sign ? text.substr(1) : text, 0, largest, &magnitude)) {
        return false;
    }
    const long number = text[0] == '-' ? -static_cast<long>(magnitude) : magnitude;
    if (number < low || number > high) {
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool ReadAudioLatency(const std::string& text, int* ms) {
    return ReadSignedNumber(text, -largestAudioLatencyMs, largestAudioLatencyMs, ms);
}

std::string AudioLatencyRange() {
    return "give milliseconds from " + std::to_string(-largestAudioLatencyMs) + " to " +
           std::to_string(largestAudioLatencyMs);
}

bool ReadNumber(const std::string& text, long low, long high, int* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    const long number = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || number < low || number > high) {
        return false;
    }
    *value = static_cast<int>(number);
    return true;
}

bool ReadSize(const std::string& text, int* width, int* height) {
    const std::size_t cross = text.find('x');
    int readWidth = 0;
    int readHeight = 0;
    if (cross == std::string::npos ||
        !ReadNumber(text.substr(0, cross), 1, largestSide, &readWidth) ||
        !ReadNumber(text.substr(cross + 1), 1, largestSide, &readHeight)) {
        return false;
    }
    *width = readWidth;
    *height = readHeight;
    return true;
}

namespace {

// "+N" or "-N" at *cursor, advanced past it.
bool ReadCoordinate(const std::string& text, std::size_t* cursor, int* value) {
    if (*cursor >= text.size() || (text[*cursor] != '+' && text[*cursor] != '-')) {
        return false;
    }
    const bool negative = text[*cursor] == '-';
    const std::size_t digits = *cursor + 1;
    std::size_t end = text.find_first_of("+-", digits);
    end = end == std::string::npos ? text.size() : end;
    int magnitude = 0;
    if (!ReadNumber(text.substr(digits, end - digits), 0, largestSide, &magnitude)) {
        return false;
    }
    *value = negative ? -magnitude : magnitude;
    *cursor = end;
    return true;
}

} // namespace

bool ReadWindowGeometry(const std::string& text, int* width, int* height, bool* placed, int* x,
                        int* y) {
    const std::size_t corner = text.find_first_of("+-");
    int readWidth = 0;
    int readHeight = 0;
    if (!ReadSize(text.substr(0, corner), &readWidth, &readHeight)) {
        return false;
    }
    int readX = 0;
    int readY = 0;
    std::size_t cursor = corner;
    if (corner != std::string::npos &&
        (!ReadCoordinate(text, &cursor, &readX) || !ReadCoordinate(text, &cursor, &readY) ||
         cursor != text.size())) {
        return false;
    }
    *width = readWidth;
    *height = readHeight;
    *placed = corner != std::string::npos;
    *x = readX;
    *y = readY;
    return true;
}

std::string WindowGeometryText(int width, int height, int x, int y) {
    const auto coordinate = [](int value) {
        return (value < 0 ? "-" : "+") + std::to_string(std::labs(value));
    };
    return std::to_string(width) + "x" + std::to_string(height) + coordinate(x) + coordinate(y);
}
