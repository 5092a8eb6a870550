// Where the show's data is looked for on Windows: data\ under the current folder, then
// %TUVORAN_DATA%, then data\ beside tuvoran.exe; and the places named in Windows' terms.

#include "platform/data_folder.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(WindowsDataLookup, TheInstalledDataIsTheFolderBesideTheProgram) {
    EXPECT_EQ(InstalledDataFolder("C:\\Games\\Tuvoran\\tuvoran.exe"), "C:\\Games\\Tuvoran\\data");
    EXPECT_EQ(InstalledDataFolder("D:/demo/tuvoran.exe"), "D:/demo\\data");
    EXPECT_EQ(InstalledDataFolder(""), "");
}

TEST(WindowsDataLookup, TheCurrentFolderThenTheVariableThenBesideTheProgram) {
    const TemporaryFolder unzipped;
    const TemporaryFolder elsewhere;
    const TemporaryFolder chosen;
    fs::create_directories(unzipped.File("data"));
    const std::string program = unzipped.File("tuvoran.exe");
    const WorkingFolder inElsewhere(elsewhere.Path());

    const DataFolder beside = FindDataFolder(nullptr, program);
    EXPECT_TRUE(fs::equivalent(beside.path, unzipped.File("data")));
    EXPECT_EQ(beside.looked, ".\\data, %TUVORAN_DATA% (not set), " +
                                 (fs::path(unzipped.Path()) / "data").string());

    EXPECT_EQ(FindDataFolder(chosen.Path().c_str(), program).path, chosen.Path());

    fs::create_directories(elsewhere.File("data"));
    EXPECT_EQ(FindDataFolder(chosen.Path().c_str(), program).path, "data");
}

TEST(WindowsDataLookup, NothingFoundSaysWhereItLooked) {
    const TemporaryFolder elsewhere;
    const WorkingFolder inElsewhere(elsewhere.Path());
    const DataFolder none = FindDataFolder("Q:\\nowhere", "Q:\\nowhere\\tuvoran.exe");
    EXPECT_EQ(none.path, "");
    EXPECT_EQ(none.looked, ".\\data, %TUVORAN_DATA% (Q:\\nowhere), Q:\\nowhere\\data");
}

TEST(WindowsDataLookup, TheUsageNamesThePlacesInWindowsTerms) {
    EXPECT_EQ(DataFolderUsage(),
              "The pictures and the music are looked for in data\\ under the current folder,\n"
              "then in %TUVORAN_DATA% if it is set, then in data\\ beside tuvoran.exe.\n");
}

} // namespace
