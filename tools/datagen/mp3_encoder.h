#pragma once

// MP3 encoding with LAME: constant 192 kbit/s joint stereo, with a LAME tag in the first
// frame that gives decoders the encoder delay and padding, so they play the exact length.

#include <string>
#include <vector>

namespace datagen {

struct Mp3 {
    std::vector<unsigned char> bytes;
    std::string error; // empty on success
};

// Samples from -1 to 1 at 44.1 kHz, one vector per side of equal length.
Mp3 EncodeMp3(const std::vector<float>& left, const std::vector<float>& right);

} // namespace datagen
