// The committed files in data/: the names the show loads, pictures that decode, masks that
// fit their pictures, and music of the intended length and level.

#include "tools/datagen/mastering.h"
#include "tools/datagen/music.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string dataFolder = std::string(TUVORAN_SOURCE_DIR) + "/data/";

const std::vector<std::string> pictureFiles = {
    "image.jpg",     "imagea.jpg",     "metronomoide.jpg", "metronomoidea.jpg", "Ovrin.jpg",
    "Ovrina.jpg",    "xv5.jpg",        "blanconick.jpg",   "kurne.jpg",         "dospe.jpg",
    "fralu.jpg",     "qmz.jpg",        "yorvek.jpg",       "code.jpg",          "gfx.jpg",
    "music.jpg",     "negdeg.jpg",     "deg1.jpg",         "tuvoran.jpg",       "cubonegro.jpg",
    "particle1.jpg", "particle1a.jpg", "rayo.jpg",         "rayoa.jpg",
};

struct Masked {
    const char* picture;
    const char* mask;
};

const std::vector<Masked> maskedPictures = {
    {"image.jpg", "imagea.jpg"},         {"metronomoide.jpg", "metronomoidea.jpg"},
    {"Ovrin.jpg", "Ovrina.jpg"},         {"blanconick.jpg", "kurne.jpg"},
    {"blanconick.jpg", "dospe.jpg"},     {"blanconick.jpg", "fralu.jpg"},
    {"blanconick.jpg", "qmz.jpg"},       {"blanconick.jpg", "yorvek.jpg"},
    {"blanconick.jpg", "code.jpg"},      {"blanconick.jpg", "gfx.jpg"},
    {"blanconick.jpg", "music.jpg"},     {"negdeg.jpg", "deg1.jpg"},
    {"particle1.jpg", "particle1a.jpg"}, {"rayo.jpg", "rayoa.jpg"},
};

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

Bitmap Load(const std::string& file) {
    const std::string path = dataFolder + file;
    return Bitmap(
        FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), JPEG_ACCURATE));
}

// Grey level (0 to 255) of a pixel counted from the top-left corner, for a grey or colour
// picture alike.
int Level(FIBITMAP* bitmap, unsigned x, unsigned y) {
    const BYTE* row = FreeImage_GetScanLine(bitmap, FreeImage_GetHeight(bitmap) - 1 - y);
    if (FreeImage_GetBPP(bitmap) == 8) {
        return row[x];
    }
    const BYTE* pixel = row + static_cast<std::size_t>(3) * x;
    return std::max({pixel[FI_RGBA_RED], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_BLUE]});
}

int BrightestEdgeLevel(FIBITMAP* bitmap, bool sides, bool topAndBottom) {
    const unsigned width = FreeImage_GetWidth(bitmap);
    const unsigned height = FreeImage_GetHeight(bitmap);
    int brightest = 0;
    for (unsigned x = 0; x < width && topAndBottom; ++x) {
        brightest = std::max({brightest, Level(bitmap, x, 0), Level(bitmap, x, height - 1)});
    }
    for (unsigned y = 0; y < height && sides; ++y) {
        brightest = std::max({brightest, Level(bitmap, 0, y), Level(bitmap, width - 1, y)});
    }
    return brightest;
}

TEST(DataFiles, HoldEveryFileTheShowLoadsUnderItsExactNameAndNothingElse) {
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder)) {
        present.insert(entry.path().filename().string());
    }
    std::set<std::string> expected(pictureFiles.begin(), pictureFiles.end());
    expected.insert("muzak.mp3");
    EXPECT_EQ(present, expected);
}

TEST(DataFiles, PicturesAreJpegsThatDecode) {
    for (const std::string& file : pictureFiles) {
        const std::string path = dataFolder + file;
        EXPECT_EQ(FreeImage_GetFileType(path.c_str(), 0), FIF_JPEG) << file;
        const Bitmap bitmap = Load(file);
        ASSERT_TRUE(bitmap) << file;
        EXPECT_GT(FreeImage_GetWidth(bitmap.get()), 0u) << file;
        EXPECT_GT(FreeImage_GetHeight(bitmap.get()), 0u) << file;
    }
}

TEST(DataFiles, MasksAreEightBitGreyOfTheirPicturesSizeAndReachBlackAndWhite) {
    for (const Masked& pair : maskedPictures) {
        const Bitmap picture = Load(pair.picture);
        const Bitmap mask = Load(pair.mask);
        ASSERT_TRUE(picture && mask) << pair.mask;
        EXPECT_EQ(FreeImage_GetBPP(mask.get()), 8u) << pair.mask;
        EXPECT_EQ(FreeImage_GetColorType(mask.get()), FIC_MINISBLACK) << pair.mask;
        EXPECT_EQ(FreeImage_GetWidth(mask.get()), FreeImage_GetWidth(picture.get())) << pair.mask;
        EXPECT_EQ(FreeImage_GetHeight(mask.get()), FreeImage_GetHeight(picture.get())) << pair.mask;
        int darkest = 255;
        int brightest = 0;
        for (unsigned y = 0; y < FreeImage_GetHeight(mask.get()); ++y) {
            for (unsigned x = 0; x < FreeImage_GetWidth(mask.get()); ++x) {
                darkest = std::min(darkest, Level(mask.get(), x, y));
                brightest = std::max(brightest, Level(mask.get(), x, y));
            }
        }
        EXPECT_LE(darkest, 2) << pair.mask << " hides nothing";
        EXPECT_GE(brightest, 200) << pair.mask << " shows nothing fully";
    }
}

// A shown picture whose alpha does not reach 0 at its border draws a hard-edged rectangle.
TEST(DataFiles, ShownPicturesFadeOutBeforeTheirEdges) {
    const char* wholeBorder[] = {"metronomoidea.jpg", "Ovrina.jpg",   "kurne.jpg",      "dospe.jpg",
                                 "fralu.jpg",         "code.jpg",     "particle1a.jpg", "rayoa.jpg",
                                 "tuvoran.jpg",       "cubonegro.jpg"};
    for (const char* file : wholeBorder) {
        const Bitmap bitmap = Load(file);
        ASSERT_TRUE(bitmap) << file;
        EXPECT_LE(BrightestEdgeLevel(bitmap.get(), true, true), 8) << file;
    }
    // The band is stretched across the whole screen: it fades out above and below only.
    const Bitmap band = Load("deg1.jpg");
    ASSERT_TRUE(band);
    EXPECT_LE(BrightestEdgeLevel(band.get(), false, true), 8);
}

struct Decoded {
    std::vector<float> left;
    std::vector<float> right;
    long rate = 0;
    int channels = 0;
};

Decoded DecodeMusic() {
    Decoded decoded;
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (handle == nullptr) {
        return decoded;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    const std::string path = dataFolder + "muzak.mp3";
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        int encoding = 0;
        mpg123_getformat(handle, &decoded.rate, &decoded.channels, &encoding);
        std::vector<float> buffer(8192);
        std::size_t done = 0;
        int result = MPG123_OK;
        do {
            result = mpg123_read(handle, buffer.data(), buffer.size() * sizeof(float), &done);
            for (std::size_t i = 0; i + 1 < done / sizeof(float); i += 2) {
                decoded.left.push_back(buffer[i]);
                decoded.right.push_back(buffer[i + 1]);
            }
        } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return decoded;
}

class MusicFile : public testing::Test {
protected:
    static void SetUpTestSuite() { decoded = new Decoded(DecodeMusic()); }
    static void TearDownTestSuite() {
        delete decoded;
        decoded = nullptr;
    }
    static Decoded* decoded;
};

Decoded* MusicFile::decoded = nullptr;

TEST_F(MusicFile, DecodesToSixtySixSecondsOfStereoAt44100) {
    EXPECT_EQ(decoded->rate, 44100);
    EXPECT_EQ(decoded->channels, 2);
    const double seconds = static_cast<double>(decoded->left.size()) / 44100.0;
    EXPECT_NEAR(seconds, 66.0, 0.005);
}

TEST_F(MusicFile, PeaksAtMostOneDecibelBelowFullScale) {
    ASSERT_FALSE(decoded->left.empty());
    EXPECT_LE(datagen::PeakDecibels(decoded->left, decoded->right), -1.0);
}

TEST_F(MusicFile, IsAsLoudAsMusicUsuallyIs) {
    const double loudness = datagen::IntegratedLoudness(decoded->left, decoded->right, 44100);
    EXPECT_GE(loudness, -16.0);
    EXPECT_LE(loudness, -12.0);
}

TEST_F(MusicFile, StartsFromSilenceAndFadesBackToIt) {
    ASSERT_GT(decoded->left.size(), 44100u);
    const auto peakOf = [&](std::size_t from, std::size_t to) {
        std::vector<float> left(decoded->left.begin() + from, decoded->left.begin() + to);
        std::vector<float> right(decoded->right.begin() + from, decoded->right.begin() + to);
        return datagen::PeakDecibels(left, right);
    };
    const std::size_t frames = decoded->left.size();
    EXPECT_LT(peakOf(0, 441), -40.0);
    EXPECT_LT(peakOf(frames - 2205, frames), -60.0);
    // The tail fades rather than stopping: three seconds before the end it still sounds.
    constexpr std::size_t second = 44100;
    EXPECT_GT(peakOf(frames - 3 * second, frames - 2 * second), -40.0);
}

// Each moment of the show is heard: the music grows louder right at it. The particles'
// entry is the exception, a soft arpeggio that fades in as they do.
TEST_F(MusicFile, RisesAtTheShowsMoments) {
    const auto level = [&](double from, double to) {
        double sum = 0.0;
        for (std::size_t i = datagen::FrameAt(from); i < datagen::FrameAt(to); ++i) {
            sum += decoded->left[i] * decoded->left[i] + decoded->right[i] * decoded->right[i];
        }
        return 10.0 * std::log10(sum / (datagen::FrameAt(to) - datagen::FrameAt(from)) + 1e-20);
    };
    ASSERT_GE(decoded->left.size(), datagen::musicFrames);
    for (const datagen::ShowMoment& moment : datagen::ShowMoments()) {
        if (moment.seconds == 23.0) {
            continue;
        }
        EXPECT_GT(level(moment.seconds, moment.seconds + 0.1),
                  level(moment.seconds - 0.1, moment.seconds) + 3.0)
            << moment.seconds << " s: " << moment.picture;
    }
}

} // namespace
