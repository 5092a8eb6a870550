// The decode stage as the browser build has it: stb_image behind the image library's calls.
// The sprites and the texture upload read the bitmaps as the library lays them out, so the
// layout, the mask rule, the size limit and the refusals must come out as they do natively.

#include "gfx/decoded_picture.h"
#include "gfx/image_file.h"
#include "platform/stb/pictures_ahead.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class WebPicturesTest : public ::testing::Test {
protected:
    WebPicturesTest()
        : folder(fs::temp_directory_path() /
                 ("tuvoran-web-pictures-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::create_directories(folder);
    }
    ~WebPicturesTest() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // A binary PPM (P6, 3 bytes a pixel) or PGM (P5, 1 byte a pixel), rows from the top.
    std::string WriteAnymap(const std::string& name, int width, int height,
                            const std::vector<unsigned char>& pixels) const {
        const bool grey =
            pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        const std::string header = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(width) +
                                   " " + std::to_string(height) + "\n255\n";
        return Write(name, header + std::string(pixels.begin(), pixels.end()));
    }

    const fs::path folder;
};

std::vector<unsigned char> Grey(int count, unsigned char level) {
    return std::vector<unsigned char>(static_cast<std::size_t>(count), level);
}

TEST_F(WebPicturesTest, BitmapsRunFromTheBottomRowInBlueGreenRedOrderWithPaddedRows) {
    // Top row: red, green; bottom row: blue, white.
    const std::string path =
        WriteAnymap("colours.ppm", 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    const Bitmap bitmap = DecodeImageFile(path.c_str());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(FreeImage_GetBPP(bitmap.get()), 24u);
    EXPECT_EQ(FreeImage_GetPitch(bitmap.get()), 8u) << "rows are padded to 4 bytes";
    const BYTE* bottom = FreeImage_GetScanLine(bitmap.get(), 0);
    const BYTE* top = FreeImage_GetScanLine(bitmap.get(), 1);
    EXPECT_EQ(std::vector<int>(bottom, bottom + 6), (std::vector<int>{255, 0, 0, 255, 255, 255}));
    EXPECT_EQ(std::vector<int>(top, top + 6), (std::vector<int>{0, 0, 255, 0, 255, 0}));
}

TEST_F(WebPicturesTest, AGreyMaskBecomesTheAlphaOfA32BitPicture) {
    const std::string picture = WriteAnymap("picture.ppm", 2, 1, {10, 20, 30, 40, 50, 60});
    const std::string mask = WriteAnymap("mask.pgm", 2, 1, {0, 200});
    const auto decoded = DecodePicture(picture.c_str(), 32, mask.c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(decoded->hasAlpha);
    EXPECT_EQ(decoded->upload.internalFormat, 4);
    EXPECT_EQ(decoded->upload.format, static_cast<unsigned>(GL_BGRA_EXT));
    const auto* pixels = static_cast<const BYTE*>(decoded->upload.pixels);
    EXPECT_EQ(std::vector<int>(pixels, pixels + 8),
              (std::vector<int>{30, 20, 10, 0, 60, 50, 40, 200}));
}

TEST_F(WebPicturesTest, MasksCountByLuminanceAndAreStretchedToThePicture) {
    const std::string picture = WriteAnymap("picture.ppm", 4, 4, Grey(48, 128));
    // A pure red mask weighs 0.2126 of full: 54 of 255.
    const std::string red =
        WriteAnymap("red.ppm", 2, 2, {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0});
    const auto decoded = DecodePicture(picture.c_str(), 32, red.c_str());
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->upload.width, 4);
    const auto* pixels = static_cast<const BYTE*>(decoded->upload.pixels);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(pixels[i * 4 + 3], 54) << "pixel " << i;
    }
}

TEST_F(WebPicturesTest, AStretchedMaskBlendsBetweenItsPixelsFromEdgeToEdge) {
    const std::string picture = WriteAnymap("picture.ppm", 4, 1, Grey(12, 128));
    const std::string mask = WriteAnymap("mask.pgm", 2, 1, {0, 255});
    const auto decoded = DecodePicture(picture.c_str(), 32, mask.c_str());
    ASSERT_TRUE(decoded.has_value());
    const auto* pixels = static_cast<const BYTE*>(decoded->upload.pixels);
    EXPECT_EQ((std::vector<int>{pixels[3], pixels[7], pixels[11], pixels[15]}),
              (std::vector<int>{0, 64, 191, 255}));
}

TEST_F(WebPicturesTest, DepthConversionsKeepTheColours) {
    const Bitmap colour(DecodeImageFile(WriteAnymap("colour.ppm", 1, 1, {10, 20, 30}).c_str()));
    const Bitmap grey(DecodeImageFile(WriteAnymap("grey.pgm", 1, 1, {77}).c_str()));
    ASSERT_TRUE(colour && grey);

    const Bitmap wide(FreeImage_ConvertTo32Bits(colour.get()));
    EXPECT_EQ(std::vector<int>(FreeImage_GetBits(wide.get()), FreeImage_GetBits(wide.get()) + 4),
              (std::vector<int>{30, 20, 10, 255}));
    const Bitmap narrow(FreeImage_ConvertTo24Bits(wide.get()));
    EXPECT_EQ(
        std::vector<int>(FreeImage_GetBits(narrow.get()), FreeImage_GetBits(narrow.get()) + 3),
        (std::vector<int>{30, 20, 10}));
    const Bitmap greyWide(FreeImage_ConvertTo32Bits(grey.get()));
    EXPECT_EQ(
        std::vector<int>(FreeImage_GetBits(greyWide.get()), FreeImage_GetBits(greyWide.get()) + 4),
        (std::vector<int>{77, 77, 77, 255}));
    const Bitmap greyAgain(FreeImage_ConvertToGreyscale(grey.get()));
    EXPECT_EQ(FreeImage_GetBits(greyAgain.get())[0], 77) << "grey stays as it is";
    // Rec. 709: 0.2126 * 10 + 0.7152 * 20 + 0.0722 * 30 = 18.6.
    const Bitmap luminance(FreeImage_ConvertToGreyscale(colour.get()));
    EXPECT_EQ(FreeImage_GetBits(luminance.get())[0], 19);
}

TEST_F(WebPicturesTest, AnAlphaChannelIsOnlySetFromAGreyPictureOfTheSameSize) {
    const Bitmap picture(FreeImage_ConvertTo32Bits(
        DecodeImageFile(WriteAnymap("picture.ppm", 2, 1, {1, 2, 3, 4, 5, 6}).c_str()).get()));
    const Bitmap small(DecodeImageFile(WriteAnymap("small.pgm", 1, 1, {9}).c_str()));
    const Bitmap colour(
        DecodeImageFile(WriteAnymap("colour.ppm", 2, 1, {1, 2, 3, 4, 5, 6}).c_str()));
    ASSERT_TRUE(picture && small && colour);
    EXPECT_FALSE(FreeImage_SetChannel(picture.get(), small.get(), FICC_ALPHA));
    EXPECT_FALSE(FreeImage_SetChannel(picture.get(), colour.get(), FICC_ALPHA));
    EXPECT_EQ(FreeImage_GetBits(picture.get())[3], 255) << "a refused channel changes nothing";
}

TEST_F(WebPicturesTest, WithoutAMaskA32BitPictureIsOpaqueAndGoesUpAsThreeComponents) {
    const std::string picture = WriteAnymap("picture.ppm", 1, 1, {1, 2, 3});
    const auto decoded = DecodePicture(picture.c_str(), 32, nullptr);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_FALSE(decoded->hasAlpha);
    EXPECT_EQ(decoded->upload.internalFormat, 3);
    EXPECT_EQ(static_cast<const BYTE*>(decoded->upload.pixels)[3], 0xFF);
}

TEST_F(WebPicturesTest, AMaskThatDoesNotLoadLeavesThePictureAsItWas) {
    const std::string picture = WriteAnymap("picture.ppm", 1, 1, {1, 2, 3});
    const std::string missing = (folder / "missing.pgm").string();
    const auto decoded = DecodePicture(picture.c_str(), 32, missing.c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_FALSE(decoded->hasAlpha);
}

// A BMP header claiming 9000 x 1 pixels, with none of them there: refused from its header.
std::string OversizedBmp() {
    std::string bytes(54, '\0');
    const auto put = [&bytes](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 54 + 9000 * 3, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 9000, 4);
    put(22, 1, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return bytes;
}

TEST_F(WebPicturesTest, PicturesThatCannotLoadAreRefused) {
    EXPECT_FALSE(DecodeImageFile(Write("huge.bmp", OversizedBmp()).c_str()))
        << "beyond the size limit";
    EXPECT_FALSE(DecodeImageFile(Write("cut.ppm", "P6\n4 4\n255\n\x01\x02").c_str()))
        << "cut short";
    EXPECT_FALSE(DecodeImageFile(Write("empty.jpg", "").c_str()));
    EXPECT_FALSE(DecodeImageFile(Write("noise.jpg", std::string(300, '\x5A')).c_str()));
    EXPECT_FALSE(DecodeImageFile((folder / "missing.jpg").string().c_str()));
    // A format of the program's that the browser does not decode.
    EXPECT_FALSE(DecodeImageFile(WriteAnymap("picture.pcx", 1, 1, {1, 2, 3}).c_str()));
}

TEST_F(WebPicturesTest, TheShowsJpegsDecodeWithTheirGreyMasks) {
    const std::string picture = std::string(TUVORAN_SOURCE_DIR) + "/data/Ovrin.jpg";
    const std::string mask = std::string(TUVORAN_SOURCE_DIR) + "/data/Ovrina.jpg";
    const Bitmap grey = DecodeImageFile(mask.c_str());
    ASSERT_TRUE(grey);
    EXPECT_EQ(FreeImage_GetBPP(grey.get()), 8u);
    EXPECT_EQ(FreeImage_GetColorType(grey.get()), FIC_MINISBLACK);
    const auto decoded = DecodePicture(picture.c_str(), 32, mask.c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(decoded->hasAlpha);
    EXPECT_EQ(decoded->upload.width, static_cast<int>(FreeImage_GetWidth(grey.get())));
    EXPECT_EQ(decoded->upload.height, static_cast<int>(FreeImage_GetHeight(grey.get())));
}

TEST_F(WebPicturesTest, EveryPictureOfTheShowLoadsAndACutOneDoesNot) {
    for (const auto& entry : fs::directory_iterator(fs::path(TUVORAN_SOURCE_DIR) / "data")) {
        if (entry.path().extension() != ".jpg") {
            continue;
        }
        const std::string path = entry.path().string();
        EXPECT_TRUE(DecodeImageFile(path.c_str())) << path;

        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        const std::string cut = Write("cut.jpg", bytes.substr(0, bytes.size() / 2));
        EXPECT_FALSE(DecodeImageFile(cut.c_str())) << "the first half of " << path;
    }
}

std::vector<int> Pixels(const Bitmap& bitmap) {
    const BYTE* bits = FreeImage_GetBits(bitmap.get());
    const std::size_t size = static_cast<std::size_t>(FreeImage_GetPitch(bitmap.get())) *
                             FreeImage_GetHeight(bitmap.get());
    return std::vector<int>(bits, bits + size);
}

TEST_F(WebPicturesTest, APictureDecodedAheadLoadsAsItsFileHoldsIt) {
    const std::string path = WriteAnymap("ahead.ppm", 2, 1, {1, 2, 3, 4, 5, 6});
    DecodePictureAhead(path.c_str());
    const Bitmap first = DecodeImageFile(path.c_str());
    const Bitmap second = DecodeImageFile(path.c_str());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get()) << "each load owns its bitmap";
    EXPECT_EQ(Pixels(first), Pixels(second));
    EXPECT_EQ(FreeImage_GetScanLine(first.get(), 0)[0], 3);

    // The same name with other bytes is another picture.
    WriteAnymap("ahead.ppm", 2, 1, {9, 8, 7, 6, 5, 4});
    const Bitmap changed = DecodeImageFile(path.c_str());
    ASSERT_TRUE(changed);
    EXPECT_EQ(FreeImage_GetScanLine(changed.get(), 0)[0], 7);
    ForgetPicturesAhead();
}

TEST_F(WebPicturesTest, DecodingAheadLeavesAFaultyPictureToTheLoad) {
    const std::string cut = Write("cut.ppm", "P6\n4 4\n255\n\x01\x02");
    DecodePictureAhead(cut.c_str());
    DecodePictureAhead((folder / "missing.ppm").string().c_str());
    EXPECT_FALSE(DecodeImageFile(cut.c_str()));
    ForgetPicturesAhead();
}

} // namespace
