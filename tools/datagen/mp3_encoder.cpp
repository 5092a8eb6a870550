#include "tools/datagen/mp3_encoder.h"

#include "tools/datagen/synth.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace datagen {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

constexpr int chunkFrames = 1152 * 16;
// LAME's bound for its output buffer: 1.25 times the samples plus 7200 bytes.
constexpr int chunkBytes = chunkFrames * 5 / 4 + 7200;

} // namespace

Mp3 EncodeMp3(const std::vector<float>& left, const std::vector<float>& right) {
    Mp3 mp3;
    const std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        mp3.error = "LAME cannot start";
        return mp3;
    }
    lame_set_in_samplerate(lame.get(), sampleRate);
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), 192);
    lame_set_quality(lame.get(), 2);
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) {
        mp3.error = "LAME refuses the settings";
        return mp3;
    }

    std::vector<unsigned char> chunk(chunkBytes);
    const std::size_t frames = std::min(left.size(), right.size());
    for (std::size_t start = 0; start < frames; start += chunkFrames) {
        const int count = static_cast<int>(std::min<std::size_t>(chunkFrames, frames - start));
        const int written = lame_encode_buffer_ieee_float(
            lame.get(), left.data() + start, right.data() + start, count, chunk.data(), chunkBytes);
        if (written < 0) {
            mp3.error = "LAME fails to encode";
            return mp3;
        }
        mp3.bytes.insert(mp3.bytes.end(), chunk.begin(), chunk.begin() + written);
    }
    const int flushed = lame_encode_flush(lame.get(), chunk.data(), chunkBytes);
    if (flushed < 0) {
        mp3.error = "LAME fails to finish";
        return mp3;
    }
    mp3.bytes.insert(mp3.bytes.end(), chunk.begin(), chunk.begin() + flushed);

    // LAME kept the first frame free for its tag, which it can only fill in now.
    unsigned char tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.bytes.size()) {
        mp3.error = "LAME gives no tag frame";
        return mp3;
    }
    std::memcpy(mp3.bytes.data(), tag, tagSize);
    return mp3;
}

} // namespace datagen
