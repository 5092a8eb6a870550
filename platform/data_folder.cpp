#include "platform/data_folder.h"

#include "platform/system.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr char environmentName[] = "TUVORAN_DATA";

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

std::string CurrentFolder() {
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? std::string() : folder.string();
}

} // namespace

DataFolder FindDataFolder(const char* environmentValue, const std::string& executable) {
    DataFolder found;
    found.looked = CurrentDataFolderName();
    if (IsFolder("data")) {
        found.path = "data";
        return found;
    }

    const bool environmentSet = environmentValue != nullptr && environmentValue[0] != '\0';
    found.looked += ", " + VariableName(environmentName) + " (" +
                    (environmentSet ? environmentValue : "not set") + ")";
    if (environmentSet && IsFolder(environmentValue)) {
        found.path = environmentValue;
        return found;
    }

    const std::string installed = InstalledDataFolder(executable);
    found.looked +=
        ", " + (installed.empty() ? "the installed data (program file unknown)" : installed);
    if (IsFolder(installed)) {
        found.path = installed;
    }
    return found;
}

DataFolder CurrentDataFolder() {
    // The choice holds for a whole run; only a test moves between folders within a process.
    static std::mutex mutex;
    static std::string chosenFor;
    static DataFolder chosen;
    static const std::string executable = RunningExecutable();

    const char* environmentValue = std::getenv(environmentName);
    const std::string key =
        CurrentFolder() + '\n' + (environmentValue != nullptr ? environmentValue : "\n");
    const std::lock_guard<std::mutex> lock(mutex);
    if (chosenFor.empty() || key != chosenFor) {
        chosen = FindDataFolder(environmentValue, executable);
        chosenFor = key;
    }
    return chosen;
}
