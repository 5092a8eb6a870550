// tools/install-deps.sh as make's targets run it side by side (make -j test): apt fails at once
// where another install holds dpkg's lock, so the installs must take turns. Run over stand-ins
// for dpkg-query, apt-get and sudo on PATH, which note when each install begins and ends.

#include "support/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void WriteScript(const std::string& path, const std::string& text) {
    std::ofstream(path) << "#!/bin/sh\n" << text;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(InstallDeps, InstallsStartedTogetherTakeTurnsAndTheLaterFindTheWorkDone) {
    const TemporaryFolder folder;
    const std::string bin = folder.Path() + "/bin";
    const std::string log = folder.Path() + "/installs.log";
    const std::string installed = folder.Path() + "/installed";
    fs::create_directories(bin);
    // Every package is there but xvfb, until an install has run; an install takes a second.
    WriteScript(bin + "/dpkg-query", "for last; do :; done\n"
                                     "if [ \"$last\" = xvfb ] && [ ! -e '" +
                                         installed +
                                         "' ]; then\n"
                                         "    echo 'install ok not-installed'\n"
                                         "else\n"
                                         "    echo 'install ok installed'\n"
                                         "fi\n");
    WriteScript(bin + "/apt-get", "case \"$*\" in *install*)\n"
                                  "    echo begins >>'" +
                                      log +
                                      "'\n"
                                      "    sleep 1\n"
                                      "    touch '" +
                                      installed +
                                      "'\n"
                                      "    echo ends >>'" +
                                      log +
                                      "'\n"
                                      "esac\n");
    WriteScript(bin + "/sudo", "exec \"$@\"\n");
    const std::vector<std::string> environment{"PATH=" + bin + ":" + std::getenv("PATH")};

    std::vector<std::unique_ptr<ChildProcess>> installs;
    for (int i = 0; i < 3; ++i) {
        installs.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"tools/install-deps.sh", "check"}, environment));
    }
    for (const auto& install : installs) {
        EXPECT_EQ(install->Wait(30000), 0) << install->ErrorOutput();
    }
    EXPECT_EQ(ReadFile(log), "begins\nends\n");
}

} // namespace
