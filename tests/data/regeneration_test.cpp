// Regenerating the data gives the committed files byte for byte, whatever the build.

#include "tools/datagen/datagen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "tuvoran-data-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::string path;
};

std::map<std::string, std::vector<char>> ReadFolder(const std::string& folder) {
    std::map<std::string, std::vector<char>> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::vector<char>(std::istreambuf_iterator<char>(file), {});
    }
    return files;
}

TEST(Regeneration, GivesTheCommittedFilesByteForByte) {
    const TemporaryFolder folder;
    ASSERT_FALSE(folder.path.empty());
    datagen::DataReport report;
    ASSERT_EQ(datagen::GenerateShowData(folder.path, "", &report), "");
    EXPECT_DOUBLE_EQ(report.musicSeconds, 66.0);

    const auto generated = ReadFolder(folder.path);
    const auto committed = ReadFolder(std::string(TUVORAN_SOURCE_DIR) + "/data");
    ASSERT_EQ(generated.size(), committed.size());
    for (const auto& [name, bytes] : committed) {
        const auto match = generated.find(name);
        ASSERT_NE(match, generated.end()) << name;
        EXPECT_EQ(match->second.size(), bytes.size()) << name;
        EXPECT_TRUE(match->second == bytes) << name << " differs from the committed file";
    }
}

TEST(Regeneration, RefusesAFolderThatIsNotThere) {
    datagen::DataReport report;
    const std::string error = datagen::GenerateShowData("/nonexistent/tuvoran-data", "", &report);
    EXPECT_NE(error.find("/nonexistent/tuvoran-data"), std::string::npos) << error;
}

} // namespace
