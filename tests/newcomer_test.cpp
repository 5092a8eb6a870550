// A newcomer's first steps as the README gives them, on a bare Debian 12 that has only git and
// make: a clone of the repository as committed, and `make run`, which installs what it needs,
// builds and starts the show. A first try that was interrupted must not stop the next one.

#include "support/minimal_root.h"
#include "support/process.h"
#include "support/x_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int minute = 60 * 1000;
const std::string clone = "/root/tuvoran";

// The end of a log that a run in the root wrote.
std::string LogTail(const MinimalRootLayer& root, const std::string& log) {
    return root.Run("tail -n 40 " + log).text;
}

// As Ctrl+C in the terminal: every process of the run at once.
void InterruptEverything(const MinimalRootLayer& root) {
    for (const int process : root.Processes()) {
        kill(process, SIGINT);
    }
}

// The commit of the sources that is tried: the last one, or TUVORAN_NEWCOMER_COMMIT's (to show
// what an earlier one did); empty when there is none.
std::string CommitToTry() {
    const char* given = std::getenv("TUVORAN_NEWCOMER_COMMIT");
    const std::string name = given != nullptr && *given != '\0' ? given : "HEAD";
    CommandOutput commit = RunCommand("git -C " + Quoted(TUVORAN_SOURCE_DIR) +
                                      " rev-parse --verify -q " + Quoted(name + "^{commit}"));
    if (commit.exitCode != 0) {
        return "";
    }
    commit.text.erase(commit.text.find_last_not_of('\n') + 1);
    return commit.text;
}

// The megabytes under a folder of this system.
std::string MegabytesUnder(const std::string& folder) {
    std::string megabytes = RunCommand("du -sxm " + Quoted(folder) + " | cut -f1").text;
    megabytes.erase(megabytes.find_last_not_of('\n') + 1);
    return megabytes;
}

TEST(ProgramForNewcomers, MakeRunInAFreshCloneInstallsBuildsAndShowsAfterAnInterruptedTry) {
    // Nothing of this build is used: once, from the plain build, is enough.
    if (!fs::exists(fs::path(TUVORAN_BINARY).parent_path() / "CPackConfig.cmake")) {
        GTEST_SKIP() << "tried from the plain build only";
    }
    const std::string missing = MinimalRootMissing();
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    const std::string commit = CommitToTry();
    if (commit.empty()) {
        GTEST_SKIP() << "the sources are not a git repository to clone";
    }
    std::string output;
    ASSERT_TRUE(MakeMinimalRoot(&output)) << output;
    const MinimalRootLayer root("newcomer");
    ASSERT_TRUE(root.Ready()) << root.UpOutput();

    const CommandOutput tools = root.Run("apt-get install -y -q --no-install-recommends git make");
    ASSERT_EQ(tools.exitCode, 0) << tools.text;
    // What is committed, not the working tree: the sources' repository, cloned again inside
    // the root as a newcomer clones it.
    const CommandOutput origin =
        RunWithErrors("git clone -q --bare file://" + Quoted(TUVORAN_SOURCE_DIR) + " " +
                      Quoted(root.Path() + "/tmp/origin.git"));
    ASSERT_EQ(origin.exitCode, 0) << origin.text;
    const CommandOutput cloned = root.Run("git clone -q /tmp/origin.git " + clone + " && cd " +
                                          clone + " && git checkout -q " + commit);
    ASSERT_EQ(cloned.exitCode, 0) << cloned.text;
    std::cout << "trying " << commit << "\n";

    auto start = std::chrono::steady_clock::now();
    {
        ChildProcess first(
            root.Inside("cd " + clone + " && exec make run >/tmp/first-run.log 2>&1"), {}, "/");
        const std::string cache = root.Path() + clone + "/build/CMakeCache.txt";
        WaitUntil([&] { return fs::exists(cache) || !first.Running(); }, 20 * minute);
        ASSERT_TRUE(first.Running()) << LogTail(root, "/tmp/first-run.log");
        InterruptEverything(root);
        EXPECT_NE(first.Wait(minute), 0);
        EXPECT_TRUE(WaitUntil([&] { return root.Processes().empty(); }, minute));
        std::cout << "first make run installed and began to configure in " << SecondsSince(start)
                  << " s, then was interrupted\n";
    }

    start = std::chrono::steady_clock::now();
    ChildProcess second(root.Inside("cd " + clone + " && exec make run >/tmp/run.log 2>&1"), {},
                        "/");
    unsigned long window = 0;
    WindowPicture picture;
    const bool shown = WaitUntil(
        [&] {
            picture = FindShownWindow("Tuvoran", &window) ? GrabWindow(window) : WindowPicture{};
            return picture.LitIn(0, 0, picture.width, picture.height) > 0 || !second.Running();
        },
        20 * minute);
    ASSERT_TRUE(shown && second.Running()) << LogTail(root, "/tmp/run.log");
    std::cout << "second make run showed the show in " << SecondsSince(start) << " s\n";

    EXPECT_EQ(EndWithEscape(second, minute), 0) << LogTail(root, "/tmp/run.log");
    EXPECT_TRUE(WaitUntil([&] { return root.Processes().empty(); }, minute));
    const std::string layer = fs::path(root.Path()).parent_path().string();
    std::cout << "disk: " << MegabytesUnder(layer) << " MB installed, cloned and built, "
              << MegabytesUnder(MinimalRootFolder() + "/apt-archives")
              << " MB of packages downloaded\n";
}

} // namespace
