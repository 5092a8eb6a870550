// What a capture to pictures writes: PNGs the right way up, and a WAV file whose header
// matches the samples that follow it.

#include "capture/picture_writer.h"
#include "support/test_files.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t LittleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

TEST(WavFile, HeaderSizesAreThoseOfTheSamplesWrittenAndSamplesAreClipped) {
    TemporaryFolder folder;
    const std::string path = folder.File("music.wav");
    WavFile wav;
    ASSERT_TRUE(wav.Open(path, 44100, 2));
    const float first[] = {0.0f, 1.0f, -1.0f, 0.5f};
    const float second[] = {1.5f, -7.0f};
    ASSERT_TRUE(wav.Write(first, 2));
    ASSERT_TRUE(wav.Write(second, 1));
    ASSERT_TRUE(wav.Close());

    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(LittleEndian(bytes, 4, 4), 36u + 12u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(LittleEndian(bytes, 20, 2), 1u); // integer PCM
    EXPECT_EQ(LittleEndian(bytes, 22, 2), 2u); // channels
    EXPECT_EQ(LittleEndian(bytes, 24, 4), 44100u);
    EXPECT_EQ(LittleEndian(bytes, 28, 4), 44100u * 4);
    EXPECT_EQ(LittleEndian(bytes, 32, 2), 4u);
    EXPECT_EQ(LittleEndian(bytes, 34, 2), 16u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(LittleEndian(bytes, 40, 4), 12u);
    const std::int16_t expected[] = {0, 32767, -32767, 16384, 32767, -32767};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<std::int16_t>(LittleEndian(bytes, 44 + 2 * i, 2)), expected[i]) << i;
    }
}

// A frame comes with its rows from the bottom; the picture is upright and opaque.
TEST(PictureWriter, PicturesAreUprightAndOpaque) {
    TemporaryFolder folder;
    constexpr std::size_t width = 5;
    constexpr std::size_t height = 3;
    std::vector<std::uint8_t> pixels(width * height * 4, 0);
    const auto set = [&pixels](std::size_t x, std::size_t rowFromBottom, std::uint8_t blue,
                               std::uint8_t green, std::uint8_t red) {
        std::uint8_t* pixel = &pixels[(rowFromBottom * width + x) * 4];
        pixel[0] = blue;
        pixel[1] = green;
        pixel[2] = red;
        pixel[3] = 0; // whatever the surface's alpha holds, it is not transparency
    };
    set(0, height - 1, 0, 0, 255); // top left: red
    set(width - 1, 0, 255, 0, 0);  // bottom right: blue

    PictureWriter writer(folder.Path());
    writer.WriteFrame({0, 0, static_cast<int>(width), static_cast<int>(height), pixels.data()},
                      "frame.png");
    std::string error;
    ASSERT_TRUE(writer.Finish(&error)) << error;

    FIBITMAP* picture = FreeImage_Load(FIF_PNG, (folder.Path() + "/frame.png").c_str(), 0);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(FreeImage_GetBPP(picture), 24u);
    RGBQUAD colour{};
    const unsigned top = height - 1; // the library counts rows from the bottom
    FreeImage_GetPixelColor(picture, 0, top, &colour);
    EXPECT_EQ(colour.rgbRed, 255);
    EXPECT_EQ(colour.rgbBlue, 0);
    FreeImage_GetPixelColor(picture, width - 1, 0, &colour);
    EXPECT_EQ(colour.rgbBlue, 255);
    EXPECT_EQ(colour.rgbRed, 0);
    FreeImage_Unload(picture);
}

TEST(PictureWriter, AFolderThatCannotBeWrittenIsReported) {
    PictureWriter writer("/nonexistent-folder");
    std::vector<std::uint8_t> pixels(std::size_t{4} * 4 * 4, 0);
    writer.WriteFrame({0, 0, 4, 4, pixels.data()}, "frame.png");
    writer.StartAudio(44100, 2);
    std::string error;
    EXPECT_FALSE(writer.Finish(&error));
    EXPECT_NE(error.find("cannot write /nonexistent-folder/"), std::string::npos) << error;
    EXPECT_TRUE(writer.Failed());
}

} // namespace
