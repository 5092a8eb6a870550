// The whole show against its expected look: the capture's frames at 160 x 120 every 250 ms
// of music, block by block. A failure lists the moments and blocks that differ and leaves a
// picture of each failing moment in the build's Testing/expected-frames folder.

#include "expected_frames/expected_frames.h"
#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace expected_frames;

const char* const channelNames[] = {"red", "green", "blue"};

class Still {
public:
    explicit Still(const std::string& path)
        : bitmap(FreeImage_Load(FIF_PNG, path.c_str(), PNG_DEFAULT)) {}
    ~Still() {
        if (bitmap != nullptr) {
            FreeImage_Unload(bitmap);
        }
    }
    Still(const Still&) = delete;
    Still& operator=(const Still&) = delete;

    FIBITMAP* Bitmap() const { return bitmap; }

private:
    FIBITMAP* bitmap;
};

std::string SecondsText(int moment) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f s", moment * stepMs / 1000.0);
    return text;
}

std::string Describe(const std::vector<BlockDifference>& differences) {
    const BlockDifference& largest = differences.front();
    char text[160];
    std::snprintf(text, sizeof(text),
                  "%zu blocks differ; the most, block (%d, %d), has %s %.1f where %.0f was "
                  "expected",
                  differences.size(), largest.column, largest.row, channelNames[largest.channel],
                  largest.drawn, largest.expected);
    return text;
}

BlockMeans Uniform(double level) {
    BlockMeans means;
    for (int row = 0; row < blockRows; ++row) {
        for (int column = 0; column < blockColumns; ++column) {
            for (int channel = 0; channel < channels; ++channel) {
                means.At(column, row, channel) = level;
            }
        }
    }
    return means;
}

} // namespace

TEST(ExpectedFrames, TheWholeShowLooksAsExpected) {
    const ShowLook expected =
        LoadShowLook(TUVORAN_SOURCE_DIR "/tests/expected_frames/expected-frames.png");
    ASSERT_FALSE(expected.empty()) << "the expectations cannot be read";
    const int moments = static_cast<int>(expected.size());

    TemporaryFolder stills;
    std::vector<std::string> command{TUVORAN_CAPTURE_BINARY};
    const std::vector<std::string> arguments = CaptureArguments(moments, stills.Path());
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess capture(command);
    ASSERT_EQ(capture.Wait(180000), 0) << capture.ErrorOutput();

    const fs::path pictures = fs::path(TUVORAN_TEST_OUTPUT_DIR) / "expected-frames";
    fs::remove_all(pictures);
    fs::create_directories(pictures);
    std::string report;
    int failing = 0;
    for (int moment = 0; moment < moments; ++moment) {
        const Still still(stills.Path() + "/" + StillName(moment));
        BlockMeans drawn;
        if (!MeasureFrame(still.Bitmap(), &drawn)) {
            ++failing;
            report += SecondsText(moment) + ": no still of 160 x 120 was captured\n";
            continue;
        }
        const std::vector<BlockDifference> differences = CompareFrames(expected[moment], drawn);
        if (differences.empty()) {
            continue;
        }
        ++failing;
        const fs::path picture = pictures / StillName(moment);
        SaveComparison(expected[moment], still.Bitmap(), differences, picture.string());
        report +=
            SecondsText(moment) + ": " + Describe(differences) + "; " + picture.string() + "\n";
    }
    EXPECT_EQ(failing, 0)
        << report
        << "Each picture shows the expected blocks, the drawn blocks, their difference "
           "magnified eight times with the failing blocks outlined in red, and the drawn frame. "
           "After an intended change of the show, write the expectations again with make "
           "expectations.";
}

TEST(ExpectedFrames, KeptLookReadsBackAsWritten) {
    TemporaryFolder folder;
    // Thirteen moments leave the last row of tiles short.
    ShowLook look(13, Uniform(0.0));
    for (int moment = 0; moment < 13; ++moment) {
        look[moment].At(moment % blockColumns, moment % blockRows, moment % channels) =
            moment * 19.6;
    }
    const std::string path = folder.File("look.png");
    ASSERT_TRUE(SaveShowLook(look, path));
    const ShowLook read = LoadShowLook(path);
    ASSERT_EQ(read.size(), look.size());
    for (int moment = 0; moment < 13; ++moment) {
        EXPECT_TRUE(CompareFrames(look[moment], read[moment]).empty()) << "moment " << moment;
        EXPECT_NEAR(read[moment].At(moment % blockColumns, moment % blockRows, moment % channels),
                    moment * 19.6, 0.5);
    }
    EXPECT_TRUE(LoadShowLook(folder.File("none.png")).empty());
}

TEST(ExpectedFrames, OneBlockBeyondTheToleranceFails) {
    const BlockMeans expected = Uniform(100.0);
    BlockMeans within = expected;
    within.At(3, 4, 2) += tolerance;
    EXPECT_TRUE(CompareFrames(expected, within).empty());

    BlockMeans beyond = within;
    beyond.At(19, 14, 1) -= tolerance + 0.5;
    const std::vector<BlockDifference> differences = CompareFrames(expected, beyond);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].column, 19);
    EXPECT_EQ(differences[0].row, 14);
    EXPECT_EQ(differences[0].channel, 1);
}
