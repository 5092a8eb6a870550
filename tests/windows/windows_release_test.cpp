// What the Windows zip holds and what tuvoran.exe needs of the system: read from the files,
// as Windows' own loader and Explorer read them.

#include "support/process.h"
#include "tuvoran_version.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t largestRelease = std::uintmax_t{4} * 1024 * 1024;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A text as Windows keeps it in resources: two bytes a character.
std::string Wide(const std::string& text) {
    std::string wide;
    for (const char c : text) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

TEST(WindowsRelease, TheZipHoldsTheProgramItsDataAndAReadmeSideBySide) {
    std::set<std::string> entries;
    std::istringstream listing(
        RunCommand("'" CMAKE_COMMAND "' -E tar tf '" TUVORAN_WINDOWS_ZIP "'").text);
    for (std::string line; std::getline(listing, line);) {
        entries.insert(line);
    }
    std::set<std::string> expected{"tuvoran.exe", "libmpg123.dll", "libmpg123-COPYING.txt",
                                   "README.txt"};
    for (const auto& entry : fs::directory_iterator(fs::path(TUVORAN_SOURCE_DIR) / "data")) {
        expected.insert("data/" + entry.path().filename().string());
    }
    for (const std::string& name : expected) {
        EXPECT_EQ(entries.count(name), 1u) << name;
    }
    for (const std::string& name : entries) {
        EXPECT_TRUE(expected.count(name) == 1 || name == "data/") << "also in the zip: " << name;
    }
    EXPECT_LE(fs::file_size(TUVORAN_WINDOWS_ZIP), largestRelease);
    EXPECT_LE(fs::file_size(TUVORAN_WINDOWS_EXE), largestRelease);
}

TEST(WindowsRelease, TheReadmeTellsHowToStartItInNotepadsLineEnds) {
    const std::string readme = ReadFile(TUVORAN_WINDOWS_BUILD "/packaging/windows/README.txt");
    EXPECT_EQ(readme.rfind("Tuvoran " TUVORAN_VERSION " for Windows\r\n", 0), 0u);
    EXPECT_EQ(readme.find("\r\r"), std::string::npos);
    EXPECT_EQ(std::count(readme.begin(), readme.end(), '\n'),
              std::count(readme.begin(), readme.end(), '\r'));
    for (const char* part : {"Double-click tuvoran.exe", "--window[=WxH]", "--keep-aspect",
                             "Escape", "F11 or Alt+Enter", "TUVORAN_DATA", "Zarvel Project",
                             "Unable to set videomode", "Error initializing output device."}) {
        EXPECT_NE(readme.find(part), std::string::npos) << part;
    }
}

// Only DLLs that every Windows has, and the music decoder's beside the program, which itself
// needs only the system's: the C++ runtime and the threads are inside the program.
TEST(WindowsRelease, TheProgramImportsOnlyTheSystemsOwnLibrariesAndItsDecoder) {
    const std::set<std::string> system{"kernel32.dll", "user32.dll", "gdi32.dll",  "opengl32.dll",
                                       "winmm.dll",    "msvcrt.dll", "shlwapi.dll"};
    const auto imports = [](const std::string& file) {
        std::set<std::string> names;
        std::istringstream headers(RunCommand("'" TUVORAN_OBJDUMP "' -p '" + file + "'").text);
        for (std::string line; std::getline(headers, line);) {
            const std::size_t at = line.find("DLL Name: ");
            if (at != std::string::npos) {
                names.insert(Lower(line.substr(at + 10)));
            }
        }
        return names;
    };
    std::set<std::string> program = imports(TUVORAN_WINDOWS_EXE);
    EXPECT_EQ(program.erase("libmpg123.dll"), 1u);
    EXPECT_GE(program.size(), 5u);
    const std::set<std::string> decoder = imports(TUVORAN_WINDOWS_BUILD "/libmpg123.dll");
    EXPECT_FALSE(decoder.empty());
    for (const std::set<std::string>& names : {program, decoder}) {
        for (const std::string& name : names) {
            EXPECT_EQ(system.count(name), 1u) << "imports " << name;
        }
    }
}

// The resource directory: icons (3), the icon group (14) by the number the program loads it
// by, 107, the version (16) and the manifest (24); the version's texts and the manifest's
// DPI awareness.
TEST(WindowsRelease, TheProgramCarriesItsIconVersionAndManifest) {
    const std::string headers =
        RunCommand("'" TUVORAN_OBJDUMP "' -p '" TUVORAN_WINDOWS_EXE "'").text;
    const std::size_t resources = headers.find("The .rsrc Resource Directory section");
    ASSERT_NE(resources, std::string::npos);
    const std::string directory = headers.substr(resources);
    std::istringstream lines(directory);
    std::string type;
    std::set<std::string> found;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t entry = line.find("Entry: ID: 0x");
        if (entry == std::string::npos) {
            continue;
        }
        const std::string id = line.substr(entry + 13, 6);
        const std::size_t depth = line.find_first_not_of(' ', line.find_first_of(' '));
        if (depth <= 6) {
            type = id;
        } else if (depth <= 8) {
            std::string name = type;
            name += '/';
            name += id;
            found.insert(name);
        }
    }
    EXPECT_EQ(found.count("00000e/00006b"), 1u) << directory;
    EXPECT_EQ(found.count("000010/000001"), 1u) << directory;
    EXPECT_EQ(found.count("000018/000001"), 1u) << directory;
    EXPECT_EQ(std::count_if(found.begin(), found.end(),
                            [](const std::string& name) { return name.rfind("000003/", 0) == 0; }),
              4);

    const std::string program = ReadFile(TUVORAN_WINDOWS_EXE);
    for (const char* text :
         {"ProductName", "Tuvoran", "FileVersion", TUVORAN_VERSION, "ProductVersion",
          TUVORAN_VERSION, "OriginalFilename", "tuvoran.exe"}) {
        EXPECT_NE(program.find(Wide(text)), std::string::npos) << text;
    }
    // Drawn in real pixels on every screen: per-monitor v2, system-wide where that is unknown.
    for (const char* setting :
         {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
          "PerMonitorV2</dpiAwareness>",
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
          "true</dpiAware>"}) {
        EXPECT_NE(program.find(setting), std::string::npos) << setting;
    }
    // The same icon as on Linux, in the sizes Explorer and the taskbar show.
    const std::string icon = ReadFile(TUVORAN_SOURCE_DIR "/packaging/windows/tuvoran.ico");
    EXPECT_NE(program.find(icon.substr(6 + 4 * 16, 1000)), std::string::npos);
}

} // namespace
