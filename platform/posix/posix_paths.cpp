// Where the program and its installed data are on Linux: the data under <prefix>/share.

#include "platform/data_folder.h"
#include "platform/system.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string RunningExecutable() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.string();
}

std::string InstalledDataFolder(const std::string& executable) {
    if (executable.empty()) {
        return "";
    }
    // <prefix>/bin/tuvoran and <prefix>/games/tuvoran share <prefix>/share.
    const fs::path prefix = fs::path(executable).parent_path().parent_path();
    return (prefix / "share" / "tuvoran" / "data").string();
}

std::string CurrentDataFolderName() {
    return "./data";
}

std::string VariableName(const char* name) {
    return std::string("$") + name;
}
