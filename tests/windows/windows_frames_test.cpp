// The show's frames on Windows against the capture's: the frame that tuvoran.exe shows at a
// moment of the music, read back from the X screen, and the one tuvoran-capture writes at the
// same moment and size, compared as a viewer would, per 8x8 block, as the browser's are. The
// moments are reached with the makers' controls: --at MS --pause, and the keys.

#include "support/process.h"
#include "support/test_files.h"
#include "support/x_window.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr int blockSize = 8;
constexpr double blockTolerance = 8.0; // of 255, the mean of a block's R, G and B differences
constexpr int startupMs = 60000;
constexpr int seekMs = 10000;

// The worst block's mean absolute difference of R, G and B.
double WorstBlock(const WindowPicture& shown, FIBITMAP* captured) {
    const unsigned bytes = FreeImage_GetBPP(captured) / 8;
    double worst = 0.0;
    for (int by = 0; by < height; by += blockSize) {
        for (int bx = 0; bx < width; bx += blockSize) {
            double sum = 0.0;
            for (int y = by; y < by + blockSize; ++y) {
                const BYTE* row = FreeImage_GetScanLine(captured, height - 1 - y);
                for (int x = bx; x < bx + blockSize; ++x) {
                    const std::uint32_t pixel = shown.At(x, y);
                    const BYTE* other = row + static_cast<std::ptrdiff_t>(x) * bytes;
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

struct BitmapRelease {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};

// The capture's stills, made once for the tests of this file.
class WindowsFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stills = std::make_unique<TemporaryFolder>();
        ChildProcess capture({TUVORAN_CAPTURE_BINARY, "--png", stills->Path(), "--at",
                              "0,3000,5000,10000,20000,50000", "--size",
                              std::to_string(width) + "x" + std::to_string(height), "--quiet"});
        ASSERT_EQ(capture.Wait(startupMs * 2), 0) << capture.ErrorOutput();
    }
    static void TearDownTestSuite() { stills.reset(); }
    void TearDown() override { ResetKeyboardFocus(); }

    static ChildProcess Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{TUVORAN_WINE_RUN, TUVORAN_WINDOWS_EXE};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProcess(command, {}, TUVORAN_SOURCE_DIR);
    }

    // Waits until the show's window shows the capture's frame at ms within the tolerance;
    // the worst block's difference as last seen.
    static double WaitForFrame(ChildProcess& program, int ms, int timeoutMs) {
        const std::unique_ptr<FIBITMAP, BitmapRelease> captured(FreeImage_Load(
            FIF_PNG, (stills->Path() + "/at-" + std::to_string(ms) + ".png").c_str(), 0));
        if (!captured) {
            return 255.0;
        }
        double worst = 255.0;
        WaitUntil(
            [&] {
                unsigned long window = 0;
                const WindowPicture shown =
                    FindShownWindow("Tuvoran", &window) ? GrabWindow(window) : WindowPicture{};
                if (shown.width == width && shown.height == height) {
                    worst = WorstBlock(shown, captured.get());
                }
                return worst <= blockTolerance || !program.Running();
            },
            timeoutMs);
        std::printf("at %d ms: the worst 8x8 block differs by %.2f of 255\n", ms, worst);
        return worst;
    }

    static void Press(const char* key) {
        FocusWindow("Tuvoran");
        PressKeys({key});
    }

    static std::unique_ptr<TemporaryFolder> stills;
};

std::unique_ptr<TemporaryFolder> WindowsFrames::stills;

TEST_F(WindowsFrames, AtAndPauseHoldTheCapturesFrameAtThatMoment) {
    for (const int ms : {3000, 20000, 50000}) {
        SCOPED_TRACE(ms);
        ChildProcess program = Start({"--at", std::to_string(ms), "--pause"});
        EXPECT_LE(WaitForFrame(program, ms, startupMs), blockTolerance) << program.ErrorOutput();
        EXPECT_EQ(EndWithKeyOn(program, "Tuvoran", "Escape", startupMs), 0)
            << program.ErrorOutput();
    }
}

// The keys reach the controls through the Windows backend, and the music's seek and pause
// through its wave output and decoder.
TEST_F(WindowsFrames, TheKeysSeekAndPauseOntoTheCapturesFrames) {
    ChildProcess program = Start({"--pause"});
    EXPECT_LE(WaitForFrame(program, 0, startupMs), blockTolerance) << program.ErrorOutput();
    Press("Right");
    Press("Right");
    EXPECT_LE(WaitForFrame(program, 10000, seekMs), blockTolerance);
    Press("Left");
    EXPECT_LE(WaitForFrame(program, 5000, seekMs), blockTolerance);
    // Played a little and paused again, then back to the start and on.
    Press("space");
    WaitUntil([] { return false; }, 500);
    Press("space");
    Press("Home");
    EXPECT_LE(WaitForFrame(program, 0, seekMs), blockTolerance);
    Press("Right");
    EXPECT_LE(WaitForFrame(program, 5000, seekMs), blockTolerance);
    EXPECT_EQ(EndWithKeyOn(program, "Tuvoran", "Escape", startupMs), 0) << program.ErrorOutput();
}

} // namespace
