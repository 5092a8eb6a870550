#pragma once

// The input of the picture fuzzer, shared with the maker of its seeds: the picture's
// format (byte 0), the mask's format or none (byte 1), the depth asked for (byte 2), the
// picture's length (bytes 3 and 4, little-endian), the picture's bytes, then the mask's.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// File name endings of the thirteen accepted formats.
constexpr const char* fuzzedFormats[] = {"bmp", "ico", "jpg", "koa", "pbm", "pcd", "pcx",
                                         "pgm", "png", "ppm", "ras", "tga", "tif"};
constexpr int formatCount = static_cast<int>(sizeof(fuzzedFormats) / sizeof(fuzzedFormats[0]));
constexpr int noMask = formatCount;
// The scene's depth first, then the others a load may ask for, and one that converts nothing.
constexpr int fuzzedDepths[] = {32, 0, 8, 16, 24, 7};

struct PictureInput {
    const char* pictureFormat;
    const char* maskFormat; // null: no mask
    int depth;
    std::string picture;
    std::string mask;
};

std::optional<PictureInput> SplitPictureInput(const std::uint8_t* data, std::size_t size);
std::string JoinPictureInput(int pictureFormat, int maskFormat, int depthIndex,
                             const std::string& picture, const std::string& mask);

// The files of one input, in a private folder made once and removed when the process ends.
class FuzzFiles {
public:
    // The path of the file written.
    std::string Write(const char* name, const char* extension, const std::string& bytes) const;
};
