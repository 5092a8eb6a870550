// The program installed as a user installs it: make install into a staging folder and out
// again, and the Debian package through dpkg, run from / and purged. They use the build
// folder's own programs, change the system or take a minute, so they run alone, and only in
// the plain build; the package needs root.

#include "app/program_icon.h"
#include "app/run_demo.h"
#include "demo/scene.h"
#include "support/process.h"
#include "support/test_files.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string buildFolder = fs::path(TUVORAN_BINARY).parent_path().string();
constexpr int iconSizes[] = {16, 32, 48, 64, 128, 256};

struct CommandResult {
    int exitCode;
    std::string output; // standard output and standard error together
};

CommandResult RunCommand(const std::string& command) {
    CommandResult result{-1, ""};
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char chunk[4096];
    for (std::size_t read = 0; (read = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0;) {
        result.output.append(chunk, read);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every file under root (folders left out), as paths relative to it.
std::set<std::string> FilesUnder(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory()) {
            files.insert(fs::relative(entry.path(), root).string());
        }
    }
    return files;
}

// The icon theme's name for a size: "48x48".
std::string SizeName(int size) {
    std::string name = std::to_string(size);
    name += 'x';
    name += std::to_string(size);
    return name;
}

// What the show loads, by the names the code gives them, as files of its data folder.
std::set<std::string> ShowDataFiles() {
    std::set<std::string> names;
    const auto add = [&names](const char* path) {
        if (path != nullptr) {
            names.insert(std::string(path).substr(std::strlen("data\\")));
        }
    };
    for (const PictureRequest& request : ScenePictureRequests()) {
        add(request.path);
        add(request.maskPath);
    }
    add(musicPath);
    return names;
}

std::set<std::string> ExpectedInstall(const std::string& prefix) {
    std::set<std::string> files = {
        prefix + "/bin/tuvoran",
        prefix + "/bin/tuvoran-capture",
        prefix + "/share/applications/tuvoran.desktop",
        prefix + "/share/man/man6/tuvoran.6.gz",
        prefix + "/share/man/man1/tuvoran-capture.1.gz",
        prefix + "/share/doc/tuvoran/README.md",
        prefix + "/share/doc/tuvoran/copyright",
        prefix + "/share/doc/tuvoran/changelog.gz",
    };
    for (const std::string& name : ShowDataFiles()) {
        files.insert((fs::path(prefix) / "share/tuvoran/data" / name).string());
    }
    for (const int size : iconSizes) {
        files.insert(
            (fs::path(prefix) / "share/icons/hicolor" / SizeName(size) / "apps/tuvoran.png")
                .string());
    }
    return files;
}

// The icon's pixel (x, y), y from the top, as 0xAARRGGBB.
std::uint32_t PixelAt(FIBITMAP* picture, int x, int y) {
    const BYTE* row =
        FreeImage_GetScanLine(picture, static_cast<int>(FreeImage_GetHeight(picture)) - 1 - y);
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, row + static_cast<std::ptrdiff_t>(x) * 4, 4);
    return pixel;
}

// The 32-pixel icon is the program's own, pixel for pixel; twice its size doubles each
// pixel; every size is a picture of that size with transparency.
void ExpectIconsDrawnFromTheProgramsIcon(const fs::path& icons) {
    const IconImage& icon = ProgramIcon();
    for (const int size : iconSizes) {
        SCOPED_TRACE(size);
        const fs::path file = icons / SizeName(size) / "apps" / "tuvoran.png";
        FIBITMAP* picture = FreeImage_Load(FIF_PNG, file.c_str(), PNG_DEFAULT);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(FreeImage_GetWidth(picture), static_cast<unsigned>(size));
        EXPECT_EQ(FreeImage_GetHeight(picture), static_cast<unsigned>(size));
        EXPECT_EQ(FreeImage_GetBPP(picture), 32u);
        const int factor = size / icon.width;
        if (FreeImage_GetBPP(picture) == 32 && (size == 32 || size == 64)) {
            int differing = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const std::uint32_t expected =
                        icon.pixels[(y / factor) * icon.width + x / factor];
                    differing += PixelAt(picture, x, y) != expected ? 1 : 0;
                }
            }
            EXPECT_EQ(differing, 0);
        }
        FreeImage_Unload(picture);
    }
}

// The sanitizer builds have no install rules: one install is tested, from the plain build.
bool SkippedBuild(std::string* why) {
    if (!fs::exists(buildFolder + "/CPackConfig.cmake")) {
        *why = "this build has no install rules (only the plain build has)";
        return true;
    }
    return false;
}

// Keeps the build folder's record of a real install while a test installs from it.
class InstallRecords {
public:
    InstallRecords() {
        for (const char* name : names) {
            const fs::path file = fs::path(buildFolder) / name;
            if (fs::exists(file)) {
                fs::copy_file(file, saved.File(name));
            }
        }
    }
    ~InstallRecords() {
        for (const char* name : names) {
            const fs::path file = fs::path(buildFolder) / name;
            const fs::path copy = fs::path(saved.Path()) / name;
            std::error_code ignored;
            fs::remove(file, ignored);
            if (fs::exists(copy)) {
                fs::copy_file(copy, file, ignored);
            }
        }
    }
    InstallRecords(const InstallRecords&) = delete;
    InstallRecords& operator=(const InstallRecords&) = delete;

private:
    static constexpr const char* names[] = {"install_manifest.txt", "install_folders.txt"};
    TemporaryFolder saved;
};

TEST(ProgramInstall, MakeInstallWritesTheListedFilesAndUninstallTakesThemAllAway) {
    std::string why;
    if (SkippedBuild(&why)) {
        GTEST_SKIP() << why;
    }
    const InstallRecords keep;
    const TemporaryFolder scratch;
    const fs::path stage = fs::path(scratch.Path()) / "stage";
    // A folder that was there before the install stays after the uninstall, empty or not.
    fs::create_directories(stage / "usr/local/bin");

    // make's own rules, without the build step before them: this build is the one to install.
    const std::string make =
        "make -C " + Quoted(TUVORAN_SOURCE_DIR) + " -o build BUILD=" + Quoted(buildFolder);
    const CommandResult install =
        RunCommand(make + " install PREFIX=/usr/local DESTDIR=" + Quoted(stage.string()));
    ASSERT_EQ(install.exitCode, 0) << install.output;
    std::set<std::string> expected = ExpectedInstall("usr/local");
    EXPECT_EQ(FilesUnder(stage), expected);
    ExpectIconsDrawnFromTheProgramsIcon(stage / "usr/local/share/icons/hicolor");
    if (RunCommand("command -v desktop-file-validate").exitCode == 0) {
        const CommandResult valid =
            RunCommand("desktop-file-validate " +
                       Quoted((stage / "usr/local/share/applications/tuvoran.desktop").string()));
        EXPECT_EQ(valid.exitCode, 0) << valid.output;
        EXPECT_EQ(valid.output, "");
    }

    // Written by hand, they must follow the project's version.
    for (const char* page :
         {"man/man6/tuvoran.6.gz", "man/man1/tuvoran-capture.1.gz", "doc/tuvoran/changelog.gz"}) {
        const fs::path file = stage / "usr/local/share" / page;
        const CommandResult text = RunCommand("gzip -dc " + Quoted(file.string()));
        EXPECT_EQ(text.exitCode, 0) << page;
        EXPECT_NE(text.output.find(TUVORAN_VERSION), std::string::npos) << page;
    }

    // The installed capture finds its installed data from any folder.
    const fs::path stills = fs::path(scratch.Path()) / "stills";
    ChildProcess capture({(stage / "usr/local/bin/tuvoran-capture").string(), "--png",
                          stills.string(), "--at", "0", "--size", "64x48", "--quiet"},
                         {"TUVORAN_DATA="}, "/");
    EXPECT_EQ(capture.Wait(60000), 0) << capture.ErrorOutput();
    EXPECT_TRUE(fs::is_regular_file(stills / "at-0.png"));

    const CommandResult uninstall = RunCommand(make + " uninstall");
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.output;
    EXPECT_EQ(FilesUnder(stage), std::set<std::string>());
    std::set<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(stage)) {
        folders.insert(fs::relative(entry.path(), stage).string());
    }
    EXPECT_EQ(folders, (std::set<std::string>{"usr", "usr/local", "usr/local/bin"}));
}

// What the package holds (dpkg -L), files only.
std::vector<std::string> PackageFiles() {
    std::vector<std::string> files;
    std::istringstream list(RunCommand("dpkg -L tuvoran").output);
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line[0] == '/' && !fs::is_directory(line)) {
            files.push_back(line);
        }
    }
    return files;
}

TEST(ProgramPackage, InstallsRunsFromRootAndPurgesWithoutATrace) {
    std::string why;
    if (SkippedBuild(&why)) {
        GTEST_SKIP() << why;
    }
    if (geteuid() != 0) {
        GTEST_SKIP() << "installing the Debian package with dpkg needs root";
    }
    // A package left by an earlier run that failed half-way.
    RunCommand("dpkg --purge tuvoran");
    ASSERT_FALSE(fs::exists("/usr/share/tuvoran"))
        << "/usr/share/tuvoran is there without the package: an install with PREFIX=/usr?";

    const TemporaryFolder scratch;
    auto start = std::chrono::steady_clock::now();
    const CommandResult pack =
        RunCommand("cpack --config " + Quoted(buildFolder + "/CPackConfig.cmake") + " -B " +
                   Quoted(scratch.Path()));
    ASSERT_EQ(pack.exitCode, 0) << pack.output;
    const std::string package = scratch.Path() + "/tuvoran_" TUVORAN_VERSION "_amd64.deb";
    ASSERT_TRUE(fs::exists(package)) << pack.output;
    std::cout << "package: " << fs::file_size(package) << " bytes, made in " << SecondsSince(start)
              << " s\n";

    const CommandResult lint = RunCommand("lintian " + Quoted(package));
    EXPECT_EQ(lint.exitCode, 0) << lint.output;
    EXPECT_EQ(lint.output.find("E: "), std::string::npos) << lint.output;
    std::cout << "lintian:\n" << lint.output;

    start = std::chrono::steady_clock::now();
    const CommandResult install = RunCommand("dpkg -i " + Quoted(package));
    ASSERT_EQ(install.exitCode, 0) << install.output;
    std::cout << "installed in " << SecondsSince(start) << " s\n";
    const std::vector<std::string> files = PackageFiles();
    std::set<std::string> expected = ExpectedInstall("/usr");
    // Debian keeps the games of section games in /usr/games.
    expected.erase("/usr/bin/tuvoran");
    expected.insert("/usr/games/tuvoran");
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expected);
    for (const char* program : {"/usr/games/tuvoran", "/usr/bin/tuvoran-capture"}) {
        const std::string kind = RunCommand(std::string("file -b ") + program).output;
        EXPECT_NE(kind.find(", stripped"), std::string::npos) << program << ": " << kind;
    }

    const CommandResult version =
        RunCommand("cd / && PATH=/usr/games:$PATH timeout 10 tuvoran --version");
    EXPECT_EQ(version.exitCode, 0) << version.output;
    EXPECT_NE(version.output.find(TUVORAN_VERSION), std::string::npos) << version.output;

    ChildProcess show({"/usr/games/tuvoran"}, {"TUVORAN_DATA="}, "/");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (show.Running() && !WindowShown("Tuvoran") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    while (show.Running() && std::chrono::steady_clock::now() < deadline) {
        PressKey("Escape");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    EXPECT_EQ(show.Wait(5000), 0) << show.ErrorOutput();
    EXPECT_EQ(show.ErrorOutput(), "");

    const std::string stills = scratch.Path() + "/stills";
    ChildProcess capture(
        {"/usr/bin/tuvoran-capture", "--png", stills, "--at", "20000", "--size", "320x240"},
        {"TUVORAN_DATA="}, "/");
    EXPECT_EQ(capture.Wait(180000), 0) << capture.ErrorOutput();
    EXPECT_TRUE(fs::is_regular_file(stills + "/at-20000.png"));

    const CommandResult purge = RunCommand("dpkg --purge tuvoran");
    EXPECT_EQ(purge.exitCode, 0) << purge.output;
    for (const std::string& file : files) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file;
    }
    EXPECT_FALSE(fs::exists("/usr/share/tuvoran"));
    EXPECT_FALSE(fs::exists("/usr/share/doc/tuvoran"));
}

// tuvoran.exe carries the committed icon file, so that the Windows build needs no tool of this
// build's: it must be what the tool draws from the program's icon now.
TEST(ProgramInstall, TheWindowsIconFileIsTheOneDrawnFromTheProgramsIcon) {
    std::string why;
    if (SkippedBuild(&why)) {
        GTEST_SKIP() << why;
    }
    const TemporaryFolder folder;
    const std::string drawn = folder.File("tuvoran.ico");
    ASSERT_EQ(std::system(("'" + buildFolder + "/packaging/tuvoran-icons' --ico '" + drawn + "'")
                              .c_str()),
              0);
    const auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(bytes(drawn), bytes(TUVORAN_SOURCE_DIR "/packaging/windows/tuvoran.ico"))
        << "draw it again: build/packaging/tuvoran-icons --ico packaging/windows/tuvoran.ico";
}

} // namespace
