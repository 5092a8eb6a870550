// The live program's command line and its window, seen from outside: started as a user
// starts it, its window found on the X display, its pixels read back from there.

#include "support/process.h"
#include "support/test_files.h"
#include "support/x_window.h"
#include "tuvoran_version.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr int startupMs = 30000;
constexpr int switchMs = 10000;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

class ProgramView : public ::testing::Test {
protected:
    ProgramView() {
        const fs::path data = fs::path(TUVORAN_SOURCE_DIR) / "data";
        for (const auto& entry : fs::directory_iterator(data)) {
            if (entry.path().extension() == ".jpg") {
                fs::create_symlink(entry.path(),
                                   folder.File("data/" + entry.path().filename().string()));
            }
        }
    }

    ChildProcess Start(const std::vector<std::string>& arguments) {
        EXPECT_TRUE(WriteToneMp3(folder.File("data/muzak.mp3"), 60 * 44100));
        std::vector<std::string> command{TUVORAN_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProcess(command, {}, folder.Path());
    }

    // The show's window once it has its size and shows the show.
    static unsigned long ShownWindow(ChildProcess& program, int width, int height) {
        unsigned long window = 0;
        WindowPicture picture;
        const bool shown = WaitFor(
            [&] {
                // Found anew each time: switching may give the show another window.
                picture =
                    FindShownWindow("Tuvoran", &window) ? GrabWindow(window) : WindowPicture{};
                return picture.width == width && picture.height == height &&
                       picture.LitIn(0, 0, width, height) > 0;
            },
            startupMs);
        EXPECT_TRUE(shown) << "no window of " << width << "x" << height << " showing the show, but "
                           << picture.width << "x" << picture.height << "; "
                           << program.ErrorOutput();
        return window;
    }

    TemporaryFolder folder;
};

// With no display and no audio device at all, anything opened would fail the run.
TEST_F(ProgramView, HelpAndVersionAnswerWithoutOpeningAnything) {
    const std::string program = std::string("cd '") + folder.Path() +
                                "' && env -u DISPLAY SDL_AUDIODRIVER=no-such-driver " +
                                TUVORAN_BINARY;
    const CommandOutput help = RunCommand(program + " 1024 768 32 --help 2>&1");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.text.rfind("Usage: tuvoran ", 0), 0u) << help.text;
    for (const char* part : {"WIDTH HEIGHT BITS", "640 480 32", "--window[=WxH]", "--keep-aspect",
                             "--version", "--audio-latency MS", "Escape", "F11, Alt+Enter",
                             "Alt+F4", "data/", "$TUVORAN_DATA", "share/tuvoran/data"}) {
        EXPECT_NE(help.text.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(RunCommand(program + " -h 2>&1").text, help.text);

    const CommandOutput version = RunCommand(program + " --version 2>&1");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.text, "tuvoran " TUVORAN_VERSION "\n");

    // The usage goes to standard error; nothing to standard output.
    const CommandOutput mistake = RunCommand(program + " --full-screen 2>/dev/null");
    EXPECT_EQ(mistake.exitCode, 2);
    EXPECT_EQ(mistake.text, "");
    const CommandOutput mistakeErrors = RunCommand(program + " --full-screen 2>&1 >/dev/null");
    EXPECT_NE(mistakeErrors.text.find("unknown option '--full-screen'\nUsage: "), std::string::npos)
        << mistakeErrors.text;
    const CommandOutput latency = RunCommand(program + " --audio-latency=-2000 2>&1");
    EXPECT_EQ(latency.exitCode, 2);
    EXPECT_NE(latency.text.find("for --audio-latency: give milliseconds from -1000 to 1000\n"
                                "Usage: "),
              std::string::npos)
        << latency.text;
}

// What a user's report needs: the driver that draws, the device that sounds and the decoder,
// each found or said to be missing, after the version line that --version alone prints.
TEST_F(ProgramView, VersionVerboseNamesTheRendererSoundDeviceAndDecoder) {
    const std::string folderCd = std::string("cd '") + folder.Path() + "' && ";
    const CommandOutput found =
        RunCommand(folderCd + TUVORAN_BINARY + " --version --verbose 2>/dev/null");
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_EQ(found.text.rfind("tuvoran " TUVORAN_VERSION "\nOpenGL vendor: ", 0), 0u)
        << found.text;
    for (const char* line : {"\nOpenGL renderer: llvmpipe", "\nOpenGL version: ",
                             "\nSound device: ", "\nMusic decoder: libmpg123 "}) {
        EXPECT_NE(found.text.find(line), std::string::npos) << line << " in " << found.text;
    }
    EXPECT_EQ(found.text.find("none ("), std::string::npos) << found.text;

    const CommandOutput missing =
        RunCommand(folderCd + "env -u DISPLAY SDL_AUDIODRIVER=no-such-driver " + TUVORAN_BINARY +
                   " --verbose --version 2>/dev/null");
    EXPECT_EQ(missing.exitCode, 0);
    for (const char* line : {"\nOpenGL: none (no display: ", "\nSound device: none (no sound "
                                                             "device: "}) {
        EXPECT_NE(missing.text.find(line), std::string::npos) << line << " in " << missing.text;
    }

    const CommandOutput alone =
        RunCommand(folderCd + TUVORAN_BINARY + " --verbose 2>&1 >/dev/null");
    EXPECT_EQ(alone.exitCode, 2);
    EXPECT_EQ(alone.text.rfind("tuvoran: --verbose goes with --version only\nUsage: ", 0), 0u)
        << alone.text;
}

TEST_F(ProgramView, AWiderWindowShowsTheCanvasBetweenBlackBarsLeftAndRight) {
    ChildProcess program = Start({"--window=480x240"});
    const unsigned long window = ShownWindow(program, 480, 240);
    // The canvas is 320 x 240 in the middle; the show draws across all of it.
    const WindowPicture picture = GrabWindow(window);
    ASSERT_EQ(picture.width, 480);
    EXPECT_EQ(picture.LitIn(0, 0, 80, 240), 0);
    EXPECT_EQ(picture.LitIn(400, 0, 480, 240), 0);
    EXPECT_GT(picture.LitIn(80, 0, 400, 240), 0);
    EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();
}

TEST_F(ProgramView, AResizedWindowKeepsTheCanvasShape) {
    ChildProcess program = Start({"--window", "400x300", "640", "480", "32"});
    const unsigned long window = ShownWindow(program, 400, 300);
    ResizeWindow(window, 300, 400);
    WindowPicture last;
    ASSERT_TRUE(WaitFor(
        [&] {
            const WindowPicture picture = GrabWindow(window);
            last = picture;
            return picture.width == 300 && picture.height == 400 &&
                   picture.LitIn(0, 87, 300, 313) > 0 && picture.LitIn(0, 0, 300, 87) == 0 &&
                   picture.LitIn(0, 313, 300, 400) == 0;
        },
        switchMs))
        << "no bars above and below the canvas of a " << last.width << "x" << last.height
        << " window";
    EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();
}

// The virtual screen has one mode, 640 x 480: full screen is a window of that size.
TEST_F(ProgramView, F11AndAltEnterSwitchBetweenWindowAndFullScreen) {
    ChildProcess program = Start({"--window=480x240"});
    ShownWindow(program, 480, 240);

    const auto switchWith = [&](const std::vector<std::string>& keys, int width, int height) {
        // SDL gives a new window the keyboard a moment after it is shown.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(PressKeys(keys));
        ShownWindow(program, width, height);
    };
    switchWith({"F11"}, 640, 480);
    switchWith({"F11"}, 480, 240);
    switchWith({"Alt_L", "Return"}, 640, 480);
    switchWith({"Alt_L", "Return"}, 480, 240);

    // Back in the window, with its bars; the show went on all along.
    const WindowPicture picture = GrabWindow(ShownWindow(program, 480, 240));
    ASSERT_EQ(picture.width, 480);
    EXPECT_EQ(picture.LitIn(0, 0, 80, 240), 0);
    EXPECT_EQ(picture.LitIn(400, 0, 480, 240), 0);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(EndWithEscape(program, startupMs), 0) << program.ErrorOutput();
}

} // namespace
