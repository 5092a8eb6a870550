// The layout of an MP3 as the Windows build reads it to cut the encoder's delay and padding
// itself, checked here against libmpg123's gapless decoding of the same files: the music's
// length must come out the same, and so the position and the end on both systems.

#include "platform/audio_file.h"
#include "platform/win32/mp3_layout.h"
#include "support/show_music.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What libmpg123 decodes the file to, frame by frame.
std::int64_t DecodedFrames(const std::string& path) {
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    EXPECT_EQ(error, AudioFileError::None);
    if (!file) {
        return -1;
    }
    std::vector<float> samples(std::size_t{4096} * 2);
    std::int64_t total = 0;
    for (int read = 0; (read = file->Read(samples.data(), 4096)) > 0;) {
        total += read;
    }
    return total;
}

// An MPEG-1 Layer-3 frame at 128 kbit/s and 44.1 kHz, stereo, with no music in it.
std::vector<std::uint8_t> SilentFrame(bool padded) {
    std::vector<std::uint8_t> frame(417 + (padded ? 1 : 0), 0);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = padded ? 0x92 : 0x90;
    frame[3] = 0x00;
    return frame;
}

std::vector<std::uint8_t> Frames(int count) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        const std::vector<std::uint8_t> frame = SilentFrame(i % 3 == 1);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

class Mp3LayoutAgainstLibmpg123 : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(Mp3LayoutAgainstLibmpg123, TheMusicIsAsLongAsTheGaplessDecoderMakesIt) {
    const auto [frames, rate, channels] = GetParam();
    const TemporaryFolder folder;
    const std::string path = folder.File("tone.mp3");
    ASSERT_TRUE(WriteToneMp3(path, frames, rate, channels, rate < 32000 ? 64 : 128));
    Mp3Layout layout;
    ASSERT_TRUE(ReadMp3Layout(ReadBytes(path), &layout));
    EXPECT_EQ(layout.rate, rate);
    EXPECT_EQ(layout.channels, channels);
    EXPECT_EQ(layout.MusicFrames(), frames);
    EXPECT_EQ(layout.MusicFrames(), DecodedFrames(path));
    EXPECT_LE(layout.musicEnd, layout.frames * layout.samplesPerFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Tones, Mp3LayoutAgainstLibmpg123,
    ::testing::Values(std::make_tuple(44100, 44100, 2), std::make_tuple(1, 44100, 2),
                      std::make_tuple(1152, 44100, 1), std::make_tuple(1153, 48000, 2),
                      std::make_tuple(30000, 32000, 1), std::make_tuple(22050, 22050, 2),
                      std::make_tuple(8000, 11025, 1)));

TEST(Mp3Layout, TheShowsMusicIsWhatLibmpg123Plays) {
    const std::string path = std::string(TUVORAN_SOURCE_DIR) + "/data/muzak.mp3";
    Mp3Layout layout;
    ASSERT_TRUE(ReadMp3Layout(ReadBytes(path), &layout));
    EXPECT_EQ(layout.MusicFrames(), showMusicFrames);

    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->Rate(), showMusicRate);
    std::vector<float> samples(static_cast<std::size_t>(showMusicFrames) * 2);
    std::int64_t read = 0;
    for (int got = 0; (got = file->Read(samples.data() + read * 2, 65536)) > 0;) {
        read += got;
    }
    ASSERT_EQ(read, showMusicFrames);
    for (const MusicSample& sample : showMusicSamples) {
        SCOPED_TRACE(sample.frame);
        EXPECT_NEAR(samples[static_cast<std::size_t>(sample.frame) * 2], sample.left, 1e-6);
        EXPECT_NEAR(samples[static_cast<std::size_t>(sample.frame) * 2 + 1], sample.right, 1e-6);
    }
}

TEST(Mp3Layout, AStreamWithoutTheEncodersTagIsAllMusic) {
    Mp3Layout layout;
    ASSERT_TRUE(ReadMp3Layout(Frames(5), &layout));
    EXPECT_EQ(layout.audioStart, 0);
    EXPECT_EQ(layout.frames, 5);
    EXPECT_EQ(layout.musicStart, 0);
    EXPECT_EQ(layout.musicEnd, 5 * 1152);
    EXPECT_EQ(layout.bitrate, 128000);
}

TEST(Mp3Layout, AnId3TagBeforeTheFramesAndAFrameCutShortAfterThemAreNotMusic) {
    std::vector<std::uint8_t> bytes = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0}; // 128 bytes follow
    bytes.resize(bytes.size() + 128, 0xFF); // a tag full of false frame starts
    const std::vector<std::uint8_t> frames = Frames(4);
    bytes.insert(bytes.end(), frames.begin(), frames.end() - 100);
    Mp3Layout layout;
    ASSERT_TRUE(ReadMp3Layout(bytes, &layout));
    EXPECT_EQ(layout.audioStart, 138);
    EXPECT_EQ(layout.frames, 3);
    EXPECT_EQ(layout.MusicFrames(), 3 * 1152);
}

// The reservoir of 511 bytes must be filled before the frame two ahead of the target.
TEST(Mp3Layout, DecodingStartsFarEnoughBackForTheBitReservoir) {
    Mp3Layout layout;
    ASSERT_TRUE(ReadMp3Layout(Frames(40), &layout));
    ASSERT_EQ(layout.dataBytes.size(), 40u);
    EXPECT_EQ(layout.dataBytes[0], 417 - 4 - 32);
    EXPECT_EQ(DecodingStartFor(layout, 20), 16); // two frames of 381 bytes before frame 18
    EXPECT_EQ(DecodingStartFor(layout, 3), 0);
    EXPECT_EQ(DecodingStartFor(layout, 0), 0);
    EXPECT_EQ(DecodingStartFor(layout, 40), 36);
}

TEST(Mp3Layout, BytesThatHoldNoRunOfFramesAreNotMp3) {
    Mp3Layout layout;
    EXPECT_FALSE(ReadMp3Layout({}, &layout));
    const std::string text = "RIFF....WAVEfmt this is not an MP3 file at all";
    EXPECT_FALSE(ReadMp3Layout(std::vector<std::uint8_t>(text.begin(), text.end()), &layout));
    // One frame start alone, whose frame the next bytes do not confirm.
    std::vector<std::uint8_t> lone = SilentFrame(false);
    lone.resize(900, 0x55);
    EXPECT_FALSE(ReadMp3Layout(lone, &layout));
}

} // namespace
