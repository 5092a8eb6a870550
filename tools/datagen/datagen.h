#pragma once

// Generates the show's data: the pictures and masks and the music, under the names the show
// loads them by.

#include <string>

namespace datagen {

struct DataReport {
    double musicSeconds = 0.0;
    double loudness = 0.0; // LUFS, of the mastered samples
    double peak = 0.0;     // dBFS, of the mastered samples
    std::size_t mp3Bytes = 0;
};

// Writes every file into folder, which must exist, and when contactSheet is not empty a PNG
// of all the pictures and of frames of the show there. Empty on success, otherwise what
// went wrong.
std::string GenerateShowData(const std::string& folder, const std::string& contactSheet,
                             DataReport* report);

} // namespace datagen
