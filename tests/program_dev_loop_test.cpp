// The makers' live loop (make dev) on a copy of the tree, as a maker uses it: the show held at a
// moment, the code and the data changed under it, a bad save, and the end. What the window
// shows is compared with the capture's frame at that moment, drawn from the same code and data.

#include "support/process.h"
#include "support/test_files.h"
#include "support/tree_copy.h"
#include "support/x_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int startupMs = 120000;
constexpr int changeMs = 60000;
constexpr int atMs = 20000;

class ProgramDevLoop : public ::testing::Test {
protected:
    ProgramDevLoop() : tree(fs::path(folder.Path()) / "tree") {}

    // The frame at atMs as the capture draws it from the copy's data, at the window's size.
    std::string Still(const std::string& name, const std::string& capture = TUVORAN_CAPTURE_BINARY,
                      const std::string& size = "320x240") const {
        const std::string folderName = (fs::path(folder.Path()) / name).string();
        ChildProcess run(
            {capture, "--png", folderName, "--size", size, "--at", std::to_string(atMs), "--quiet"},
            {}, tree.string());
        EXPECT_EQ(run.Wait(120000), 0) << run.ErrorOutput();
        return folderName + "/at-" + std::to_string(atMs) + ".png";
    }

    static int Shown(const std::string& still) {
        unsigned long window = 0;
        return FindShownWindow("Tuvoran", &window)
                   ? LargestDifferenceFromStill(GrabWindow(window), still)
                   : 256;
    }

    // Waits until the window shows the still, to within one level; the difference seen last.
    static int WaitForStill(const std::string& still, int timeoutMs) {
        int difference = 256;
        WaitUntil(
            [&] {
                difference = Shown(still);
                return difference <= 1;
            },
            timeoutMs);
        return difference;
    }

    void Save(const std::string& file, const std::string& text) const {
        EXPECT_TRUE(SaveText((tree / file).string(), text));
    }

    TemporaryFolder folder;
    const fs::path tree;
};

TEST_F(ProgramDevLoop, SavesComeInAtTheMomentShownAndABadOneLosesNothing) {
    // make dev builds as makers build, without the sanitizers: once, from the plain build.
    if (!fs::exists(fs::path(TUVORAN_BINARY).parent_path() / "CPackConfig.cmake")) {
        GTEST_SKIP() << "tried from the plain build only";
    }
    // Our objects in the copy's build: compiling the whole program again would take minutes.
    ASSERT_EQ(CopyTreeWithBuild(TUVORAN_SOURCE_DIR, fs::path(TUVORAN_BINARY).parent_path(),
                                tree.string()),
              "");
    const std::string original = Still("original");
    ChildProcess loop({"/usr/bin/make", "--no-print-directory", "dev", "AT=20000", "PAUSE=1",
                       "ARGS=--window=320x240"},
                      {}, tree.string());
    EXPECT_LE(WaitForStill(original, startupMs), 1) << loop.ErrorOutput();

    // A credit moved in the code: the new build's frame at the same moment.
    const std::string timeline = ReadText((tree / "demo/timeline.cpp").string());
    const std::string moved = Replaced(timeline, "codeSprite, 100.0f", "codeSprite, 160.0f");
    ASSERT_NE(moved, timeline);
    Save("demo/timeline.cpp", moved);
    EXPECT_TRUE(WaitUntil([&] { return Shown(original) > 1; }, changeMs)) << loop.ErrorOutput();
    const std::string buildCapture = "cmake --build '" + (tree / "build-dev").string() +
                                     "' --target tuvoran-capture > /dev/null";
    ASSERT_EQ(RunCommand(buildCapture).exitCode, 0);
    const std::string movedStill = Still("moved", (tree / "build-dev/tuvoran-capture").string());
    EXPECT_LE(WaitForStill(movedStill, changeMs), 1) << loop.ErrorOutput();

    // A syntax error: the compiler's message, and the show goes on as it was.
    Save("demo/timeline.cpp", moved + "\nthis is not C++\n");
    EXPECT_TRUE(
        WaitUntil([&] { return loop.ErrorOutput().find("the build failed") != std::string::npos; },
                  changeMs));
    const std::string errors = loop.ErrorOutput();
    EXPECT_NE(errors.find("timeline.cpp"), std::string::npos) << errors;
    EXPECT_NE(errors.find("error"), std::string::npos) << errors;
    EXPECT_TRUE(loop.Running());
    EXPECT_LE(Shown(movedStill), 1);

    // The good code again: the picture comes back.
    Save("demo/timeline.cpp", timeline);
    EXPECT_LE(WaitForStill(original, changeMs), 1) << loop.ErrorOutput();

    // A picture of the data replaced: the first credit's word becomes the second's.
    fs::copy_file(tree / "data/kurne.jpg", tree / "data/code.jpg.saving");
    fs::rename(tree / "data/code.jpg.saving", tree / "data/code.jpg");
    const std::string pictureStill = Still("picture");
    EXPECT_LE(WaitForStill(pictureStill, changeMs), 1) << loop.ErrorOutput();

    // The window moved and resized as by a window manager: the show starts again there.
    unsigned long window = 0;
    ASSERT_TRUE(FindShownWindow("Tuvoran", &window));
    PlaceWindow(window, 40, 30, 256, 192);
    EXPECT_TRUE(WaitUntil([&] { return GrabWindow(window).width == 256; }, changeMs));
    // Given time to see its new place, as a person's next save would.
    WaitUntil([] { return false; }, 500);
    fs::copy_file(tree / "data/dospe.jpg", tree / "data/code.jpg.saving");
    fs::rename(tree / "data/code.jpg.saving", tree / "data/code.jpg");
    const std::string sizedStill = Still("sized", TUVORAN_CAPTURE_BINARY, "256x192");
    EXPECT_LE(WaitForStill(sizedStill, changeMs), 1) << loop.ErrorOutput();
    int x = 0;
    int y = 0;
    EXPECT_TRUE(FindShownWindow("Tuvoran", &window) && WindowPlace(window, &x, &y));
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);

    EXPECT_EQ(EndWithEscape(loop, changeMs), 0) << loop.ErrorOutput();
    EXPECT_EQ(ProcessesIn(tree.string()), std::vector<std::string>{});
}

// A watcher that cannot start, here for want of inotify watches (which no test can bring about
// for real): the loop says why and stops, rather than wait for saves that it would never see.
TEST_F(ProgramDevLoop, AWatcherThatCannotStartEndsTheLoopWithItsReason) {
    const std::string fakes = folder.File("bin/inotifywait");
    ASSERT_TRUE(WriteTextFile(fakes, "#!/bin/sh\n"
                                     "echo 'Failed to watch app; upper limit on inotify watches "
                                     "reached!' >&2\n"
                                     "exit 1\n"));
    fs::permissions(fakes, fs::perms::owner_all);
    const std::string path = fs::path(fakes).parent_path().string() + ":" + std::getenv("PATH");
    ChildProcess loop({TUVORAN_SOURCE_DIR "/tools/dev-loop.sh", folder.File("no-build"), "0", ""},
                      {"PATH=" + path});
    EXPECT_EQ(loop.Wait(30000), 1) << loop.ErrorOutput();
    const std::string errors = loop.ErrorOutput();
    EXPECT_NE(errors.find("upper limit on inotify watches"), std::string::npos) << errors;
    EXPECT_NE(errors.find("make dev: inotifywait, which sees the saves, stopped with code 1"),
              std::string::npos)
        << errors;
}

} // namespace
