// Where the show's data is read from: data/ under the current folder, then $TUVORAN_DATA,
// then the data installed beside the program; and what the user is told when none is there.

#include "platform/data_folder.h"
#include "platform/file_path.h"
#include "support/fake_run.h"
#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

const fs::path showData = fs::path(TUVORAN_SOURCE_DIR) / "data";

// Changes an environment variable for the life of the object.
class Variable {
public:
    Variable(const char* variableName, const char* value) : name(variableName) {
        if (const char* old = std::getenv(name)) {
            previous = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~Variable() {
        if (previous) {
            setenv(name, previous->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

std::string MakeFolder(const std::string& path) {
    fs::create_directories(path);
    return path;
}

std::string Installed(const std::string& prefix) {
    return prefix + "/share/tuvoran/data";
}

// A working folder without data/, a prefix where the program may be installed, and a
// folder that $TUVORAN_DATA may name.
class DataFolderSearch : public ::testing::Test {
protected:
    std::string Executable(const char* folder = "bin") const {
        return prefix.Path() + "/" + folder + "/tuvoran";
    }

    TemporaryFolder current;
    TemporaryFolder prefix;
    TemporaryFolder chosen;
    WorkingFolder inCurrent{current.Path()};
};

TEST_F(DataFolderSearch, EachPlaceIsTakenOnlyWhenTheOnesBeforeItAreMissing) {
    MakeFolder(Installed(prefix.Path()));
    EXPECT_EQ(FindDataFolder(chosen.Path().c_str(), Executable()).path, chosen.Path());
    EXPECT_EQ(FindDataFolder(nullptr, Executable()).path, Installed(prefix.Path()));
    EXPECT_EQ(FindDataFolder("", Executable()).path, Installed(prefix.Path()));
    EXPECT_EQ(FindDataFolder((chosen.Path() + "/missing").c_str(), Executable()).path,
              Installed(prefix.Path()));

    MakeFolder(current.Path() + "/data");
    EXPECT_EQ(FindDataFolder(chosen.Path().c_str(), Executable()).path, "data");
}

TEST_F(DataFolderSearch, TheInstalledDataIsFoundFromBinAndFromGames) {
    MakeFolder(Installed(prefix.Path()));
    EXPECT_EQ(FindDataFolder(nullptr, Executable("bin")).path, Installed(prefix.Path()));
    EXPECT_EQ(FindDataFolder(nullptr, Executable("games")).path, Installed(prefix.Path()));
    EXPECT_EQ(InstalledDataFolder("/usr/bin/tuvoran"), "/usr/share/tuvoran/data");
    EXPECT_EQ(InstalledDataFolder("/opt/demo/games/tuvoran"), "/opt/demo/share/tuvoran/data");
    EXPECT_EQ(InstalledDataFolder(""), "");
}

TEST_F(DataFolderSearch, FilesOfTheRightNameAreNotFolders) {
    ASSERT_TRUE(WriteTextFile(current.Path() + "/data", "not a folder"));
    ASSERT_TRUE(WriteTextFile(chosen.Path() + "/data", "not a folder"));
    fs::create_directories(prefix.Path() + "/share/tuvoran");
    ASSERT_TRUE(WriteTextFile(Installed(prefix.Path()), "not a folder"));
    EXPECT_EQ(FindDataFolder((chosen.Path() + "/data").c_str(), Executable()).path, "");
}

TEST_F(DataFolderSearch, NothingFoundListsEveryPlaceInOrder) {
    const DataFolder unset = FindDataFolder(nullptr, Executable());
    EXPECT_EQ(unset.path, "");
    EXPECT_EQ(unset.looked, "./data, $TUVORAN_DATA (not set), " + Installed(prefix.Path()));

    const std::string missing = chosen.Path() + "/missing";
    const DataFolder set = FindDataFolder(missing.c_str(), "");
    EXPECT_EQ(set.path, "");
    EXPECT_EQ(set.looked,
              "./data, $TUVORAN_DATA (" + missing + "), the installed data (program file unknown)");
}

TEST_F(DataFolderSearch, NativePathPutsTheChosenFolderInPlaceOfData) {
    const Variable data("TUVORAN_DATA", chosen.Path().c_str());
    EXPECT_EQ(NativePath("data\\image.jpg"), chosen.Path() + "/image.jpg");
    EXPECT_EQ(NativePath("data\\more\\muzak.mp3"), chosen.Path() + "/more/muzak.mp3");
    // Only the data folder moves.
    EXPECT_EQ(NativePath("database\\image.jpg"), "database/image.jpg");
    EXPECT_EQ(NativePath("/srv/data\\image.jpg"), "/srv/data/image.jpg");
    EXPECT_EQ(NativePath("Data\\image.jpg"), "Data/image.jpg");

    // The choice follows a change of folder, as from one test's run to the next.
    TemporaryFolder withData;
    MakeFolder(withData.Path() + "/data");
    const WorkingFolder inWithData(withData.Path());
    EXPECT_EQ(NativePath("data\\image.jpg"), "data/image.jpg");
}

// The program's own runs, on a fake backend: the show found through $TUVORAN_DATA, and the
// line that says where it looked when it is found nowhere.
TEST(DataFolderRun, TheShowRunsFromAnyFolderWithTuvoranData) {
    const TemporaryFolder elsewhere;
    const Variable data("TUVORAN_DATA", showData.c_str());
    ClosingBackend backend;
    const RunResult run = RunShow(backend, elsewhere.Path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
}

TEST(DataFolderRun, NoDataFolderAddsOneLineBelowTheMessage) {
    const TemporaryFolder elsewhere;
    const Variable data("TUVORAN_DATA", nullptr);
    const std::string installed = InstalledDataFolder(fs::canonical("/proc/self/exe").string());
    ASSERT_FALSE(fs::exists(installed));
    ClosingBackend backend;
    const RunResult run = RunShow(backend, elsewhere.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "tuvoran: Can not load file : data\\image.jpg\n"
                          "tuvoran: no data folder: looked in ./data, $TUVORAN_DATA (not set), " +
                              installed + "\n");
}

// The real programs, copied into a prefix with the data installed beside them, started from
// a folder without data/.
class ProgramDataFolder : public ::testing::Test {
protected:
    ProgramDataFolder() {
        const fs::path data = MakeFolder(Installed(prefix.Path()));
        for (const auto& entry : fs::directory_iterator(showData)) {
            fs::create_symlink(entry.path(), data / entry.path().filename());
        }
    }

    // A copy, not a link: the program finds its data from its own file's place.
    std::string Install(const char* binary, const char* folder) const {
        const fs::path target = fs::path(prefix.Path()) / folder / fs::path(binary).filename();
        fs::create_directories(target.parent_path());
        fs::copy_file(binary, target);
        return target.string();
    }

    TemporaryFolder prefix;
    TemporaryFolder elsewhere;
};

TEST_F(ProgramDataFolder, TheInstalledShowStartsFromAnyFolderAndEndsOnEscape) {
    ChildProcess program({Install(TUVORAN_BINARY, "games")}, {"TUVORAN_DATA="}, elsewhere.Path());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (program.Running() && !WindowShown("Tuvoran") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        PressKey("Escape");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    EXPECT_EQ(program.Wait(5000), 0) << program.ErrorOutput();
    EXPECT_EQ(program.ErrorOutput(), "");
}

TEST_F(ProgramDataFolder, TheCaptureFindsTheSameData) {
    const std::string stills = elsewhere.Path() + "/stills";
    ChildProcess capture({Install(TUVORAN_CAPTURE_BINARY, "bin"), "--png", stills, "--at", "1000",
                          "--size", "64x48", "--quiet"},
                         {"TUVORAN_DATA="}, elsewhere.Path());
    EXPECT_EQ(capture.Wait(120000), 0) << capture.ErrorOutput();
    EXPECT_TRUE(fs::is_regular_file(stills + "/at-1000.png"));
}

TEST_F(ProgramDataFolder, TheCaptureSaysWhereItLookedWhenNothingIsThere) {
    ChildProcess capture(
        {TUVORAN_CAPTURE_BINARY, "--png", elsewhere.Path() + "/stills", "--at", "1000", "--quiet"},
        {"TUVORAN_DATA="}, elsewhere.Path());
    EXPECT_EQ(capture.Wait(60000), 1);
    const std::string installed = InstalledDataFolder(fs::canonical(TUVORAN_CAPTURE_BINARY));
    EXPECT_EQ(capture.ErrorOutput(),
              "tuvoran-capture: Can not load file : data\\image.jpg\n"
              "tuvoran-capture: no data folder: looked in ./data, $TUVORAN_DATA (not set), " +
                  installed + "\n");
}

} // namespace
