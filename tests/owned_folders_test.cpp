// The project deletes only its own folders (tools/owned-folder.sh): a path given by a person,
// mistyped or pointing at their files, is refused with the reason, and nothing of it is lost.

#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string owned = TUVORAN_SOURCE_DIR "/tools/owned-folder.sh";

TEST(OwnedFolders, AnotherFolderIsRefusedWholeAndOneTheProjectMadeGoes) {
    const TemporaryFolder folder;
    const std::string someones = folder.Path() + "/someones";
    ASSERT_TRUE(WriteTextFile(folder.File("someones/work.txt"), "kept"));

    // The release check, given their folder as its work folder.
    const CommandOutput check = RunWithErrors(TUVORAN_SOURCE_DIR "/tests/release/reproducible.sh "
                                                                 "no-build no-build no-build " +
                                              Quoted(someones));
    EXPECT_NE(check.exitCode, 0);
    EXPECT_NE(check.text.find("refusing to delete " + someones), std::string::npos) << check.text;
    EXPECT_TRUE(fs::exists(someones + "/work.txt"));

    // A folder the project made goes, and what it holds; named beside another's, neither goes.
    const std::string made = folder.Path() + "/made";
    ASSERT_EQ(RunWithErrors(owned + " make " + Quoted(made)).exitCode, 0);
    fs::create_directories(made + "/inner");
    ASSERT_TRUE(WriteTextFile(made + "/inner/file", "made"));
    EXPECT_NE(RunWithErrors(owned + " remove " + Quoted(made) + " " + Quoted(someones)).exitCode,
              0);
    EXPECT_TRUE(fs::exists(made + "/inner/file"));
    const CommandOutput removed = RunWithErrors(owned + " remove " + Quoted(made + "/inner"));
    EXPECT_EQ(removed.exitCode, 0) << removed.text;
    EXPECT_FALSE(fs::exists(made + "/inner"));
    EXPECT_EQ(RunWithErrors(owned + " remove " + Quoted(made)).exitCode, 0);
    EXPECT_FALSE(fs::exists(made));

    // A folder whose every file is published, as the web site: its making is recorded beside.
    const std::string site = folder.Path() + "/site";
    const std::string recorded = owned + " --record " + Quoted(folder.Path() + "/made.txt");
    ASSERT_EQ(RunWithErrors(recorded + " make " + Quoted(site)).exitCode, 0);
    EXPECT_TRUE(fs::is_empty(site));
    EXPECT_NE(RunWithErrors(owned + " remove " + Quoted(site)).exitCode, 0);
    EXPECT_EQ(RunWithErrors(recorded + " remove " + Quoted(site)).exitCode, 0);
    EXPECT_FALSE(fs::exists(site));
    EXPECT_TRUE(fs::exists(someones + "/work.txt"));
}

} // namespace
