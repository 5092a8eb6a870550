#pragma once

// What data/muzak.mp3 decodes to on Linux, where libmpg123 decodes it gaplessly: its length
// and a few of its samples, left and right, where the music moves fast enough that a decoder
// one sample early or late misses them. The Windows build's decoder must give the same.

#include <array>
#include <cstdint>

struct MusicSample {
    std::int64_t frame;
    float left;
    float right;
};

constexpr int showMusicRate = 44100;
constexpr std::int64_t showMusicFrames = 2910600; // 66.0 s
constexpr std::array<MusicSample, 5> showMusicSamples = {{
    {88200, -0.0211917f, 0.0531123f},
    {88201, 0.0915072f, 0.1112605f},
    {88202, 0.0653549f, 0.0474947f},
    {1455300, 0.1097296f, 0.0749423f},
    {1455301, 0.1468932f, 0.0994434f},
}};
