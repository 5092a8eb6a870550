// The show full screen on a real X display while the keyboard focus goes to another window
// and comes back, with the test standing in for the window manager.

#include "support/desktop.h"
#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int rate = 44100;

constexpr int startupMs = 30000;
constexpr int promptMs = 3000;
// The show acts on a change of focus a fifth of a second after it, as SDL does.
constexpr int askMs = 1500;

class ProgramFocus : public ::testing::Test {
protected:
    ProgramFocus() {
        const std::filesystem::path data = std::filesystem::path(TUVORAN_SOURCE_DIR) / "data";
        for (const auto& entry : std::filesystem::directory_iterator(data)) {
            if (entry.path().extension() == ".jpg") {
                std::filesystem::create_symlink(
                    entry.path(), folder.File("data/" + entry.path().filename().string()));
            }
        }
    }

    void WriteMusic(int seconds) const {
        ASSERT_TRUE(WriteToneMp3(folder.File("data/muzak.mp3"), seconds * rate));
    }

    ChildProcess Start() const { return ChildProcess({TUVORAN_BINARY}, {}, folder.Path()); }

    // The show full screen, as when started from a desktop.
    static void WaitForTheShow() {
        ASSERT_TRUE(WaitUntil([] { return WindowShown("Tuvoran"); }, startupMs));
    }

    // Gives the show the focus and takes it away until the show has seen both: it reads
    // its window's events only once its pictures have loaded, and a focus that comes and
    // goes unseen is no change.
    bool GoElsewhere(const std::vector<std::string>& wanted) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(startupMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!FocusWindow("Tuvoran")) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            desktop.FocusElsewhere();
            if (Asked(wanted)) {
                return true;
            }
        }
        return false;
    }

    // True once the show has asked for all of wanted, in that order, among what it asked.
    bool Asked(const std::vector<std::string>& wanted) {
        std::vector<std::string> asked;
        const auto found = [&asked, &wanted] {
            auto next = asked.begin();
            for (const std::string& request : wanted) {
                next = std::find(next, asked.end(), request);
                if (next == asked.end()) {
                    return false;
                }
                ++next;
            }
            return true;
        };
        return WaitUntil(
            [&] {
                const std::vector<std::string> more = desktop.TakeRequests();
                asked.insert(asked.end(), more.begin(), more.end());
                return found();
            },
            askMs);
    }

    TemporaryFolder folder;
    DesktopStandIn desktop;
};

TEST_F(ProgramFocus, AwayTheDesktopHasItsModeAndBackTheShowHasItsOwnAgain) {
    WriteMusic(60);
    ChildProcess program = Start();
    WaitForTheShow();
    ASSERT_TRUE(GoElsewhere({"leave full screen", "iconify"})) << program.ErrorOutput();
    EXPECT_TRUE(WaitUntil([] { return !WindowShown("Tuvoran"); }, promptMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(program.Running());

    ASSERT_TRUE(desktop.FocusBack());
    EXPECT_TRUE(Asked({"enter full screen"}));
    EXPECT_TRUE(WaitUntil([] { return WindowShown("Tuvoran"); }, promptMs));
    // Back in the show, its keys work as before, once the window has the keyboard again: the
    // server hands it over a moment after the window is shown.
    auto nextPress = std::chrono::steady_clock::now();
    WaitUntil(
        [&] {
            if (std::chrono::steady_clock::now() >= nextPress) {
                PressKey("Escape");
                nextPress += std::chrono::milliseconds(250);
            }
            return !program.Running();
        },
        promptMs);
    EXPECT_EQ(program.Wait(promptMs), 0) << program.ErrorOutput();
}

TEST_F(ProgramFocus, TheShowGoesOnWhileAwayAndEndsWithItsMusic) {
    constexpr int musicSeconds = 4;
    WriteMusic(musicSeconds);
    ChildProcess program = Start();
    WaitForTheShow();
    ASSERT_TRUE(GoElsewhere({"leave full screen", "iconify"})) << program.ErrorOutput();
    // The music was playing by then; the show ends with it, out of sight.
    EXPECT_EQ(program.Wait(musicSeconds * 1000 + 1000), 0) << program.ErrorOutput();
}

} // namespace
