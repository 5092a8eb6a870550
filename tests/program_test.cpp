// The real program, started as a user starts it, in a folder of its own that holds its data.

#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr int startupMs = 30000;
constexpr int rate = 44100;

// Presses Escape until the program is gone, so that the first press cannot come too early.
int PressEscapeUntilExit(ChildProcess& program) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startupMs);
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PressKey("Escape");
    }
    return program.Wait(5000);
}

class Program : public ::testing::Test {
protected:
    // The show's own pictures, linked in; a test may replace or remove one.
    Program() {
        const std::filesystem::path data = std::filesystem::path(TUVORAN_SOURCE_DIR) / "data";
        for (const auto& entry : std::filesystem::directory_iterator(data)) {
            if (entry.path().extension() == ".jpg") {
                std::filesystem::create_symlink(
                    entry.path(), folder.File("data/" + entry.path().filename().string()));
            }
        }
    }

    void RemovePicture(const std::string& name) const {
        std::filesystem::remove(folder.File("data/" + name));
    }

    // Music that outlasts every test that ends the show some other way.
    void WriteMusic(int seconds = 60) {
        ASSERT_TRUE(WriteToneMp3(folder.File("data/muzak.mp3"), seconds * rate));
    }

    ChildProcess Start(const std::vector<std::string>& arguments = {},
                       const std::vector<std::string>& environment = {}) const {
        std::vector<std::string> command{TUVORAN_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProcess(command, environment, folder.Path());
    }

    TemporaryFolder folder;
};

TEST_F(Program, EscapeEndsTheShowWithExitCodeZero) {
    WriteMusic();
    ChildProcess program = Start();
    EXPECT_EQ(PressEscapeUntilExit(program), 0) << program.ErrorOutput();
}

// SIGINT and SIGTERM are covered at every moment of a run elsewhere.
TEST_F(Program, TerminalHangUpEndsTheShowLikeClosingTheWindow) {
    WriteMusic();
    ChildProcess program = Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    program.Signal(SIGHUP);
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
}

TEST_F(Program, TheShowEndsWithTheMusic) {
    WriteMusic(1);
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
    EXPECT_EQ(program.ErrorOutput(), "");
}

TEST_F(Program, StartUpFailureIsReportedOnStandardErrorWithExitCodeOne) {
    WriteMusic();
    ChildProcess program = Start({"0", "480", "32"});
    EXPECT_EQ(program.Wait(startupMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: Mode is not valid\n");
}

TEST_F(Program, MissingMusicEndsTheStartUp) {
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(startupMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: File not found\n");
}

TEST_F(Program, AMissingPictureEndsTheStartUpNamingIt) {
    WriteMusic();
    RemovePicture("blanconick.jpg"); // the white picture of every credit
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(startupMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: Can not load file : data\\blanconick.jpg\n");
}

TEST_F(Program, AMissingMaskOrSwarmPictureDoesNotStopTheShow) {
    WriteMusic(1);
    RemovePicture("qmz.jpg");
    RemovePicture("cubonegro.jpg");
    RemovePicture("rayoa.jpg");
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
}

TEST_F(Program, TheWholeShowPlaysToTheEndOfItsMusic) {
    std::filesystem::create_symlink(std::filesystem::path(TUVORAN_SOURCE_DIR) / "data/muzak.mp3",
                                    folder.File("data/muzak.mp3"));
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(180000), 0) << program.ErrorOutput();
    EXPECT_EQ(program.ErrorOutput(), "");
}

// What SDL said follows the program's own message, so that the user learns what is missing:
// a sound device, the OpenGL library, a display server.
TEST_F(Program, APlatformThatCannotStartGivesSdlsReasonBelowTheMessage) {
    WriteMusic();
    struct Case {
        std::string environment;
        std::string message;
        std::string reason;
    };
    const Case cases[] = {
        {"SDL_AUDIODRIVER=no-such-driver", "Error initializing output device.",
         "no sound device: Audio target 'no-such-driver' not available"},
        {"SDL_OPENGL_LIBRARY=/no/libGL.so.1", "Can not create window",
         "no window: Failed loading /no/libGL.so.1: "},
        // SDL would fall back on a driver that shows nothing.
        {"DISPLAY=", "Unable to set videomode",
         "no display mode 640x480x32: no display server answers (DISPLAY is not set)"},
    };
    for (const Case& failure : cases) {
        ChildProcess program = Start({}, {failure.environment});
        EXPECT_EQ(program.Wait(startupMs), 1) << failure.environment;
        // The last two lines; before them may come what the libraries write themselves.
        const std::string errors = program.ErrorOutput();
        const std::size_t message = errors.find("tuvoran: " + failure.message + "\ntuvoran: ");
        ASSERT_NE(message, std::string::npos) << errors;
        const std::string reasonLine = errors.substr(errors.find('\n', message) + 1);
        EXPECT_EQ(reasonLine.rfind("tuvoran: " + failure.reason, 0), 0u) << errors;
        EXPECT_EQ(reasonLine.find('\n'), reasonLine.size() - 1) << errors;
    }
}

} // namespace
