#include "support/test_files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        const std::filesystem::path candidate =
            temporary / ("tuvoran-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            path = candidate.string();
        }
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TemporaryFolder::File(const std::string& name) const {
    const std::filesystem::path file = std::filesystem::path(path) / name;
    std::filesystem::create_directories(file.parent_path());
    return file.string();
}

WorkingFolder::WorkingFolder(const std::string& folder)
    : previous(std::filesystem::current_path().string()) {
    std::filesystem::current_path(folder);
}

WorkingFolder::~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}
