// The program installed as a user installs it: make install into a staging folder and out
// again, and the Debian package through dpkg, run from / and purged. They use the build
// folder's own programs, change the system or take a minute, so they run alone, and only in
// the plain build; the package needs root.

#include "app/program_icon.h"
#include "app/run_demo.h"
#include "demo/scene.h"
#include "support/minimal_root.h"
#include "support/process.h"
#include "support/test_files.h"
#include "tuvoran_version.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
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
        prefix + "/share/metainfo/example.tuvoran.tuvoran.metainfo.xml",
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
    const CommandOutput install =
        RunWithErrors(make + " install PREFIX=/usr/local DESTDIR=" + Quoted(stage.string()));
    ASSERT_EQ(install.exitCode, 0) << install.text;
    std::set<std::string> expected = ExpectedInstall("usr/local");
    EXPECT_EQ(FilesUnder(stage), expected);
    ExpectIconsDrawnFromTheProgramsIcon(stage / "usr/local/share/icons/hicolor");
    if (RunWithErrors("command -v desktop-file-validate").exitCode == 0) {
        const CommandOutput valid = RunWithErrors(
            "desktop-file-validate " +
            Quoted((stage / "usr/local/share/applications/tuvoran.desktop").string()));
        EXPECT_EQ(valid.exitCode, 0) << valid.text;
        EXPECT_EQ(valid.text, "");
    }

    // What software centres list, by AppStream's own rules, without a warning.
    if (RunWithErrors("command -v appstreamcli").exitCode == 0) {
        const CommandOutput valid = RunWithErrors(
            "appstreamcli validate --no-net --no-color " +
            Quoted((stage / "usr/local/share/metainfo/example.tuvoran.tuvoran.metainfo.xml")
                       .string()));
        EXPECT_EQ(valid.exitCode, 0) << valid.text;
        EXPECT_EQ(valid.text.find("W: "), std::string::npos) << valid.text;
        EXPECT_EQ(valid.text.find("E: "), std::string::npos) << valid.text;
    }

    // Written by hand, they must follow the project's version (without a commit's).
    for (const char* page :
         {"man/man6/tuvoran.6.gz", "man/man1/tuvoran-capture.1.gz", "doc/tuvoran/changelog.gz"}) {
        const fs::path file = stage / "usr/local/share" / page;
        const CommandOutput text = RunWithErrors("gzip -dc " + Quoted(file.string()));
        EXPECT_EQ(text.exitCode, 0) << page;
        EXPECT_NE(text.text.find(TUVORAN_PROJECT_VERSION), std::string::npos) << page;
    }

    // The installed capture finds its installed data from any folder.
    const fs::path stills = fs::path(scratch.Path()) / "stills";
    ChildProcess capture({(stage / "usr/local/bin/tuvoran-capture").string(), "--png",
                          stills.string(), "--at", "0", "--size", "64x48", "--quiet"},
                         {"TUVORAN_DATA="}, "/");
    EXPECT_EQ(capture.Wait(60000), 0) << capture.ErrorOutput();
    EXPECT_TRUE(fs::is_regular_file(stills / "at-0.png"));

    const CommandOutput uninstall = RunWithErrors(make + " uninstall");
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.text;
    EXPECT_EQ(FilesUnder(stage), std::set<std::string>());
    std::set<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(stage)) {
        folders.insert(fs::relative(entry.path(), stage).string());
    }
    EXPECT_EQ(folders, (std::set<std::string>{"usr", "usr/local", "usr/local/bin"}));
}

// What the package holds, as `dpkg -L` lists it, files only; root is where the list's paths
// lie on this system.
std::vector<std::string> PackageFiles(const std::string& list, const std::string& root = "") {
    std::vector<std::string> files;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '/' && !fs::is_directory(root + line)) {
            files.push_back(line);
        }
    }
    return files;
}

// The Debian package of this build, made in folder; its path, or empty with cpack's output.
std::string MakePackage(const std::string& folder, std::string* output) {
    const auto start = std::chrono::steady_clock::now();
    const CommandOutput pack = RunWithErrors(
        "cpack --config " + Quoted(buildFolder + "/CPackConfig.cmake") + " -B " + Quoted(folder));
    std::string package = folder + "/tuvoran_" TUVORAN_VERSION "_amd64.deb";
    if (pack.exitCode != 0 || !fs::exists(package)) {
        *output = pack.text;
        return "";
    }
    std::cout << "package: " << fs::file_size(package) << " bytes, made in " << SecondsSince(start)
              << " s\n";
    return package;
}

// Waits for the show's window, then presses Escape until the show has ended; its exit code.
int EndShowWithEscape(ChildProcess& show) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (show.Running() && !WindowShown("Tuvoran") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    while (show.Running() && std::chrono::steady_clock::now() < deadline) {
        PressKey("Escape");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return show.Wait(5000);
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
    RunWithErrors("dpkg --purge tuvoran");
    ASSERT_FALSE(fs::exists("/usr/share/tuvoran"))
        << "/usr/share/tuvoran is there without the package: an install with PREFIX=/usr?";

    const TemporaryFolder scratch;
    std::string packOutput;
    const std::string package = MakePackage(scratch.Path(), &packOutput);
    ASSERT_NE(package, "") << packOutput;

    const CommandOutput lint = RunWithErrors("lintian " + Quoted(package));
    EXPECT_EQ(lint.exitCode, 0) << lint.text;
    EXPECT_EQ(lint.text.find("E: "), std::string::npos) << lint.text;
    std::cout << "lintian:\n" << lint.text;

    const auto start = std::chrono::steady_clock::now();
    const CommandOutput install = RunWithErrors("dpkg -i " + Quoted(package));
    ASSERT_EQ(install.exitCode, 0) << install.text;
    std::cout << "installed in " << SecondsSince(start) << " s\n";
    const std::vector<std::string> files = PackageFiles(RunWithErrors("dpkg -L tuvoran").text);
    std::set<std::string> expected = ExpectedInstall("/usr");
    // Debian keeps the games of section games in /usr/games.
    expected.erase("/usr/bin/tuvoran");
    expected.insert("/usr/games/tuvoran");
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expected);
    for (const char* program : {"/usr/games/tuvoran", "/usr/bin/tuvoran-capture"}) {
        const std::string kind = RunWithErrors(std::string("file -b ") + program).text;
        EXPECT_NE(kind.find(", stripped"), std::string::npos) << program << ": " << kind;
    }

    const CommandOutput version =
        RunWithErrors("cd / && PATH=/usr/games:$PATH timeout 10 tuvoran --version");
    EXPECT_EQ(version.exitCode, 0) << version.text;
    EXPECT_NE(version.text.find(TUVORAN_VERSION), std::string::npos) << version.text;

    ChildProcess show({"/usr/games/tuvoran"}, {"TUVORAN_DATA="}, "/");
    EXPECT_EQ(EndShowWithEscape(show), 0) << show.ErrorOutput();
    EXPECT_EQ(show.ErrorOutput(), "");

    const std::string stills = scratch.Path() + "/stills";
    ChildProcess capture(
        {"/usr/bin/tuvoran-capture", "--png", stills, "--at", "20000", "--size", "320x240"},
        {"TUVORAN_DATA="}, "/");
    EXPECT_EQ(capture.Wait(180000), 0) << capture.ErrorOutput();
    EXPECT_TRUE(fs::is_regular_file(stills + "/at-20000.png"));

    const CommandOutput purge = RunWithErrors("dpkg --purge tuvoran");
    EXPECT_EQ(purge.exitCode, 0) << purge.text;
    for (const std::string& file : files) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file;
    }
    EXPECT_FALSE(fs::exists("/usr/share/tuvoran"));
    EXPECT_FALSE(fs::exists("/usr/share/doc/tuvoran"));
}

// Why the package cannot be tried in a minimal root here; empty when it can.
std::string PackageInMinimalRootMissing() {
    std::string why;
    if (SkippedBuild(&why)) {
        return why;
    }
    return MinimalRootMissing();
}

// As a user on a bare server or in a container installs it: apt's default rule of servers,
// no recommendations, into a minimal Debian 12; both programs then work from /, and a purge
// leaves nothing of the package.
TEST(ProgramInMinimalDebian, InstallsWithoutRecommendsRunsFromRootAndPurgesWithoutATrace) {
    const std::string missing = PackageInMinimalRootMissing();
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    const TemporaryFolder scratch;
    std::string output;
    const std::string package = MakePackage(scratch.Path(), &output);
    ASSERT_NE(package, "") << output;
    ASSERT_TRUE(MakeMinimalRoot(&output)) << output;
    auto start = std::chrono::steady_clock::now();
    const MinimalRootLayer root("package-test");
    ASSERT_TRUE(root.Ready()) << root.UpOutput();
    std::cout << "layer up in " << SecondsSince(start) << " s\n";

    fs::copy_file(package, root.Path() + "/tmp/tuvoran.deb");
    start = std::chrono::steady_clock::now();
    const CommandOutput install =
        root.Run("apt-get install -y -q --no-install-recommends /tmp/tuvoran.deb");
    ASSERT_EQ(install.exitCode, 0) << install.text;
    std::cout << "installed with its dependencies in " << SecondsSince(start) << " s\n";
    EXPECT_NE(root.Run("dpkg -s ffmpeg").exitCode, 0) << "a recommendation was installed";
    const std::vector<std::string> files =
        PackageFiles(root.Run("dpkg -L tuvoran").text, root.Path());
    EXPECT_GT(files.size(), 30u);

    ChildProcess show(root.Inside("exec tuvoran"), {}, "/");
    EXPECT_EQ(EndShowWithEscape(show), 0) << show.ErrorOutput();
    EXPECT_EQ(show.ErrorOutput(), "");

    // The capture draws without a display server.
    const CommandOutput capture = root.Run(
        "exec tuvoran-capture --png /tmp/stills --at 20000 --size 320x240 --quiet", {"DISPLAY"});
    EXPECT_EQ(capture.exitCode, 0) << capture.text;
    FIBITMAP* still =
        FreeImage_Load(FIF_PNG, (root.Path() + "/tmp/stills/at-20000.png").c_str(), PNG_DEFAULT);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(FreeImage_GetWidth(still), 320u);
    FreeImage_Unload(still);

    // No sound device in a container: the message, and below it why, in the sound library's
    // own words, before which ALSA may write its own lines.
    const CommandOutput silent = root.Run("exec tuvoran", {"SDL_AUDIODRIVER"});
    EXPECT_EQ(silent.exitCode, 1) << silent.text;
    const std::string message = "tuvoran: Error initializing output device.\n";
    const std::size_t at = silent.text.find(message);
    ASSERT_NE(at, std::string::npos) << silent.text;
    EXPECT_EQ(silent.text.compare(at + message.size(), 26, "tuvoran: no sound device: "), 0)
        << silent.text;

    start = std::chrono::steady_clock::now();
    const CommandOutput purge = root.Run("apt-get purge -y -q tuvoran");
    EXPECT_EQ(purge.exitCode, 0) << purge.text;
    std::cout << "purged in " << SecondsSince(start) << " s\n";
    EXPECT_NE(root.Run("dpkg -s tuvoran").exitCode, 0);
    for (const std::string& file : files) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(root.Path() + file))) << file;
    }
    EXPECT_FALSE(fs::exists(root.Path() + "/usr/share/tuvoran"));
    EXPECT_FALSE(fs::exists(root.Path() + "/usr/share/doc/tuvoran"));

    const CommandOutput down = root.Down();
    EXPECT_EQ(down.exitCode, 0) << down.text;
    const CommandOutput mounted =
        RunWithErrors("grep -F ' " + MinimalRootFolder() + "/' /proc/self/mountinfo");
    EXPECT_EQ(mounted.text, "") << "left mounted";
    EXPECT_FALSE(fs::exists(root.Path()));
}

// Debian's own install and purge test: piuparts installs the package with its dependencies
// into a copy of the same root, purges it, and finds no file left or changed that should not be.
TEST(ProgramInMinimalDebian, PassesPiupartsInstallAndPurgeTest) {
    const std::string missing = PackageInMinimalRootMissing();
    if (!missing.empty()) {
        GTEST_SKIP() << missing;
    }
    if (RunWithErrors("command -v piuparts").exitCode != 0) {
        GTEST_SKIP() << "piuparts is not installed (tools/install-deps.sh test)";
    }
    const TemporaryFolder scratch;
    std::string output;
    const std::string package = MakePackage(scratch.Path(), &output);
    ASSERT_NE(package, "") << output;
    ASSERT_TRUE(MakeMinimalRoot(&output)) << output;
    const auto start = std::chrono::steady_clock::now();
    const CommandOutput piuparts = MinimalRootPiuparts(package);
    std::cout << "piuparts in " << SecondsSince(start) << " s:\n" << piuparts.text;
    EXPECT_EQ(piuparts.exitCode, 0) << piuparts.text;
    EXPECT_NE(piuparts.text.find("PASS: All tests."), std::string::npos) << piuparts.text;
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
    ASSERT_EQ(std::system(
                  ("'" + buildFolder + "/packaging/tuvoran-icons' --ico '" + drawn + "'").c_str()),
              0);
    const auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(bytes(drawn), bytes(TUVORAN_SOURCE_DIR "/packaging/windows/tuvoran.ico"))
        << "draw it again: build/packaging/tuvoran-icons --ico packaging/windows/tuvoran.ico";
}

// The version that packaging/version_of.cmake gives a tree, for a project version.
std::string VersionOf(const std::string& tree, const std::string& projectVersion) {
    const CommandOutput version = RunWithErrors("cmake -DSOURCE_DIR=" + Quoted(tree) +
                                                " -DPROJECT_VERSION=" + projectVersion + " -P " +
                                                TUVORAN_SOURCE_DIR "/packaging/version_of.cmake");
    return version.exitCode == 0 ? version.text.substr(0, version.text.find('\n'))
                                 : "failed: " + version.text;
}

bool SortsBelow(const std::string& lower, const std::string& higher) {
    return RunCommand("dpkg --compare-versions " + Quoted(lower) + " lt " + Quoted(higher))
               .exitCode == 0;
}

// A repository's history as a project's goes, each build's version from its checkout and from
// source archives: the release upgrades every build made before it, and each commit's build
// those made before it.
TEST(PackageVersions, SortBelowTheReleaseAndByCommitWhetherFromACheckoutOrAnArchive) {
    const TemporaryFolder folder;
    const std::string tree = folder.Path() + "/tree";
    const std::string git = "git -C " + Quoted(tree) + " ";
    const std::string copy =
        "cd " + Quoted(TUVORAN_SOURCE_DIR) + " && cp --parents " +
        ".gitattributes packaging/source-version.txt tools/release.sh tools/owned-folder.sh " +
        Quoted(tree);
    ASSERT_EQ(RunWithErrors("git init -q " + Quoted(tree) + " && " + copy).exitCode, 0);
    const auto commit = [&] {
        const CommandOutput done = RunWithErrors(
            git + "add -A && " + git +
            "-c user.name=Maker -c user.email=maker@example.org commit -q --allow-empty -m work "
            "&& " +
            git + "rev-parse HEAD");
        EXPECT_EQ(done.exitCode, 0) << done.text;
        return done.text.substr(0, 12);
    };
    int archives = 0;
    // The version of HEAD's source archive: git's own, or the release's (tools/release.sh).
    const auto archived = [&](bool release, const std::string& version) {
        const std::string place = folder.Path() + "/archive-" + std::to_string(++archives);
        const std::string build = place + "/build";
        const std::string make =
            release ? "mkdir -p " + Quoted(build) + " && printf 'TUVORAN_VERSION=" + version +
                          "\\nTUVORAN_COMMIT=%s\\nSOURCE_DATE_EPOCH=0\\n' $(" + git +
                          "rev-parse HEAD) > " + Quoted(build + "/release.env") + " && " + tree +
                          "/tools/release.sh source " + Quoted(build) + " " + Quoted(place) +
                          " && tar -xzf " + Quoted(place) + "/*.tar.gz -C " + Quoted(place) +
                          " --strip-components=1"
                    : "mkdir -p " + Quoted(place) + " && " + git + "archive -o " +
                          Quoted(place + "/source.tar") + " HEAD && tar -xf " +
                          Quoted(place + "/source.tar") + " -C " + Quoted(place);
        const CommandOutput made = RunWithErrors(make);
        EXPECT_EQ(made.exitCode, 0) << made.text;
        return VersionOf(place, "1.0.0");
    };

    const std::string first = commit();
    const std::string firstBuild = VersionOf(tree, "1.0.0");
    EXPECT_EQ(firstBuild, "1.0.0~dev.1+g" + first);
    const std::string second = commit();
    const std::string secondBuild = VersionOf(tree, "1.0.0");
    EXPECT_TRUE(SortsBelow(firstBuild, secondBuild)) << firstBuild << " " << secondBuild;
    EXPECT_EQ(archived(true, secondBuild), secondBuild);
    // git's archive cannot count the commits where no tag is reachable: below every count.
    const std::string uncounted = archived(false, secondBuild);
    EXPECT_EQ(uncounted, "1.0.0~dev+g" + second);
    EXPECT_TRUE(SortsBelow(uncounted, firstBuild)) << uncounted;

    ASSERT_EQ(RunWithErrors(git + "tag v1.0.0").exitCode, 0);
    EXPECT_EQ(VersionOf(tree, "1.0.0"), "1.0.0");
    EXPECT_EQ(archived(false, "1.0.0"), "1.0.0");
    EXPECT_TRUE(SortsBelow(secondBuild, "1.0.0"));

    // After the release, before the next version is set, and after.
    const std::string third = commit();
    const std::string afterRelease = VersionOf(tree, "1.0.0");
    EXPECT_EQ(afterRelease, "1.0.0+1.g" + third);
    EXPECT_TRUE(SortsBelow("1.0.0", afterRelease)) << afterRelease;
    EXPECT_EQ(archived(false, afterRelease), afterRelease);
    const std::string next = VersionOf(tree, "1.1.0");
    EXPECT_EQ(next, "1.1.0~dev.1+g" + third);
    EXPECT_TRUE(SortsBelow(afterRelease, next)) << next;
}

} // namespace
