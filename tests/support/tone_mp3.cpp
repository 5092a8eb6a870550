// Tones encoded with LAME, for the native suite only: LAME is not built for Windows.

#include "support/test_files.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct LameCloser {
    void operator()(lame_global_flags* lame) const { lame_close(lame); }
};
using Lame = std::unique_ptr<lame_global_flags, LameCloser>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

Lame MakeEncoder(int rate, int channels, int kbps) {
    Lame lame(lame_init());
    if (lame == nullptr) {
        return nullptr;
    }
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_num_channels(lame.get(), channels);
    lame_set_mode(lame.get(), channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame.get(), kbps);
    lame_set_quality(lame.get(), 7);
    lame_set_bWriteVbrTag(lame.get(), 1);
    return lame_init_params(lame.get()) == 0 ? std::move(lame) : nullptr;
}

} // namespace

bool WriteMp3(const std::string& path, const std::vector<float>& sound, int rate, int channels,
              int kbps) {
    const Lame lame = MakeEncoder(rate, channels, kbps);
    const File file(std::fopen(path.c_str(), "wb"));
    if (lame == nullptr || file == nullptr) {
        return false;
    }
    constexpr int block = 4096;
    std::vector<unsigned char> encoded(block * 5 / 4 + 7200);
    const auto frames = static_cast<int>(sound.size());
    for (int done = 0; done < frames; done += block) {
        const int count = std::min(block, frames - done);
        const float* samples = sound.data() + done;
        const int bytes = lame_encode_buffer_ieee_float(
            lame.get(), samples, samples, count, encoded.data(), static_cast<int>(encoded.size()));
        if (bytes < 0 || std::fwrite(encoded.data(), 1, bytes, file.get()) != std::size_t(bytes)) {
            return false;
        }
    }
    const int bytes =
        lame_encode_flush(lame.get(), encoded.data(), static_cast<int>(encoded.size()));
    if (bytes < 0 || std::fwrite(encoded.data(), 1, bytes, file.get()) != std::size_t(bytes)) {
        return false;
    }
    // The tag with the encoder's delay and padding takes the place kept for it at the start.
    const std::size_t tagBytes = lame_get_lametag_frame(lame.get(), encoded.data(), encoded.size());
    return tagBytes > 0 && std::fseek(file.get(), 0, SEEK_SET) == 0 &&
           std::fwrite(encoded.data(), 1, tagBytes, file.get()) == tagBytes;
}

bool WriteToneMp3(const std::string& path, int frames, int rate, int channels, int kbps) {
    std::vector<float> tone(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        tone[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 440.0 * i / rate));
    }
    return WriteMp3(path, tone, rate, channels, kbps);
}
