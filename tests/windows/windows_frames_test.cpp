// The show's frames on Windows against the capture's: the frame that tuvoran.exe shows at a
// moment of the music, read back from the X screen, and the one tuvoran-capture writes at the
// same moment and size, compared as a viewer would, per 8x8 block, as the browser's are.

#include "support/process.h"
#include "support/test_files.h"
#include "support/x_window.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr int blockSize = 8;
constexpr double blockTolerance = 8.0; // of 255, the mean of a block's R, G and B differences
constexpr int startupMs = 60000;
constexpr int moments[] = {3000, 12000, 20000, 33000, 50000};

// The worst block's mean absolute difference of R, G and B.
double WorstBlock(const WindowPicture& shown, FIBITMAP* captured) {
    double worst = 0.0;
    for (int by = 0; by < height; by += blockSize) {
        for (int bx = 0; bx < width; bx += blockSize) {
            double sum = 0.0;
            for (int y = by; y < by + blockSize; ++y) {
                const BYTE* row = FreeImage_GetScanLine(captured, height - 1 - y);
                for (int x = bx; x < bx + blockSize; ++x) {
                    const std::uint32_t pixel = shown.At(x, y);
                    const BYTE* other =
                        row + static_cast<std::ptrdiff_t>(x) * (FreeImage_GetBPP(captured) / 8);
                    sum += std::abs(static_cast<int>((pixel >> 16) & 0xFF) - other[FI_RGBA_RED]);
                    sum += std::abs(static_cast<int>((pixel >> 8) & 0xFF) - other[FI_RGBA_GREEN]);
                    sum += std::abs(static_cast<int>(pixel & 0xFF) - other[FI_RGBA_BLUE]);
                }
            }
            worst = std::max(worst, sum / (blockSize * blockSize * 3));
        }
    }
    return worst;
}

// The live program's --at MS draws the show's frame at that moment of the music on the
// capture's clock, and holds it.
bool KnowsAt() {
    ChildProcess probe({TUVORAN_WINE_RUN, TUVORAN_WINDOWS_EXE, "--at", "1000", "--version"}, {},
                       TUVORAN_SOURCE_DIR);
    return probe.Wait(startupMs) == 0;
}

TEST(WindowsFrames, TheShowsFramesAreTheCapturesAtTheSameMoments) {
    if (!KnowsAt()) {
        GTEST_SKIP() << "tuvoran.exe does not know --at MS yet: the live program's still at a "
                        "moment comes with the seek and pause controls";
    }
    const TemporaryFolder stills;
    std::string at;
    for (const int moment : moments) {
        at += (at.empty() ? "" : ",") + std::to_string(moment);
    }
    ChildProcess capture({TUVORAN_CAPTURE_BINARY, "--png", stills.Path(), "--at", at, "--size",
                          std::to_string(width) + "x" + std::to_string(height), "--quiet"});
    ASSERT_EQ(capture.Wait(startupMs * 2), 0) << capture.ErrorOutput();

    for (const int moment : moments) {
        SCOPED_TRACE(moment);
        ChildProcess program(
            {TUVORAN_WINE_RUN, TUVORAN_WINDOWS_EXE, "--at", std::to_string(moment)}, {},
            TUVORAN_SOURCE_DIR);
        unsigned long window = 0;
        WindowPicture shown;
        ASSERT_TRUE(WaitUntil(
            [&] {
                shown = FindShownWindow("Tuvoran", &window) ? GrabWindow(window) : WindowPicture{};
                return shown.width == width && shown.height == height &&
                       shown.LitIn(0, 0, width, height, 32) > 0;
            },
            startupMs))
            << program.ErrorOutput();
        // The still stays: a second look sees it whole.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        shown = GrabWindow(window);
        FIBITMAP* captured = FreeImage_Load(
            FIF_PNG, (stills.Path() + "/at-" + std::to_string(moment) + ".png").c_str(), 0);
        ASSERT_NE(captured, nullptr);
        EXPECT_LE(WorstBlock(shown, captured), blockTolerance);
        FreeImage_Unload(captured);
        FocusWindow("Tuvoran");
        PressKeys({"Escape"});
        EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
    }
}

} // namespace
