// tuvoran.exe as a Windows user has it: the release unzipped into a folder of its own and
// started from another, under Wine on the virtual X screen, watched from outside like the
// Linux program: its windows found on the X display, its pixels read back, keys pressed.

#include "support/desktop.h"
#include "support/process.h"
#include "support/test_files.h"
#include "support/x_window.h"
#include "tuvoran_version.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int startupMs = 60000;

// A Windows program's text output ends its lines with CR LF; compared here without the CRs.
std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

CommandOutput RunWindowsCommand(const std::string& command) {
    CommandOutput output = RunCommand(command);
    output.text = WithoutCarriageReturns(output.text);
    return output;
}

// The release as unzipped, shared by the tests; each test may spoil a copy of its own.
class WindowsProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unzipped = std::make_unique<TemporaryFolder>();
        const CommandOutput unzip =
            RunCommand("cd '" + unzipped->Path() +
                       "' && '" CMAKE_COMMAND "' -E tar xf '" TUVORAN_WINDOWS_ZIP "' 2>&1");
        ASSERT_EQ(unzip.exitCode, 0) << unzip.text;
    }
    static void TearDownTestSuite() { unzipped.reset(); }
    void TearDown() override { ResetKeyboardFocus(); }

    static std::string Program() { return unzipped->Path() + "/tuvoran.exe"; }

    // The program started from a folder without data, with the variables given.
    ChildProcess Start(const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {},
                       const std::string& program = Program()) const {
        std::vector<std::string> command{TUVORAN_WINE_RUN, program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return ChildProcess(command, environment, elsewhere.Path());
    }

    // A copy of the release whose data folder lacks one file; the program's path in it.
    std::string ReleaseWithout(const std::string& dataFile) const {
        fs::copy(unzipped->Path(), spoiled.Path(), fs::copy_options::recursive);
        fs::remove(spoiled.Path() + "/data/" + dataFile);
        return spoiled.Path() + "/tuvoran.exe";
    }

    // The window of that title once it shows something lit at that size.
    static unsigned long LitWindow(ChildProcess& program, const char* title, int width,
                                   int height) {
        unsigned long window = 0;
        WindowPicture picture;
        const bool lit = WaitUntil(
            [&] {
                picture = FindShownWindow(title, &window) ? GrabWindow(window) : WindowPicture{};
                return (picture.width == width && picture.height == height &&
                        picture.LitIn(0, 0, width, height, 32) > 0) ||
                       !program.Running();
            },
            startupMs);
        EXPECT_TRUE(lit && program.Running())
            << "no lit " << width << "x" << height << " window \"" << title << "\", but "
            << picture.width << "x" << picture.height << "; " << program.ErrorOutput();
        return window;
    }

    // A box shows the message: it is seen on the X display, and Return on it ends the run.
    static void ExpectBoxAndEnd(ChildProcess& program, const std::string& message) {
        EXPECT_TRUE(WaitUntil([] { return WindowShown("Zarvel Project"); }, startupMs))
            << program.ErrorOutput();
        EXPECT_EQ(EndWithKeyOn(program, "Zarvel Project", "Return", startupMs), 1);
        EXPECT_NE(
            WithoutCarriageReturns(program.ErrorOutput()).find("tuvoran.exe: " + message + "\n"),
            std::string::npos)
            << program.ErrorOutput();
    }

    static std::unique_ptr<TemporaryFolder> unzipped;
    TemporaryFolder elsewhere;
    TemporaryFolder spoiled;
};

std::unique_ptr<TemporaryFolder> WindowsProgram::unzipped;

TEST_F(WindowsProgram, StartedFromAnotherFolderItFindsItsDataBesideItselfAndPlays) {
    ChildProcess program = Start({});
    const unsigned long window = LitWindow(program, "Tuvoran", 640, 480);
    EXPECT_NE(window, 0u);
    EXPECT_EQ(EndWithKeyOn(program, "Tuvoran", "Escape", startupMs), 0);
    EXPECT_EQ(program.ErrorOutput(), "");
}

// As on an N edition of Windows: none of Wine's own MP3 decoders (the codec, the DMO, Media
// Foundation's through GStreamer). The show plays its music, from a moment near its end to
// the end, which ends the show.
const std::string withoutMp3Codecs = "WINEDLLOVERRIDES=l3codeca.acm=;mp3dmod=;winegstreamer=";

TEST_F(WindowsProgram, WithoutWindowsMp3CodecsTheShowPlaysItsMusicToTheEnd) {
    ChildProcess program = Start({"--window=320x240", "--at=63500"}, {withoutMp3Codecs});
    LitWindow(program, "Tuvoran", 320, 240);
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
    EXPECT_EQ(program.ErrorOutput(), "");
}

TEST_F(WindowsProgram, VersionVerboseNamesTheRendererSoundDeviceAndDecoder) {
    const CommandOutput report = RunWindowsCommand("cd '" + elsewhere.Path() + "' && " +
                                                   withoutMp3Codecs + " '" TUVORAN_WINE_RUN "' '" +
                                                   Program() + "' --version --verbose 2>/dev/null");
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(report.text.rfind("tuvoran " TUVORAN_VERSION "\nOpenGL vendor: ", 0), 0u)
        << report.text;
    for (const char* line : {"\nOpenGL renderer: llvmpipe", "\nOpenGL version: ",
                             "\nSound device: waveOut", "\nMusic decoder: libmpg123 "}) {
        EXPECT_NE(report.text.find(line), std::string::npos) << line << " in " << report.text;
    }
}

TEST_F(WindowsProgram, AWindowShowsTheCanvasBetweenBlackBars) {
    ChildProcess program = Start({"--window=480x240"});
    const WindowPicture picture = GrabWindow(LitWindow(program, "Tuvoran", 480, 240));
    ASSERT_EQ(picture.width, 480);
    EXPECT_EQ(picture.LitIn(0, 0, 80, 240), 0);
    EXPECT_EQ(picture.LitIn(400, 0, 480, 240), 0);
    EXPECT_GT(picture.LitIn(80, 0, 400, 240), 0);
    EXPECT_EQ(EndWithKeyOn(program, "Tuvoran", "Escape", startupMs), 0) << program.ErrorOutput();
}

// Alt+Tab away from full screen: the show steps aside, minimized, and plays on; back on it,
// the show is full screen again and its keys work.
TEST_F(WindowsProgram, AwayFromFullScreenTheShowStepsAsideAndBackItReturns) {
    DesktopStandIn desktop;
    ChildProcess program = Start({});
    LitWindow(program, "Tuvoran", 640, 480);
    std::vector<std::string> asked;
    const bool away = WaitUntil(
        [&] {
            FocusWindow("Tuvoran");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            desktop.FocusElsewhere();
            return WaitUntil(
                [&] {
                    const std::vector<std::string> more = desktop.TakeRequests();
                    asked.insert(asked.end(), more.begin(), more.end());
                    return !WindowShown("Tuvoran");
                },
                1500);
        },
        startupMs);
    ASSERT_TRUE(away) << program.ErrorOutput();
    EXPECT_NE(std::find(asked.begin(), asked.end(), "iconify"), asked.end());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(program.Running());

    ASSERT_TRUE(desktop.FocusBack());
    LitWindow(program, "Tuvoran", 640, 480);
    EXPECT_EQ(EndWithKeyOn(program, "Tuvoran", "Escape", startupMs), 0) << program.ErrorOutput();
}

// The virtual screen has one mode, 640 x 480: full screen is a window of that size.
TEST_F(WindowsProgram, F11AndAltEnterSwitchBetweenWindowAndFullScreenAndAltF4Ends) {
    ChildProcess program = Start({"--window=480x240"});
    LitWindow(program, "Tuvoran", 480, 240);
    const auto switchWith = [&](const std::vector<std::string>& keys, int width, int height) {
        FocusWindow("Tuvoran");
        ASSERT_TRUE(PressKeys(keys));
        LitWindow(program, "Tuvoran", width, height);
    };
    switchWith({"F11"}, 640, 480);
    switchWith({"F11"}, 480, 240);
    switchWith({"Alt_L", "Return"}, 640, 480);
    switchWith({"Alt_L", "Return"}, 480, 240);
    EXPECT_TRUE(program.Running());
    FocusWindow("Tuvoran");
    ASSERT_TRUE(PressKeys({"Alt_L", "F4"}));
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
}

// The virtual screen has one mode, 640 x 480: Windows refuses 800 x 600, and says so.
TEST_F(WindowsProgram, AModeTheScreenRefusesShowsItsBoxAndWindowsReason) {
    ChildProcess program = Start({"800", "600", "32"}, {"TUVORAN_NO_MESSAGE_BOX="});
    ExpectBoxAndEnd(program, "Unable to set videomode\n"
                             "tuvoran.exe: no display mode 800x600x32: ChangeDisplaySettings: "
                             "DISP_CHANGE_BADMODE (the screen has no such mode)");
}

TEST_F(WindowsProgram, AMissingPictureShowsItsBox) {
    ChildProcess program = Start({}, {"TUVORAN_NO_MESSAGE_BOX="}, ReleaseWithout("image.jpg"));
    ExpectBoxAndEnd(program, "Can not load file : data\\image.jpg");
}

TEST_F(WindowsProgram, NoSoundDeviceGivesTheSoundLayersMessageAndWindowsReason) {
    // Without Wine's ALSA driver, Windows has no wave output device at all.
    ChildProcess program = Start({}, {"WINEDLLOVERRIDES=winealsa.drv="});
    EXPECT_EQ(program.Wait(startupMs), 1);
    const std::string errors = WithoutCarriageReturns(program.ErrorOutput());
    EXPECT_NE(errors.find("tuvoran.exe: Error initializing output device.\n"
                          "tuvoran.exe: no sound device: waveOutOpen: "),
              std::string::npos)
        << errors;
}

TEST_F(WindowsProgram, TheCommandLineIsTheLinuxPrograms) {
    const std::string program =
        "cd '" + elsewhere.Path() + "' && '" TUVORAN_WINE_RUN "' '" + Program() + "'";
    const CommandOutput version = RunWindowsCommand(program + " --version 2>/dev/null");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.text, "tuvoran " TUVORAN_VERSION "\n");

    const CommandOutput help = RunWindowsCommand(program + " 800 600 32 --help 2>/dev/null");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.text.rfind("Usage: tuvoran.exe [--window[=WxH[+X+Y]]] [--keep-aspect]", 0), 0u)
        << help.text;
    EXPECT_NE(help.text.find("data\\ beside tuvoran.exe"), std::string::npos) << help.text;

    const CommandOutput mistake = RunWindowsCommand(program + " --full-screen 2>&1 >/dev/null");
    EXPECT_EQ(mistake.exitCode, 2);
    EXPECT_EQ(mistake.text.rfind("tuvoran.exe: unknown option '--full-screen'\nUsage: ", 0), 0u)
        << mistake.text;
}

} // namespace
