#include "app/option_values.h"

#include <cerrno>
#include <cstdlib>

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
